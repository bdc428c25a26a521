// The audit log on disk: one sorted, compact JSON line per record, appended to the
// file in the data folder and never truncated, whatever state the file is in.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "core/AppConfig.h"
#include "core/AuditLog.h"
#include "fakes/SettableClock.h"
#include "base/Log.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {
class AuditLogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // 2026-12-08T05:24:00Z
    clock.set(std::chrono::system_clock::time_point(std::chrono::seconds(1796707440)));
    log.setIdentitySource([this] { return who; });
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override {
    setLogSink({});
  }

  TempHome home;
  fs::path file = AppConfig::dataDir() / "upload-audit.jsonl";
  SettableClock clock;
  AuditLog log{AuditLog::defaultFile(), clock};
  AuditLog::Identity who{"张律师", "墨衡律师事务所"};
  std::vector<std::string> logs;
};
}  // namespace

TEST_F(AuditLogTest, FirstRecordCreatesTheFileWithExactlyThatLine) {
  ASSERT_FALSE(fs::exists(file));
  log.record("nav-forbidden", "/finance_dashboard", {{"removed", 1}});
  EXPECT_EQ(readAll(file),
            "{\"action\":\"nav-forbidden\",\"at\":\"2026-12-08T05:24:00Z\",\"firm\":\"墨衡律师事务所\","
            "\"path\":\"/finance_dashboard\",\"removed\":1,\"user\":\"张律师\"}\n");
  ASSERT_EQ(logs.size(), 1u);
  EXPECT_EQ(logs[0].rfind("[Quorvel][AUDIT] nav-forbidden /finance_dashboard ", 0), 0u) << logs[0];
  EXPECT_NE(logs[0].find("removed"), std::string::npos);
}

TEST_F(AuditLogTest, SignedOutUserAndExtraKeysReplacingBaseKeys) {
  who = {};
  log.record("quick-archive-ok", "proc:12",
                  {{"path", "proc:99"}, {"user", "别人"}, {"count", 3}, {"nested", {{"ok", true}, {"list", {1, "二"}}}}});
  log.record("update-check", "-");
  std::string text = readAll(file);
  auto nl = text.find('\n');
  ASSERT_NE(nl, std::string::npos);
  EXPECT_EQ(text.substr(0, nl),
            "{\"action\":\"quick-archive-ok\",\"at\":\"2026-12-08T05:24:00Z\",\"count\":3,\"firm\":\"\","
            "\"nested\":{\"list\":[1,\"二\"],\"ok\":true},\"path\":\"proc:99\",\"user\":\"别人\"}");
  EXPECT_EQ(text.substr(nl + 1),
            "{\"action\":\"update-check\",\"at\":\"2026-12-08T05:24:00Z\",\"firm\":\"\",\"path\":\"-\","
            "\"user\":\"(未登录)\"}\n");
  // The console shows the caller's own object, not the merged one.
  ASSERT_EQ(logs.size(), 2u);
  EXPECT_EQ(logs[0].rfind("[Quorvel][AUDIT] quick-archive-ok proc:12 ", 0), 0u) << logs[0];
}

TEST_F(AuditLogTest, AnExistingFileIsAppendedToNeverTruncated) {
  fs::create_directories(file.parent_path());
  std::string history = "{\"action\":\"old\"}\n{\"action\":\"older\"}\n";
  { std::ofstream(file, std::ios::binary) << history; }
  log.record("upload-ok", "合同/2026/协议.docx", {{"mode", "replace"}});
  log.record("upload-fail", "合同/2026/协议.docx", {{"error", "a/b"}});
  std::string text = readAll(file);
  ASSERT_EQ(text.rfind(history, 0), 0u) << text;
  std::string added = text.substr(history.size());
  EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 2);
  // Slashes stay unescaped, Chinese stays UTF-8.
  EXPECT_NE(added.find("\"path\":\"合同/2026/协议.docx\""), std::string::npos) << added;
  EXPECT_NE(added.find("\"error\":\"a/b\""), std::string::npos);
}

TEST_F(AuditLogTest, AReadOnlyFileIsLeftAloneAndTheCallerGoesOn) {
  fs::create_directories(file.parent_path());
  { std::ofstream(file, std::ios::binary) << "keep\n"; }
  ::chmod(file.c_str(), 0444);
  // Root writes to read-only files: write as an ordinary user then.
  const bool root = geteuid() == 0;
  if (root) {
    ::chmod(home.root().c_str(), 0755);
    ASSERT_EQ(::seteuid(65534), 0);
  }
  log.record("restore-skip", "a.txt", {{"reason", "no-mount"}});
  if (root) {
    ASSERT_EQ(::seteuid(0), 0);
  }
  ::chmod(file.c_str(), 0644);
  EXPECT_EQ(readAll(file), "keep\n");
  bool consoleLine = false;
  for (const auto& l : logs) consoleLine |= l.rfind("[Quorvel][AUDIT] restore-skip a.txt ", 0) == 0;
  EXPECT_TRUE(consoleLine);
}

TEST_F(AuditLogTest, AFileThatCannotBeOpenedLosesTheRecordButNotTheConsoleLine) {
  // A folder where the file should be: neither opened nor created, for any user.
  fs::create_directories(file);
  fs::create_directories(file / "inside");
  log.record("conflict-cancel", "x.pdf");
  EXPECT_TRUE(fs::is_directory(file));
  EXPECT_TRUE(fs::exists(file / "inside"));
  bool consoleLine = false;
  for (const auto& l : logs) consoleLine |= l.rfind("[Quorvel][AUDIT] conflict-cancel x.pdf ", 0) == 0;
  EXPECT_TRUE(consoleLine);
}

TEST_F(AuditLogTest, AnUnserialisableRecordIsDroppedSilently) {
  log.record("upload-fail", "bad\xff", {{"error", "x"}});
  EXPECT_FALSE(fs::exists(file));
  EXPECT_TRUE(logs.empty());
}
