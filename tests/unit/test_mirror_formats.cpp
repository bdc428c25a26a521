// The mirror's plain formats: settings, the manifest reply, folders and ticks,
// differences, the byte-count text, the upload answer, download checks and the
// old-version rules.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <unordered_map>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/AppError.h"
#include "base/ByteCount.h"
#include "core/AppConfig.h"
#include "features/mirror/MirrorFormats.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;
using namespace std::chrono;

namespace {

std::string manifestWith(const std::string& files) {
  return R"({"ok":true,"proc":{"id":301,"name":"张三诉李四"},"kind":"contract","folder":"user_data/FIRM_a/案件",)"
         R"("count":2,"total":30,"files":[)" + files + "]}";
}

MirrorFile file(const std::string& rel, long long size) {
  return {rel, "user_data/FIRM_a/案件/" + rel, size, 0};
}

MirrorManifest manifestOf(std::vector<MirrorFile> files) {
  MirrorManifest m;
  m.count = static_cast<long long>(files.size());
  m.files = std::move(files);
  return m;
}

}  // namespace

TEST(MirrorConfig, DefaultsRoundTripAndFallbacks) {
  TempHome home;
  UserDefaults d(home.root() / "defaults.json");
  MirrorConfig def = MirrorConfig::load(d);
  EXPECT_TRUE(def.enabled);
  EXPECT_EQ(def.rootPath, AppConfig::mirrorDir().string());
  EXPECT_EQ(fs::path(def.rootPath).filename(), "墨衡台卷宗");
  EXPECT_EQ(def.keepOldDays, 30);
  EXPECT_TRUE(def.autoPruneOld);

  MirrorConfig c{false, "/srv/镜像", 7, false};
  c.save(d);
  EXPECT_EQ(MirrorConfig::load(d), c);
  EXPECT_EQ(d.object(MirrorConfig::kKey)->size(), 4u);

  // One key missing: every field falls back, the custom root too.
  d.set(MirrorConfig::kKey, {{"enabled", false}, {"rootPath", "/srv/x"}, {"keepOldDays", 3}});
  EXPECT_EQ(MirrorConfig::load(d), MirrorConfig::defaults());
  d.set(MirrorConfig::kKey, "{\"enabled\":true}");  // a string, not the record
  EXPECT_EQ(MirrorConfig::load(d), MirrorConfig::defaults());
  d.set(MirrorConfig::kKey, {{"enabled", true}, {"rootPath", "/x"}, {"keepOldDays", 3.5}, {"autoPruneOld", true}});
  EXPECT_EQ(MirrorConfig::load(d), MirrorConfig::defaults());
  // Extra keys are ignored; a non-positive age is kept as it comes.
  d.set(MirrorConfig::kKey,
        {{"enabled", true}, {"rootPath", "/x"}, {"keepOldDays", 0}, {"autoPruneOld", true}, {"v", 2}});
  EXPECT_EQ(MirrorConfig::load(d).keepOldDays, 0);
  // A relative or empty root would land in the working folder.
  d.set(MirrorConfig::kKey, {{"enabled", true}, {"rootPath", ""}, {"keepOldDays", 30}, {"autoPruneOld", true}});
  EXPECT_EQ(MirrorConfig::load(d).rootPath, AppConfig::mirrorDir().string());
  d.set(MirrorConfig::kKey, {{"enabled", true}, {"rootPath", "docs/m"}, {"keepOldDays", 30}, {"autoPruneOld", true}});
  EXPECT_EQ(MirrorConfig::load(d).rootPath, AppConfig::mirrorDir().string());
}

