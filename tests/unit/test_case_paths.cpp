// The case volume's pure rules: server path to local place (with the traversal
// refusals), the mounted-root search over a GVfs folder listing, the status line, the
// reveal and open-folder decisions, file-name pieces and mount-error outcomes.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <set>

#include "features/volume/CasePaths.h"

using namespace quorvel;
using namespace quorvel::CasePaths;
namespace fs = std::filesystem;

namespace {
const fs::path kRoot = "/work/root";

std::optional<fs::path> map(const std::string& s) { return mapUnder(kRoot, s); }

TEST(CaseMapping, DropsUserDataAndFirmAndIgnoresSlashes) {
  EXPECT_EQ(map("/user_data/FIRM_ab12/合同A/程序1/起诉状.pdf"), kRoot / "合同A" / "程序1" / "起诉状.pdf");
  EXPECT_EQ(map("//user_data//FIRM_ab12/合同A//程序1/起诉状.pdf/"), kRoot / "合同A" / "程序1" / "起诉状.pdf");
  EXPECT_EQ(map("FIRM_x/a/b"), kRoot / "a" / "b");
  EXPECT_EQ(map("a/FIRM_x/b"), kRoot / "a" / "FIRM_x" / "b");
  EXPECT_EQ(map("user_data/folder/x.txt"), kRoot / "folder" / "x.txt");
  EXPECT_EQ(map("a/user_data/b"), kRoot / "a" / "user_data" / "b");
  // Letter case matters.
  EXPECT_EQ(map("User_data/x"), kRoot / "User_data" / "x");
  EXPECT_EQ(map("user_data/firm_x/y"), kRoot / "firm_x" / "y");
  EXPECT_EQ(relTail("/user_data/FIRM_1//案件/2026/"), "案件/2026");
}

TEST(CaseMapping, NoPlaceWithoutTail) {
  for (const char* s : {"user_data", "user_data/FIRM_x", "FIRM_", "/", "", "///"}) {
    bool unsafe = true;
    EXPECT_FALSE(map(s)) << s;
    EXPECT_FALSE(relTail(s, &unsafe)) << s;
    EXPECT_FALSE(unsafe) << s;
  }
}

TEST(CaseMapping, RefusesPiecesThatLeaveTheRoot) {
  for (std::string s : std::vector<std::string>{"user_data/FIRM_x/../../.bashrc", "a/../../etc/passwd", "a/./b", "..", ".", "a\\..\\b",
                        std::string("a/b\0c", 5)}) {
    bool unsafe = false;
    EXPECT_FALSE(mapUnder(kRoot, s, &unsafe)) << s;
    EXPECT_TRUE(unsafe) << s;
  }
  // Dots inside a name are ordinary.
  EXPECT_EQ(map("a/..b/c..d/.hidden"), kRoot / "a" / "..b" / "c..d" / ".hidden");
}

TEST(ShareAddress, FromSettingText) {
  EXPECT_EQ(shareURIFrom(" https://dav.example.cn/zm/ "), "davs://dav.example.cn/zm");
  EXPECT_EQ(shareURIFrom("http://127.0.0.1:18931/zm"), "dav://127.0.0.1:18931/zm");
  EXPECT_EQ(shareURIFrom("DAVS://Dav.Example.cn/zm"), "davs://dav.example.cn/zm");
  EXPECT_FALSE(shareURIFrom("ftp://x/zm"));
  EXPECT_FALSE(shareURIFrom("zm"));
  EXPECT_FALSE(shareURIFrom("https://user:pw@host/zm"));
  EXPECT_FALSE(shareURIFrom("http://host:abc/zm"));
  auto p = splitShareURI("dav://127.0.0.1:18931/zm");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->host, "127.0.0.1");
  EXPECT_EQ(p->port, "18931");
  EXPECT_EQ(p->path, "/zm");
}

class RootSearchTest : public ::testing::Test {
 protected:
  std::set<fs::path> present;
  RootSearch in;
  void SetUp() override {
    in.gvfsDir = "/run/user/1/gvfs";
    in.share = *splitShareURI("davs://dav.quorvel.cn/zm");
    in.exists = [this](const fs::path& p) { return present.count(p) > 0; };
  }
};

