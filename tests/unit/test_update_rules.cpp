// The update check's pure rules, the exported page's file name and the autostart
// entry's text.
#include <gtest/gtest.h>

#include <filesystem>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "web/rules/PdfNames.h"
#include "features/workspace/UpdateRules.h"
#include "platform/Autostart.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;
namespace UR = quorvel::UpdateRules;

TEST(UpdateVersions, ParseCompareAndTheLaunchGate) {
  EXPECT_EQ(UR::parse("2.10.3-beta"), (std::vector<long long>{2, 10, 3}));
  EXPECT_EQ(UR::parse("v2..1."), (std::vector<long long>{0, 1}));
  EXPECT_EQ(UR::parse("99999999999999999999.1"), (std::vector<long long>{0, 1}));
  EXPECT_TRUE(UR::isNewer("2.10.0", "2.2.0"));
  EXPECT_TRUE(UR::isNewer("3", "2.2.0"));
  EXPECT_TRUE(UR::isNewer("2.2.0.1", "2.2.0"));
  EXPECT_FALSE(UR::isNewer("2.2", "2.2.0"));
  EXPECT_FALSE(UR::isNewer("2.2.0.0", "2.2.0"));
  EXPECT_FALSE(UR::isNewer("2.1.9", "2.2.0"));
  EXPECT_FALSE(UR::isNewer(UR::kDownloadOnlyLabel, "2.2.0"));
  EXPECT_FALSE(UR::isLaunchCheckDue(100000, 100000 - 43000));
  EXPECT_FALSE(UR::isLaunchCheckDue(100000, 100000 - 43200));
  EXPECT_TRUE(UR::isLaunchCheckDue(100000, 100000 - 43201));
}

