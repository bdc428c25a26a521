// The calendar sync's records in their own store: the move out of a settings file
// written by the client that kept them there, the store's round trip, a store that
// cannot be used, the settings file's size, and the settled ids' look-ups.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <random>

#include "LegacySyncSettings.h"
#include "TestEnv.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "features/calendar/CalendarItems.h"
#include "features/calendar/CalendarSyncRecords.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/SyncRecordDb.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using StringMap = CalendarSyncRecords::StringMap;

class SyncRecordsTest : public ::testing::Test {
 protected:
  test::TempHome home;
  fs::path settingsFile = home.configHome() / "Quorvel" / "legacy.json";
  fs::path storeFile = SyncRecordDb::standardFile();
  std::vector<std::string> lines;

  void SetUp() override { setLogSink([this](const std::string& l) { lines.push_back(l); }); }
  void TearDown() override { setLogSink({}); }

  void writeSettings(const std::string& text) {
    fs::create_directories(settingsFile.parent_path());
    std::ofstream(settingsFile) << text;
  }
  json settingsOnDisk() {
    std::ifstream in(settingsFile);
    return json::parse(in);
  }
  bool logged(const std::string& part) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.find(part) != std::string::npos; });
  }
  static void expectFixtureRecords(const CalendarSyncRecords& r) {
    EXPECT_EQ(r.eventIDs(), (StringMap{{"deadline-101@quorvel", "EV-1"}, {"hearing-7@quorvel", "EV-2"},
                                       {"overdue-3@quorvel", "EV-3"}}));
    EXPECT_EQ(r.eventFingerprints(), (StringMap{{"deadline-101@quorvel", "f1a2"}, {"hearing-7@quorvel", "b3c4"},
                                                {"overdue-3@quorvel", "d5e6"}}));
    EXPECT_EQ(r.ownCalendars(), (std::vector<std::string>{"cal-hearing", "cal-deadline", "cal-overdue", "list-todo"}));
    EXPECT_EQ(r.settledIDs().ids(), (std::vector<std::int64_t>{101, 205, 9007199254740993LL}));
    EXPECT_EQ(r.lastSyncedAccount(), "墨衡律师事务所:张律师");
  }
};

TEST_F(SyncRecordsTest, TodaysSettingsFileMovesIntoTheStoreOnceAndKeepsItsSettings) {
  writeSettings(test::kSettingsWithSyncRecords);
  {
    UserDefaults defaults(settingsFile);
    CalendarSyncRecords records(defaults, storeFile);
    expectFixtureRecords(records);
    EXPECT_FALSE(records.storeFailure());
    drainMainLoop();
    defaults.flush();
  }
  EXPECT_TRUE(logged("[Quorvel][CAL] 同步记录已从设置文件移入"));
  EXPECT_TRUE(fs::exists(storeFile));
  // The records left the settings file; its settings stayed.
  json after = settingsOnDisk();
  for (const char* key : CalendarSyncRecords::settingsKeys()) EXPECT_FALSE(after.contains(key)) << key;
  EXPECT_EQ(after["serverURL"], "https://law.example.cn");
  EXPECT_EQ(after["apple.calendar.sync.config.v1"]["enabled"], true);
  // The older client's reminder map is kept in the store as it was.
  EXPECT_EQ(SyncRecordDb(storeFile).load().legacyReminderMap, R"({"101":"R-101"})");

  // A second start reads the store and moves nothing.
  lines.clear();
  UserDefaults again(settingsFile);
  CalendarSyncRecords reopened(again, storeFile);
  expectFixtureRecords(reopened);
  drainMainLoop();
  EXPECT_FALSE(logged("移入"));
  again.flush();
  EXPECT_EQ(settingsOnDisk(), after);
}