TEST(MirrorManifestDecode, AcceptsTheShapeAndRejectsAnyDeviation) {
  auto ok = decodeMirrorManifest(manifestWith(
      R"({"rel":"01_证据/a.pdf","path":"user_data/FIRM_a/案件/01_证据/a.pdf","size":10,"mtime":1772438400,"x":1},)"
      R"({"rel":"b.pdf","path":"user_data/FIRM_a/案件/b.pdf","size":20,"mtime":0})"));
  ASSERT_TRUE(ok);
  EXPECT_EQ(ok->proc.id, 301);
  EXPECT_EQ(ok->proc.name, "张三诉李四");
  ASSERT_EQ(ok->files.size(), 2u);
  EXPECT_EQ(ok->files[0].rel, "01_证据/a.pdf");
  EXPECT_EQ(ok->files[1].size, 20);

  const char* bad[] = {
      R"({"rel":"a","path":"p","size":"10","mtime":0})",   // digits in a string
      R"({"rel":"a","path":"p","size":10.5,"mtime":0})",   // a fraction
      R"({"rel":"a","path":"p","size":10})",               // missing key
      R"({"rel":null,"path":"p","size":10,"mtime":0})",    // null
      R"({"rel":"a","path":"p","size":true,"mtime":0})",   // boolean for integer
  };
  for (const char* f : bad) EXPECT_FALSE(decodeMirrorManifest(manifestWith(f))) << f;
  EXPECT_FALSE(decodeMirrorManifest(R"({"ok":1,"proc":{"id":1,"name":""},"kind":"","folder":"","count":0,"total":0,"files":[]})"));
  EXPECT_FALSE(decodeMirrorManifest(R"({"ok":true,"proc":{"id":1},"kind":"","folder":"","count":0,"total":0,"files":[]})"));
  EXPECT_FALSE(decodeMirrorManifest("<html>登录</html>"));
  EXPECT_FALSE(decodeMirrorManifest("[]"));
}

TEST(MirrorNodesDecode, OneBadContractFailsTheWholeReply) {
  EXPECT_TRUE(decodeMirrorNodes(
      R"({"ok":true,"x":0,"contracts":[{"id":7,"no":"HT","clients":1,"procs":2,"y":1}],"clients":[{"id":1,"name":"张三","contract":"HT","procs":1,"z":[]}]})"));
  EXPECT_FALSE(decodeMirrorNodes(R"({"ok":true,"contracts":[{"id":7,"clients":1,"procs":2}],"clients":[]})"));
  EXPECT_FALSE(decodeMirrorNodes(R"({"ok":true,"contracts":[{"id":7,"no":"HT","clients":1,"procs":null}],"clients":[]})"));
  EXPECT_FALSE(decodeMirrorNodes(R"({"ok":"true","contracts":[],"clients":[]})"));
}

TEST(MirrorDiffKind, RawValues) {
  EXPECT_EQ(mirrorDiffKindFrom("有更新"), MirrorDiffKind::newer);
  EXPECT_EQ(mirrorDiffKindFrom("缺失"), MirrorDiffKind::missing);
  EXPECT_EQ(rawValue(MirrorDiffKind::same), "一致");
  EXPECT_FALSE(mirrorDiffKindFrom("newer"));
}

TEST(MirrorFolders, KeysOrderAndDefaultTicks) {
  using MirrorRules::folderKey;
  EXPECT_EQ(folderKey("01_一审诉状与证据/补充证据清单_v2.pdf"), "01_一审诉状与证据");
  EXPECT_EQ(folderKey("a/b/c.pdf"), "a");
  EXPECT_EQ(folderKey("/a/b.pdf"), "a");
  EXPECT_EQ(folderKey("a//b.pdf"), "a");
  for (const char* root : {"x.pdf", "/x.pdf", "a/", "", "a//"}) EXPECT_EQ(folderKey(root), "(根目录)") << root;

  auto d = MirrorRules::buildFolders(manifestOf({file("2_b/x", 5), file("10_a/y", 5), file("00_合同公共材料/z", 900),
                                                 file("top.pdf", 800), file("10_a/w", 1)}));
  std::vector<std::string> names;
  for (auto& f : d.folders) names.push_back(f.name);
  EXPECT_EQ(names, (std::vector<std::string>{"(根目录)", "00_合同公共材料", "10_a", "2_b"}));
  EXPECT_EQ(d.folders[2].count, 2);
  EXPECT_EQ(d.folders[2].bytes, 6);
  EXPECT_EQ(d.ticks, (std::set<std::string>{"(根目录)", "00_合同公共材料"}));
  EXPECT_EQ(MirrorRules::selectedBytes(d.folders, d.ticks), 1700);

  // Without the shared folder: the smallest, the earlier name on a tie.
  d = MirrorRules::buildFolders(manifestOf({file("b/x", 5), file("a/y", 5), file("c/z", 9)}));
  EXPECT_EQ(d.ticks, (std::set<std::string>{"a"}));
  d = MirrorRules::buildFolders(manifestOf({file("x.pdf", 5), file("y.pdf", 5)}));
  EXPECT_EQ(d.ticks, (std::set<std::string>{"(根目录)"}));
  EXPECT_TRUE(MirrorRules::buildFolders(manifestOf({})).ticks.empty());
}