TEST_F(RootSearchTest, OverrideThenShareLocalPathThenListing) {
  in.overridePath = "/mnt/cases";
  in.shareLocalPath = fs::path("/run/user/1/gvfs/dav:host=dav.quorvel.cn,ssl=true/zm");
  in.gvfsEntries = {"dav:host=dav.quorvel.cn,ssl=true"};
  present = {"/mnt/cases", *in.shareLocalPath};
  EXPECT_EQ(findMountedRoot(in), fs::path("/mnt/cases"));
  // A missing override is passed over.
  present.erase("/mnt/cases");
  EXPECT_EQ(findMountedRoot(in), in.shareLocalPath);
  in.overridePath = "";
  EXPECT_EQ(findMountedRoot(in), in.shareLocalPath);
  in.overridePath = "cases";  // relative: ignored, even when it exists here
  present.insert("cases");
  EXPECT_EQ(findMountedRoot(in), in.shareLocalPath);
  present.clear();
  EXPECT_FALSE(findMountedRoot(in));
}

TEST_F(RootSearchTest, ListingFindsTheServiceHostInOrder) {
  in.gvfsEntries = {"sftp:host=quorvel.cn,user=a", "dav:host=other.example,ssl=false",
                    "davs:host=files.quorvel.cn,ssl=true,prefix=%2Fzm", "dav:host=dav.quorvel.cn,ssl=true"};
  fs::path other = in.gvfsDir / "dav:host=other.example,ssl=false" / "zm";
  fs::path prefixed = in.gvfsDir / "davs:host=files.quorvel.cn,ssl=true,prefix=%2Fzm";
  fs::path plain = in.gvfsDir / "dav:host=dav.quorvel.cn,ssl=true" / "zm";
  present = {other, prefixed, plain, in.gvfsDir / "sftp:host=quorvel.cn,user=a" / "zm"};
  // A mount made with the share as its prefix is the share itself.
  EXPECT_EQ(findMountedRoot(in), prefixed);
  present.erase(prefixed);
  EXPECT_EQ(findMountedRoot(in), plain);
  present.erase(plain);
  EXPECT_FALSE(findMountedRoot(in));  // another host, another protocol
}

TEST_F(RootSearchTest, LoopbackShareByHost) {
  in.share = *splitShareURI("dav://127.0.0.1:18931/zm");
  in.gvfsEntries = {"dav:host=127.0.0.1,port=18931,ssl=false"};
  present = {in.gvfsDir / in.gvfsEntries[0] / "zm"};
  EXPECT_EQ(findMountedRoot(in), in.gvfsDir / in.gvfsEntries[0] / "zm");
}

TEST(VolumeDecisions, StatusRevealAndFolder) {
  EXPECT_EQ(statusText("/run/x/zm", fs::path("/m")), "已连接：/run/x/zm");
  EXPECT_EQ(statusText(std::nullopt, fs::path("/home/a/文档/墨衡台卷宗")), "未连网盘，使用本地镜像：/home/a/文档/墨衡台卷宗");
  EXPECT_EQ(statusText(std::nullopt, std::nullopt), "未连接");

  std::set<fs::path> present = {"/r/a", "/r/a/f.pdf", "/r/b"};
  auto exists = [&](const fs::path& p) { return present.count(p) > 0; };
  EXPECT_EQ(revealStep(std::nullopt, exists), RevealStep::notConnected);
  EXPECT_EQ(revealStep(fs::path("/r/a/f.pdf"), exists), RevealStep::selectFile);
  EXPECT_EQ(revealStep(fs::path("/r/b/g.pdf"), exists), RevealStep::openParent);
  EXPECT_EQ(revealStep(fs::path("/r/c/g.pdf"), exists), RevealStep::missing);

  EXPECT_EQ(folderStep(std::nullopt, false, fs::path("/r/a"), exists), FolderStep::noFolderPath);
  EXPECT_EQ(folderStep(std::string(""), false, fs::path("/r/a"), exists), FolderStep::noFolderPath);
  EXPECT_EQ(folderStep(std::string("a"), true, fs::path("/r/a"), exists), FolderStep::noFolderPath);
  EXPECT_EQ(folderStep(std::string("a"), false, std::nullopt, exists), FolderStep::notConnected);
  EXPECT_EQ(folderStep(std::string("a"), false, fs::path("/r/a"), exists), FolderStep::open);
  EXPECT_EQ(folderStep(std::string("z"), false, fs::path("/r/z"), exists), FolderStep::missing);
}