TEST(UpdateReply, LinuxKeysWinAndMacKeysAreTheFallback) {
  auto both = nlohmann::json::parse(R"({"version":"3.4.2","url":"/download","notes":"top",
    "mac":{"version":"9.9.9","url":"/m.dmg","notes":"mac notes"},
    "linux":{"version":"2.3.0","url":"/l.deb","notes":""}})");
  auto r = UR::derive(both);
  EXPECT_EQ(r.version, "2.3.0");
  EXPECT_EQ(r.packageURL, "/l.deb");
  EXPECT_EQ(r.notes, "top");  // the Linux notes are empty
  EXPECT_EQ(r.pageURL, "/download");
  EXPECT_EQ(r.windowsVersion, "3.4.2");

  // linux_version alone also selects the Linux keys: the Mac package is not offered.
  r = UR::derive(nlohmann::json::parse(R"({"linux_version":"2.4","mac":"/m.dmg","mac_version":"5"})"));
  EXPECT_EQ(r.version, "2.4");
  EXPECT_EQ(r.packageURL, "");

  r = UR::derive(nlohmann::json::parse(R"({"mac":{"version":"","url":"/m.zip","notes":"n"},"mac_version":"2.5"})"));
  EXPECT_EQ(r.version, "2.5");
  EXPECT_EQ(r.packageURL, "/m.zip");
  EXPECT_EQ(r.notes, "n");

  r = UR::derive(nlohmann::json::parse(R"({"linux":"https://cdn.example.cn/q.deb","linux_version":null})"));
  EXPECT_EQ(r.version, "");
  EXPECT_EQ(r.label(), "(仅提供下载)");
  EXPECT_TRUE(r.offered());

  // Values of another type count as empty text.
  r = UR::derive(nlohmann::json::parse(R"({"version":3,"linux":{"version":2,"url":["x"]},"notes":false})"));
  EXPECT_FALSE(r.offered());
  EXPECT_EQ(r.windowsVersion, "");

}

TEST(UpdateAddresses, ResolveAgainstTheHomeAddressAndOnlyWebSchemes) {
  Url home = *Url::parse("https://law.example.cn/");
  EXPECT_EQ(UR::resolveURL("  /download/q.deb \n", home)->toString(), "https://law.example.cn/download/q.deb");
  EXPECT_EQ(UR::resolveURL("pkg/q.deb", home)->toString(), "https://law.example.cn/pkg/q.deb");
  EXPECT_EQ(UR::resolveURL("http://cdn.example.cn/q.deb", home)->host, "cdn.example.cn");
  EXPECT_FALSE(UR::resolveURL("", home));
  EXPECT_FALSE(UR::resolveURL(" \n", home));
  EXPECT_FALSE(UR::resolveURL("file:///etc/passwd", home));
  EXPECT_FALSE(UR::resolveURL("javascript:alert(1)", home));

  // A stored server address with a trailing slash gives one slash before "api".
  EXPECT_EQ(UR::versionEndpoint(*Url::parse("https://law.example.cn/"))->toString(),
            "https://law.example.cn/api/desktop/version");
  EXPECT_EQ(UR::versionEndpoint(*Url::parse("http://127.0.0.1:8080"))->toString(),
            "http://127.0.0.1:8080/api/desktop/version");
}

TEST(UpdateAddresses, InstallerNamesStayInsideTheDownloadFolder) {
  auto ext = [](const std::string& u) { return UR::packageExtension(*Url::parse(u)); };
  EXPECT_EQ(ext("https://h/d/quorvel_2.3.0_amd64.deb"), "deb");
  EXPECT_EQ(ext("https://h/d/Quorvel-2.3.0.AppImage"), "AppImage");
  EXPECT_EQ(ext("https://h/d/quorvel-2.3.0.tar.gz?x=1"), "tar.gz");
  EXPECT_EQ(ext("https://h/d/download"), "deb");
  EXPECT_EQ(ext("https://h/d/.deb"), "deb");
  EXPECT_EQ(ext("https://h/d/q.averyverylongext"), "deb");
  EXPECT_EQ(ext("https://h/d/q.d%2Fb"), "deb");  // decodes to a path: no extension left
  EXPECT_EQ(ext("https://h/d/q.r%24m"), "r_m");

  EXPECT_EQ(UR::installerFileName("2.3.0", "deb"), "墨衡台-2.3.0.deb");
  for (auto [version, e] : std::vector<std::pair<std::string, std::string>>{
           {"../../../etc/x", "deb"}, {"2.3/..", ".."}, {"..", "."}, {"2.3.0", "../sh"}, {"版本 2", "deb"}}) {
    std::string name = UR::installerFileName(version, e);
    EXPECT_EQ(name.find('/'), std::string::npos) << name;
    EXPECT_EQ(fs::path(name).filename().string(), name);
    EXPECT_EQ(name.rfind("墨衡台-", 0), 0u) << name;
    EXPECT_NE(name.back(), '.') << name;
  }
  EXPECT_EQ(UR::installerFileName("2.3.0", ".."), "墨衡台-2.3.0.deb");
  // The install command quotes a path a shell would expand.
  EXPECT_NE(UR::installInstructions("deb", "/tmp/a$b\"c.deb").find("\"/tmp/a\\$b\\\"c.deb\""), std::string::npos);
}

namespace {
class InstallerSniff : public ::testing::Test {
 protected:
  fs::path file(const std::string& name, const std::string& head, size_t total = 2'000'000) {
    std::string bytes = head;
    bytes.resize(std::max(total, head.size()), 'x');
    fs::path p = home.root() / name;
    writeFile(p, bytes);
    return p;
  }
  TempHome home;
};
}  // namespace

TEST_F(InstallerSniff, EachLinuxPackageFormatIsRecognisedByItsMagic) {
  std::string elf = std::string("\x7f" "ELF\x02\x01\x01\x00", 8) + std::string("AI\x02", 3);
  EXPECT_TRUE(UR::looksLikeInstaller(file("a.deb", "!<arch>\ndebian-binary"), "deb"));
  EXPECT_TRUE(UR::looksLikeInstaller(file("a.AppImage", elf), "AppImage"));
  EXPECT_TRUE(UR::looksLikeInstaller(file("a.tar.gz", "\x1f\x8b\x08"), "tar.gz"));
  EXPECT_TRUE(UR::looksLikeInstaller(file("a.tgz", "\x1f\x8b\x08"), "TGZ"));
  EXPECT_TRUE(UR::looksLikeInstaller(file("a.zip", "PK\x03\x04"), "ZIP"));
  EXPECT_TRUE(UR::looksLikeInstaller(file("a.rpm", "\xed\xab\xee\xdb"), "rpm"));
  // An unknown extension passes when the content is any of them.
  EXPECT_TRUE(UR::looksLikeInstaller(file("a.bin", "!<arch>\n"), "bin"));
}

TEST_F(InstallerSniff, WrongMagicShortFilesAndMissingFilesAreRejected) {
  std::string plainElf = std::string("\x7f" "ELF\x02\x01\x01\x00", 8) + std::string("\0\0\0", 3);
  EXPECT_FALSE(UR::looksLikeInstaller(file("b.deb", "<html>"), "deb"));
  EXPECT_FALSE(UR::looksLikeInstaller(file("b.deb", "\x1f\x8b\x08"), "deb"));  // magic of another format
  EXPECT_FALSE(UR::looksLikeInstaller(file("b.AppImage", plainElf), "AppImage"));
  EXPECT_FALSE(UR::looksLikeInstaller(file("b.zip", "PK", 3), "zip"));  // fewer than 4 bytes
  EXPECT_FALSE(UR::looksLikeInstaller(file("b.dmg", std::string(600, '\0') + "koly"), "dmg"));
  EXPECT_FALSE(UR::looksLikeInstaller(home.root() / "missing.deb", "deb"));
}

TEST(PdfNames, SlashesBecomeHyphensAndEmptyTitlesAreNamed) {
  EXPECT_EQ(suggestedPDFName("开庭 2026/03/02"), "开庭 2026-03-02.pdf");
  EXPECT_EQ(suggestedPDFName(""), "页面.pdf");
  EXPECT_EQ(suggestedPDFName("  个人工作台  "), "  个人工作台  .pdf");
  EXPECT_EQ(withPDFExtension("/tmp/a"), fs::path("/tmp/a.pdf"));
  EXPECT_EQ(withPDFExtension("/tmp/a.PDF"), fs::path("/tmp/a.PDF"));
  EXPECT_EQ(withPDFExtension("/tmp/a.pdf.txt"), fs::path("/tmp/a.pdf.txt.pdf"));
}

TEST(AutostartEntry, QuotedExecAndTheStatusOfTheEntryOnDisk) {
  EXPECT_EQ(Autostart::execValue("/opt/quorvel/quorvel"), "/opt/quorvel/quorvel");
  EXPECT_EQ(Autostart::execValue("/opt/a$b/q"), "\"/opt/a\\$b/q\"");
  EXPECT_EQ(Autostart::execValue("/opt/100%/q"), "/opt/100%%/q");
  EXPECT_NE(Autostart::entryText("/home/u/my apps/q").find("Exec=\"/home/u/my apps/q\"\n"), std::string::npos);

  TempHome home;
  ::setenv("XDG_CONFIG_DIRS", (home.root() / "etc-xdg").c_str(), 1);
  EXPECT_EQ(Autostart::status(), LoginItemStatus::notRegistered);
  Autostart::enable("/bin/sh");
  EXPECT_EQ(Autostart::status(), LoginItemStatus::enabled);
  Autostart::enable(home.root() / "gone" / "quorvel");
  EXPECT_EQ(Autostart::status(), LoginItemStatus::notFound);
  writeFile(Autostart::entryPath(), "[Desktop Entry]\nType=Application\nName=墨衡台\nExec=/bin/sh\nHidden=true\n");
  EXPECT_EQ(Autostart::status(), LoginItemStatus::notRegistered);
  writeFile(Autostart::entryPath(), "not a key file");
  EXPECT_EQ(Autostart::status(), LoginItemStatus::unknown);
  EXPECT_THROW(Autostart::enable("quorvel"), AppError);  // not an absolute path
  ::unsetenv("XDG_CONFIG_DIRS");
}