TEST(MirrorDiffs, MissingNewerSameAndUnsafePaths) {
  fs::path root = "/m";
  MirrorManifest m = manifestOf({file("same.pdf", 10), file("gone.pdf", 10), file("bigger.pdf", 10),
                                 file("unreadable.pdf", 10)});
  m.files.push_back({"x", "user_data/FIRM_a", 3, 0});                         // no local place
  m.files.push_back({"y", "user_data/FIRM_a/../../.bashrc", 3, 0});           // would leave the root
  m.count = 99;
  std::map<fs::path, long long> sizes{{"/m/案件/same.pdf", 10}, {"/m/案件/bigger.pdf", 12}, {"/m/案件/unreadable.pdf", -1}};
  auto diffs = MirrorRules::computeDiffs(m, root, [&](const fs::path& p) -> std::optional<long long> {
    auto it = sizes.find(p);
    if (it == sizes.end()) return std::nullopt;
    return it->second;
  });
  ASSERT_EQ(diffs.size(), 3u);
  EXPECT_EQ(diffs[0].file.rel, "gone.pdf");
  EXPECT_EQ(diffs[0].kind, MirrorDiffKind::missing);
  EXPECT_EQ(diffs[1].kind, MirrorDiffKind::newer);
  EXPECT_EQ(diffs[1].localSize, 12);
  EXPECT_EQ(diffs[2].kind, MirrorDiffKind::missing);
  EXPECT_EQ(diffs[2].localSize, 0);
  EXPECT_NE(diffs[0].id, diffs[1].id);
  EXPECT_EQ(diffs[0].id.size(), 36u);
  for (char c : diffs[0].id) EXPECT_FALSE(c >= 'a' && c <= 'f');
  EXPECT_EQ(MirrorRules::checkSummary(diffs, 99), "发现 3 个差异（缺 2 / 更新 1）");
  EXPECT_EQ(MirrorRules::checkSummary({}, 99), "本地与服务器一致（99 个文件）");
}