TEST_F(SyncRecordsTest, EveryRecordSurvivesARestartAndChangesReplaceWhatWasThere) {
  UserDefaults& defaults = home.defaults();
  {
    CalendarSyncRecords records(defaults, storeFile);
    records.storeEvents({{"a", "EV-A"}, {"b", "EV-B"}, {"c", "EV-C"}}, {{"a", "1"}, {"b", "2"}, {"c", "3"}});
    records.setOwnCalendars({"cal-1", "cal-2"});
    records.storeSettled(CalendarItems::SettledIDs({7, 8, 9}), {});
    records.rememberSyncedAccount("澄川律师事务所:李律师");
    records.rememberSyncedAccount(":");  // no account: ignored
    // A run changes one, drops one and adds one.
    records.storeEvents({{"a", "EV-A"}, {"b", "EV-B2"}, {"d", "EV-D"}}, {{"a", "1"}, {"b", "2b"}, {"d", "4"}});
  }
  {
    CalendarSyncRecords records(defaults, storeFile);
    EXPECT_EQ(records.eventIDs(), (StringMap{{"a", "EV-A"}, {"b", "EV-B2"}, {"d", "EV-D"}}));
    EXPECT_EQ(records.eventFingerprints(), (StringMap{{"a", "1"}, {"b", "2b"}, {"d", "4"}}));
    EXPECT_EQ(records.ownCalendars(), (std::vector<std::string>{"cal-1", "cal-2"}));
    EXPECT_EQ(records.settledIDs().ids(), (std::vector<std::int64_t>{7, 8, 9}));
    EXPECT_EQ(records.lastSyncedAccount(), "澄川律师事务所:李律师");
    // Clearing forgets the items and the settled ids, not the calendars or the account.
    records.forgetWrittenItems();
    records.flush();
  }
  CalendarSyncRecords records(defaults, storeFile);
  EXPECT_TRUE(records.eventIDs().empty());
  EXPECT_TRUE(records.eventFingerprints().empty());
  EXPECT_TRUE(records.settledIDs().ids().empty());
  EXPECT_EQ(records.ownCalendars().size(), 2u);
  EXPECT_EQ(records.lastSyncedAccount(), "澄川律师事务所:李律师");
  // Nothing of it went into the settings file.
  defaults.flush();
  for (const char* key : CalendarSyncRecords::settingsKeys()) EXPECT_FALSE(defaults.object(key)) << key;
}

TEST_F(SyncRecordsTest, AStoreThatCannotBeUsedFailsLoudlyAndTheSettingsKeepTheRecords) {
  // A damaged file, and a folder where the file should be.
  for (int kind = 0; kind < 2; ++kind) {
    SCOPED_TRACE(kind == 0 ? "damaged" : "unwritable");
    lines.clear();
    fs::remove_all(storeFile);
    fs::create_directories(storeFile.parent_path());
    if (kind == 0) std::ofstream(storeFile) << std::string(4096, 'x');
    else fs::create_directories(storeFile);
    writeSettings(test::kSettingsWithSyncRecords);
    {
      UserDefaults defaults(settingsFile);
      CalendarSyncRecords records(defaults, storeFile);
      ASSERT_TRUE(records.storeFailure());
      expectFixtureRecords(records);
      // Changes still land somewhere: in the settings file, as before.
      records.rememberSyncedAccount("澄川律师事务所:李律师");
      drainMainLoop();
      defaults.flush();
    }
    EXPECT_TRUE(logged("[Quorvel][CAL] 同步记录库无法打开")) << (lines.empty() ? "" : lines.back());
    EXPECT_TRUE(logged("同步记录仍保存在设置文件中"));
    json after = settingsOnDisk();
    EXPECT_EQ(after["apple.cal.eventMap.v1"]["hearing-7@quorvel"], "EV-2");
    EXPECT_EQ(after["apple.cal.writtenBack.v1"], json::array({101, 205, 9007199254740993LL}));
    EXPECT_EQ(after["apple.cal.lastAccount.v1"], "澄川律师事务所:李律师");
  }
}