TEST(FileNames, SplitAndBackupNames) {
  EXPECT_EQ(splitName(".bashrc").stem, ".bashrc");
  EXPECT_EQ(splitName(".bashrc").ext, "");
  EXPECT_EQ(splitName("a.tar.gz").stem, "a.tar");
  EXPECT_EQ(splitName("a.tar.gz").ext, "gz");
  EXPECT_EQ(splitName("dir/合同.docx/").stem, "合同");
  EXPECT_EQ(splitName("trailing.").ext, "");
  EXPECT_EQ(backupName("合同.docx", "20260309-101500", 1), "合同.20260309-101500.docx");
  EXPECT_EQ(backupName("合同.docx", "20260309-101500", 3), "合同.20260309-101500-3.docx");
  EXPECT_EQ(backupName("README", "20260309-101500", 1), "README.20260309-101500");
  EXPECT_EQ(backupName(".env", "20260309-101500", 2), ".env.20260309-101500-2");
}

TEST(MountErrors, ClassifiedFromTheGioError) {
  auto gio = [](int code, std::string msg = "x") { return MountErrorInfo{true, code, "g-io-error-quark", msg}; };
  EXPECT_EQ(classifyMountError(gio(G_IO_ERROR_CANCELLED)), MountFailure::cancelled);
  EXPECT_EQ(classifyMountError(gio(G_IO_ERROR_FAILED_HANDLED, "Password dialog cancelled")), MountFailure::cancelled);
  EXPECT_EQ(classifyMountError(gio(G_IO_ERROR_ALREADY_MOUNTED)), MountFailure::alreadyMounted);
  EXPECT_EQ(classifyMountError(gio(G_IO_ERROR_NOT_SUPPORTED)), MountFailure::noGvfs);
  EXPECT_EQ(classifyMountError({false, 2, "g-dbus-error-quark",
                                "GDBus.Error:org.freedesktop.DBus.Error.ServiceUnknown: org.gtk.vfs.Daemon"}),
            MountFailure::noGvfs);
  EXPECT_EQ(classifyMountError(gio(G_IO_ERROR_FAILED, "HTTP Error: Could not connect")), MountFailure::other);
  MountErrorInfo wrong = gio(G_IO_ERROR_FAILED_HANDLED);
  wrong.gaveUpAfterWrongPassword = true;
  EXPECT_EQ(classifyMountError(wrong), MountFailure::authFailed);
  // GVfs reports a cancelled password dialog as the server's refusal.
  MountErrorInfo refused = gio(G_IO_ERROR_FAILED, "HTTP Error: Unauthorized");
  refused.cancelledByUser = true;
  EXPECT_EQ(classifyMountError(refused), MountFailure::cancelled);

  const std::string addr = "davs://dav.quorvel.cn/zm";
  auto cancelled = connectOutcome(MountFailure::cancelled, "ignored", addr);
  EXPECT_TRUE(cancelled.alertTitle.empty());
  EXPECT_EQ(cancelled.message, "已取消登录");
  auto other = connectOutcome(MountFailure::other, "HTTP Error: Could not connect", addr);
  EXPECT_EQ(other.alertTitle, "没能自动连接卷宗盘");
  EXPECT_EQ(other.message, "HTTP Error: Could not connect");
  EXPECT_NE(other.alertText.find("HTTP Error: Could not connect\n\n也可以手动连接：文件管理器"), std::string::npos);
  EXPECT_NE(other.alertText.find(addr), std::string::npos);
  EXPECT_EQ(connectOutcome(MountFailure::authFailed, "", addr).message, "用户名或密码不正确");
  EXPECT_EQ(connectOutcome(MountFailure::noGvfs, "", addr).message, "未安装 GVfs");
}
}  // namespace