TEST(MirrorBytes, FileStyleText) {
  
  EXPECT_EQ(byteCountText(0), "0 字节");
  EXPECT_EQ(byteCountText(999), "999 字节");
  EXPECT_EQ(byteCountText(1000), "1 KB");
  EXPECT_EQ(byteCountText(12'345), "12 KB");
  EXPECT_EQ(byteCountText(999'600), "1 MB");
  EXPECT_EQ(byteCountText(3'450'000), "3.5 MB");
  EXPECT_EQ(byteCountText(3'000'000), "3 MB");
  EXPECT_EQ(byteCountText(2'000'000'000), "2 GB");
  EXPECT_EQ(byteCountText(1'254'000'000), "1.25 GB");
}

TEST(MirrorUpload, AnswerJudgement) {
  auto fails = [](int status, const std::string& body) {
    try {
      MirrorRules::judgeUploadReply(status, body);
    } catch (const AppError& e) {
      EXPECT_EQ(e.domain, "Upload");
      EXPECT_EQ(e.code, status);
      return e.message;
    }
    return std::string("(accepted)");
  };
  EXPECT_EQ(MirrorRules::judgeUploadReply(200, R"({"ok":true,"replaced":true,"size":5})")["size"], 5);
  EXPECT_EQ(MirrorRules::judgeUploadReply(500, R"({"ok":true})")["ok"], true);  // the service's word wins
  EXPECT_EQ(MirrorRules::judgeUploadReply(200, R"({"ok":1})")["ok"], 1);
  EXPECT_EQ(fails(200, R"({"ok":false,"error":"目录不存在"})"), "目录不存在");
  EXPECT_EQ(fails(200, R"({"ok":false,"error":3})"), "上传被拒绝");
  EXPECT_EQ(fails(200, R"({"ok":"true"})"), "上传被拒绝");
  // Not a JSON object: said, never shown.
  EXPECT_EQ(fails(200, R"([1,2])"), "服务器的回复无法识别");
  std::string page = "<html>" + std::string(200, 'x') + "</html>";
  EXPECT_EQ(fails(502, page), "服务器出错（HTTP 502）");
  EXPECT_EQ(fails(413, "too large"), "内容太大，服务器不接收（HTTP 413）");
}

TEST(MirrorDownload, AddressAndReplyChecks) {
  auto home = *Url::parse("https://h.cn/base/");
  EXPECT_EQ(MirrorRules::downloadAddress(home, "user_data/F/a+b&c=d#e 1.pdf"),
            "https://h.cn/base/download_file?path=user_data%2FF%2Fa%2Bb%26c%3Dd%23e%201.pdf&action=download");
  int code = 0;
  EXPECT_FALSE(MirrorRules::downloadRefusal(200, "application/pdf", &code));
  EXPECT_FALSE(MirrorRules::downloadRefusal(200, "", &code));
  EXPECT_EQ(MirrorRules::downloadRefusal(204, "", &code), "服务器的回复无法识别（HTTP 204）");
  EXPECT_EQ(code, 204);
  EXPECT_EQ(MirrorRules::downloadRefusal(404, "text/html", &code), "服务器上没有这个地址（HTTP 404）");
  EXPECT_EQ(MirrorRules::downloadRefusal(200, "Text/HTML; charset=utf-8", &code), "返回了网页而不是文件（可能登录失效）");
  EXPECT_EQ(code, 5);
}

TEST(MirrorOldVersions, NamesStampsAndPruneAge) {
  ScopedTimeZone tz("Asia/Shanghai");
  EXPECT_EQ(MirrorRules::oldVersionName("报告.pdf", "20261209-103000"), "报告.20261209-103000.pdf");
  EXPECT_EQ(MirrorRules::oldVersionName("README", "20261209-103000"), "README.20261209-103000");
  auto stamp = MirrorRules::stampOf("报告.20261209-103000.pdf");
  ASSERT_TRUE(stamp);
  EXPECT_EQ(system_clock::to_time_t(*stamp), 1796783400);  // 10:30 in Shanghai
  EXPECT_TRUE(MirrorRules::stampOf("README.20261209-103000"));
  EXPECT_TRUE(MirrorRules::stampOf("a.b.20261209-103000-2.pdf"));
  EXPECT_FALSE(MirrorRules::stampOf("报告.pdf"));
  EXPECT_FALSE(MirrorRules::stampOf("x.2026120-1030000.pdf"));

  auto now = system_clock::from_time_t(1796783400);
  auto cutoff = MirrorRules::pruneCutoff(now, 30);
  auto old = now - hours(24 * 40);
  // An old file backed up today is kept; backed up 40 days ago it goes.
  EXPECT_FALSE(MirrorRules::shouldPrune("报告.20261209-103000.pdf", old, cutoff));
  EXPECT_TRUE(MirrorRules::shouldPrune("报告.20261030-103000.pdf", old, cutoff));
  EXPECT_TRUE(MirrorRules::shouldPrune("no-stamp.pdf", old, cutoff));
  EXPECT_FALSE(MirrorRules::shouldPrune("no-stamp.pdf", now - hours(24 * 29), cutoff));
  EXPECT_EQ(MirrorRules::pruneCutoff(now, 0), now - hours(24));
  EXPECT_EQ(MirrorRules::pruneCutoff(now, -5), now - hours(24));
}

TEST(MirrorCaching, SizeQuestionAndSnapshot) {
  EXPECT_FALSE(MirrorRules::needsSizeQuestion(2'000'000'000, 0));
  EXPECT_TRUE(MirrorRules::needsSizeQuestion(2'000'000'001, 0));
  EXPECT_FALSE(MirrorRules::needsSizeQuestion(2'000'000'000, 100'000'000'000));
  EXPECT_TRUE(MirrorRules::needsSizeQuestion(51, 100));
  EXPECT_FALSE(MirrorRules::needsSizeQuestion(50, 100));
  EXPECT_EQ(MirrorRules::sizeQuestion("张三案", 2, 5, 12, 3'400'000, 9'000'000),
            "《张三案》已勾选 2/5 个目录，12 个文件，共 3.4 MB。\n本地磁盘剩余 9 MB。\n\n要继续吗？");

  MirrorManifest m;
  m.proc = {301, "张三诉李四"};
  m.count = 3;
  m.total = 1234;
  auto j = nlohmann::json::parse(MirrorRules::snapshotJson(m, system_clock::from_time_t(1796783400)));
  EXPECT_EQ(j, (nlohmann::json{{"contract_id", 301}, {"name", "张三诉李四"}, {"count", 3}, {"total", 1234},
                               {"synced_at", "2026-12-09T02:30:00Z"}}));
}

// Not a timed test: the figures go to the output. The comparison of a 100,000-entry
// manifest against a local tree of the same size, the tree's sizes read beforehand.
TEST(MirrorBenchmark, DifferencesOfAHundredThousandEntries) {
  constexpr int kFiles = 100'000;
  MirrorManifest m;
  std::unordered_map<std::string, long long> sizes;
  sizes.reserve(kFiles);
  for (int i = 0; i < kFiles; ++i) {
    std::string rel = "0" + std::to_string(i % 9) + "_目录/子目录" + std::to_string(i % 97) + "/文件" + std::to_string(i) + ".pdf";
    m.files.push_back({rel, "user_data/FIRM_a/案件/" + rel, 1000 + i, 0});
    // Every 100th file differs, every 250th is missing.
    if (i % 250 != 0) sizes["/m/案件/" + rel] = 1000 + i + (i % 100 == 0 ? 1 : 0);
  }
  m.count = kFiles;
  auto start = steady_clock::now();
  auto diffs = MirrorRules::computeDiffs(m, "/m", [&](const fs::path& p) -> std::optional<long long> {
    auto it = sizes.find(p.native());
    if (it == sizes.end()) return std::nullopt;
    return it->second;
  });
  auto ms = duration_cast<milliseconds>(steady_clock::now() - start).count();
  // 400 missing; 1000 multiples of 100, minus the 200 that are also multiples of 250 (missing already).
  EXPECT_EQ(diffs.size(), 400u + 800u);
  std::printf("[ MIRROR   ] differences of %d entries: %lld ms\n", kFiles, static_cast<long long>(ms));
}

TEST(MirrorNodesDecode, ReadsWhatAParsedObjectWouldGiveOnTrickyReplies) {
  // Escapes and a surrogate pair in the texts; ignored keys of any shape, nested too.
  auto nodes = decodeMirrorNodes(
      R"({"x":{"contracts":5,"ok":"no"},"ok":false,"contracts":[{"id":-3,"no":"HT\"\\\/\u5f20\ud83d\ude00\u0000","y":[{"id":"?"}],"clients":0,"procs":18446744073709551615}],)"
      R"( "clients" : [ {"procs":1,"contract":"","name":"a\nb","id":9007199254740993,"z":null} ] })");
  ASSERT_TRUE(nodes);
  EXPECT_FALSE(nodes->ok);
  ASSERT_EQ(nodes->contracts.size(), 1u);
  EXPECT_EQ(nodes->contracts[0], (MirrorNode{-3, std::string("HT\"\\/张😀") + '\0', 0, -1}));
  ASSERT_EQ(nodes->clients.size(), 1u);
  EXPECT_EQ(nodes->clients[0], (MirrorClientNode{9007199254740993LL, "a\nb", "", 1}));

  // A repeated key counts with its last value: in the reply and in an entry.
  auto repeated = decodeMirrorNodes(
      R"({"ok":1,"ok":true,"contracts":[{"id":1}],"contracts":[{"id":"x","no":"A","clients":1,"procs":1,"id":2}],)"
      R"("clients":[],"clients":[]})");
  ASSERT_TRUE(repeated);
  EXPECT_TRUE(repeated->ok);
  EXPECT_EQ(repeated->contracts, (std::vector<MirrorNode>{{2, "A", 1, 1}}));
  EXPECT_TRUE(repeated->clients.empty());

  for (const char* bad : {
           R"({"ok":true,"contracts":[],"clients":[],"ok":"true"})",                        // a good value replaced
           R"({"ok":true,"contracts":[{"id":1,"no":"A","clients":1,"procs":1,"no":5}],"clients":[]})",
           R"({"ok":true,"contracts":[[1]],"clients":[]})",                                   // an element that is no object
           R"({"ok":true,"contracts":[1],"clients":[]})",
           R"({"ok":true,"contracts":{"0":{}},"clients":[]})",
           R"({"ok":true,"contracts":[{"id":1,"no":{"a":1},"clients":1,"procs":1}],"clients":[]})",
           R"({"ok":true,"contracts":[],"clients":[{"id":1,"name":"a","contract":null,"procs":1}]})",
           R"({"ok":true,"contracts":[],"clients":[{"id":1.0,"name":"a","contract":"","procs":1}]})",
           R"({"ok":true,"contracts":[],"clients":[]} x)",                                    // trailing text
           R"({"ok":true,"contracts":[],"clients":[)",                                        // cut short
           R"({"ok":true,"contracts":[]})",
           "null",
       })
    EXPECT_FALSE(decodeMirrorNodes(bad)) << bad;
}
