#include <gtest/gtest.h>

#include <fstream>

#include "CalendarStoreContract.h"
#include "TestEnv.h"
#include "features/calendar/ICSParser.h"
#include "fakes/FakeCalendarStore.h"
#include "platform/calendar/SqliteCalendarStore.h"

namespace quorvel::test {
namespace {

// Each SQLite case gets its own folder, removed with the case's temporary home.
std::unique_ptr<TempHome>& sqliteHome() {
  static std::unique_ptr<TempHome> home;
  return home;
}

std::unique_ptr<SystemCalendarStore> makeSqlite() {
  sqliteHome() = std::make_unique<TempHome>();
  return std::make_unique<SqliteCalendarStore>(sqliteHome()->dataHome() / "Quorvel");
}

INSTANTIATE_TEST_SUITE_P(Fake, CalendarStoreContract,
                         ::testing::Values(StoreMaker{"Fake", [] { return std::make_unique<FakeCalendarStore>(); }}),
                         storeMakerName);
INSTANTIATE_TEST_SUITE_P(Sqlite, CalendarStoreContract, ::testing::Values(StoreMaker{"Sqlite", makeSqlite}),
                         storeMakerName);

TEST(SqliteCalendarStore, WritesEachCalendarAsAnIcsFileThatTheFeedReaderReadsBack) {
  TempHome home;
  SqliteCalendarStore store(home.dataHome() / "Quorvel");
  auto cal = await(store.createCalendar("开庭", "#2563EB", CalendarEntityType::event, SqliteCalendarStore::kLocalSourceID));
  std::map<std::string, CalendarEventItem> written;
  for (int i = 0; i < 500; ++i) {
    auto e = sampleEvent(cal.id, i);
    e.id = store.saveEvent(e);
    written[SystemCalendarStore::splitItemID(e.id)->second] = e;
  }
  await(store.commit());

  auto file = await(store.icsFile(cal.id));
  EXPECT_EQ(file.filename(), "开庭.ics");
  std::ifstream in(file, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  auto events = ICSParser::parse(text);
  ASSERT_EQ(events.size(), 500u);
  for (const auto& e : events) {
    ASSERT_TRUE(written.count(e.uid)) << e.uid;
    const auto& w = written[e.uid];
    EXPECT_EQ(e.summary, w.title);
    EXPECT_EQ(e.location, w.location);
    EXPECT_EQ(e.description, w.notes);
    EXPECT_EQ(e.urlString, w.url.value_or(""));
    EXPECT_EQ(e.isAllDay, w.allDay);
    EXPECT_EQ(e.startDate, w.start);
    EXPECT_EQ(e.endDate, w.end);
    EXPECT_EQ(e.alarmOffsets, w.alarmOffsets);
  }

  // A second calendar of the same title gets a file of its own; removal deletes the file.
  auto twin = await(store.createCalendar("开庭", "#2563EB", CalendarEntityType::event, SqliteCalendarStore::kLocalSourceID));
  auto twinFile = await(store.icsFile(twin.id));
  EXPECT_NE(twinFile, file);
  EXPECT_TRUE(std::filesystem::exists(twinFile));
  await(store.removeCalendar(cal.id));
  EXPECT_FALSE(std::filesystem::exists(file));

  // The database outlives the store object.
  SqliteCalendarStore reopened(home.dataHome() / "Quorvel");
  auto cals = await(reopened.calendars(CalendarEntityType::event));
  ASSERT_EQ(cals.size(), 1u);
  EXPECT_EQ(cals[0].id, twin.id);
}

TEST(SqliteCalendarStore, AnUnusableFolderFailsEveryOperationWithoutCrashing) {
  TempHome home;
  auto blocked = home.root() / "file-not-folder";
  writeFile(blocked, "x");
  SqliteCalendarStore store(blocked);
  EXPECT_FALSE(await(store.requestAccess(CalendarEntityType::event)));
  auto out = runToEnd(store.calendars(CalendarEntityType::event));
  ASSERT_TRUE(out->error);
  EXPECT_EQ(out->error->domain, "File");
}

}  // namespace
}  // namespace quorvel::test