TEST_F(SyncRecordsTest, TheSettingsFileStaysSmallWhateverTheCalendarHolds) {
  UserDefaults& defaults = home.defaults();
  CalendarSyncRecords records(defaults, storeFile);
  StringMap ids, fps;
  for (int i = 0; i < 20000; ++i) {
    std::string uid = "deadline-" + std::to_string(i) + "@quorvel";
    ids[uid] = "cal/" + std::to_string(i);
    fps[uid] = "第" + std::to_string(i) + "号|1767225600|1767229200|0|12|1";
  }
  records.storeEvents(ids, fps);
  std::vector<std::int64_t> settled(5000);
  for (int i = 0; i < 5000; ++i) settled[i] = i;
  records.storeSettled(CalendarItems::SettledIDs(settled), {});
  records.flush();
  defaults.set("serverURL", "https://law.example.cn");
  defaults.flush();
  EXPECT_LT(fs::file_size(defaults.file()), 64u * 1024);
  EXPECT_EQ(SyncRecordDb(storeFile).load().eventIDs.size(), 20000u);
}

TEST(SyncRecordChanges, OnlyWhatChangedIsWritten) {
  StringMap ids{{"a", "1"}, {"b", "2"}, {"c", "3"}}, fps{{"a", "x"}, {"b", "y"}, {"c", "z"}};
  StringMap ids2{{"a", "1"}, {"b", "2"}, {"d", "4"}}, fps2{{"a", "x"}, {"b", "y2"}, {"d", "w"}};
  std::vector<SyncRecordDb::EventRow> upserts;
  std::vector<std::string> removals;
  eventChanges(ids, fps, ids2, fps2, upserts, removals);
  std::vector<std::string> set;
  for (const auto& r : upserts) set.push_back(r.uid);
  std::sort(set.begin(), set.end());
  EXPECT_EQ(set, (std::vector<std::string>{"b", "d"}));
  EXPECT_EQ(removals, (std::vector<std::string>{"c"}));
}

// The linear list the hashed one replaced, as the reference.
struct LinearSettled {
  std::vector<std::int64_t> ids;
  bool contains(std::int64_t id) const { return std::find(ids.begin(), ids.end(), id) != ids.end(); }
  void add(std::int64_t id) {
    if (!contains(id)) ids.push_back(id);
  }
};

TEST(SettledIDsLookups, HashedLookupsGiveTheListsAnswers) {
  std::mt19937 random(40);
  std::uniform_int_distribution<std::int64_t> pick(1, 3000);
  std::vector<std::int64_t> start;
  for (int i = 0; i < 1500; ++i) start.push_back(pick(random));  // with repeats
  CalendarItems::SettledIDs hashed(start);
  LinearSettled linear;
  for (auto id : start) linear.add(id);
  EXPECT_EQ(hashed.ids(), linear.ids);
  for (int i = 0; i < 2000; ++i) {
    std::int64_t id = pick(random);
    ASSERT_EQ(hashed.contains(id), linear.contains(id)) << id;
    if (i % 3 == 0) {
      hashed.add(id);
      linear.add(id);
    }
  }
  EXPECT_EQ(hashed.ids(), linear.ids);
  // Trimming keeps the same ids, and a trimmed list still answers.
  std::vector<std::int64_t> stillPresent(linear.ids.begin(), linear.ids.begin() + 20);
  auto kept = hashed.trimmed(stillPresent);
  EXPECT_EQ(kept.size(), CalendarItems::SettledIDs::kLimit);
  CalendarItems::SettledIDs reread(kept);
  for (auto id : stillPresent) EXPECT_TRUE(reread.contains(id)) << id;
  EXPECT_FALSE(reread.contains(linear.ids[25]));
}

TEST(SettledIDsLookups, LogTagsAreFoundAsBefore) {
  using CalendarItems::extractLogID;
  EXPECT_EQ(extractLogID(std::string("说明\n[quorvel:log:123]")), 123);
  EXPECT_EQ(extractLogID(std::string("[quorvel:log:]x[quorvel:log:12a][quorvel:log:77]")), 77);
  EXPECT_EQ(extractLogID(std::string("[quorvel:log:5] [quorvel:log:6]")), 5);
  EXPECT_FALSE(extractLogID(std::string("[quorvel:log:42")));
  EXPECT_FALSE(extractLogID(std::string("quorvel:log:42]")));
  EXPECT_FALSE(extractLogID(std::nullopt));
  EXPECT_FALSE(extractLogID(std::string("[quorvel:log:99999999999999999999999]")));
}

}  // namespace
}  // namespace quorvel
