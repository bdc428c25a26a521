#pragma once
// One suite of cases every system calendar store must pass (fake, SQLite, EDS). A test
// program instantiates it with its makers:
//   INSTANTIATE_TEST_SUITE_P(Sqlite, CalendarStoreContract, ::testing::Values(StoreMaker{…}));
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "CalendarTestSupport.h"
#include "TestHelpers.h"
#include "base/MainQueue.h"
#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel::test {

struct StoreMaker {
  std::string name;
  std::function<std::unique_ptr<SystemCalendarStore>()> make;
};
inline void PrintTo(const StoreMaker& m, std::ostream* os) { *os << m.name; }
inline std::string storeMakerName(const ::testing::TestParamInfo<StoreMaker>& info) { return info.param.name; }

class CalendarStoreContract : public ::testing::TestWithParam<StoreMaker> {
 protected:
  void SetUp() override {
    store = GetParam().make();
    ASSERT_TRUE(store);
    changes = store->changed().connect([this] { ++changedCount; });
    auto sources = await(store->sources());
    ASSERT_FALSE(sources.empty());
    source = sources.front().id;
  }
  void TearDown() override { changes.disconnect(); }

  SystemCalendar make(const std::string& title, CalendarEntityType type = CalendarEntityType::event) {
    return await(store->createCalendar(title, "#2563EB", type, source));
  }

  std::unique_ptr<SystemCalendarStore> store;
  std::string source;
  sigc::connection changes;
  int changedCount = 0;
};

TEST_P(CalendarStoreContract, CreatesDedicatedCalendarsAndReminderLists) {
  EXPECT_TRUE(await(store->requestAccess(CalendarEntityType::event)));
  std::map<std::string, std::string> made;
  for (auto [title, color] : {std::pair{"开庭", "#2563EB"}, {"法定期限", "#D97706"}, {"逾期汇总", "#DC2626"}})
    made[await(store->createCalendar(title, color, CalendarEntityType::event, source)).id] = title;
  auto list = await(store->createCalendar("墨衡台待办", "#7C3AED", CalendarEntityType::reminder, source));
  ASSERT_EQ(made.size(), 3u);

  int found = 0;
  for (const auto& c : await(store->calendars(CalendarEntityType::event))) {
    if (!made.count(c.id)) continue;
    ++found;
    EXPECT_EQ(c.title, made[c.id]);
    EXPECT_TRUE(c.writable);
    EXPECT_EQ(c.entityType, CalendarEntityType::event);
    EXPECT_EQ(c.colorHex.size(), 7u);
    EXPECT_EQ(c.sourceId, source);
    EXPECT_NE(c.id, list.id);
  }
  EXPECT_EQ(found, 3);
  auto lists = await(store->calendars(CalendarEntityType::reminder));
  auto it = std::find_if(lists.begin(), lists.end(), [&](auto& c) { return c.id == list.id; });
  ASSERT_NE(it, lists.end());
  EXPECT_EQ(it->title, "墨衡台待办");
  EXPECT_EQ(it->colorHex, "#7C3AED");

  // Removed and made again: a fresh identifier, and nothing of the old one comes back.
  auto first = made.begin()->first;
  store->saveEvent(sampleEvent(first, 1));
  await(store->commit());
  await(store->removeCalendar(first));
  auto again = make(made.begin()->second);
  EXPECT_NE(again.id, first);
  EXPECT_TRUE(await(store->events(again.id)).empty());
  EXPECT_GE(changedCount, 1);
}

TEST_P(CalendarStoreContract, WritesFiveHundredEventsInOneCommit) {
  auto cal = make("开庭");
  std::map<std::string, CalendarEventItem> written;
  for (int i = 0; i < 500; ++i) {
    auto e = sampleEvent(cal.id, i);
    e.id = store->saveEvent(e);
    written[e.id] = e;
  }
  ASSERT_EQ(written.size(), 500u);  // 500 distinct identifiers
  EXPECT_TRUE(store->hasPendingChanges());
  changedCount = 0;
  await(store->commit(), 60000);
  EXPECT_FALSE(store->hasPendingChanges());
  EXPECT_TRUE(waitUntil([&] { return changedCount > 0; }, 5000));

  auto read = await(store->events(cal.id));
  ASSERT_EQ(read.size(), 500u);
  for (const auto& e : read) {
    ASSERT_TRUE(written.count(e.id)) << e.id;
    expectSameEvent(e, written[e.id]);
  }
  auto one = written.begin()->second;
  auto found = await(store->event(one.id));
  ASSERT_TRUE(found);
  expectSameEvent(*found, one);
  EXPECT_FALSE(await(store->event(SystemCalendarStore::itemID(cal.id, "no-such-uid"))));
}

TEST_P(CalendarStoreContract, ResetDiscardsPendingWrites) {
  auto cal = make("法定期限");
  auto kept = sampleEvent(cal.id, 1);
  kept.id = store->saveEvent(kept);
  await(store->commit());
  for (int i = 2; i < 12; ++i) store->saveEvent(sampleEvent(cal.id, i));
  store->removeEvent(kept.id);
  store->reset();
  EXPECT_FALSE(store->hasPendingChanges());
  await(store->commit());
  auto read = await(store->events(cal.id));
  ASSERT_EQ(read.size(), 1u);
  expectSameEvent(read[0], kept);
}

TEST_P(CalendarStoreContract, UpdatesMovesAndRemovesEvents) {
  auto a = make("开庭");
  auto b = make("逾期汇总");
  auto e = sampleEvent(a.id, 3);
  e.id = store->saveEvent(e);
  await(store->commit());

  // Saved again under its identifier: the same event, changed.
  e.title = "开庭（改期）";
  e.start += std::chrono::hours(24);
  e.end += std::chrono::hours(24);
  e.alarmOffsets.clear();
  EXPECT_EQ(store->saveEvent(e), e.id);
  await(store->commit());
  auto read = await(store->events(a.id));
  ASSERT_EQ(read.size(), 1u);
  expectSameEvent(read[0], e);

  // Moved to another calendar: a new identifier there, nothing left behind.
  auto moved = e;
  moved.calendarId = b.id;
  moved.id = store->saveEvent(moved);
  EXPECT_NE(moved.id, e.id);
  await(store->commit());
  EXPECT_TRUE(await(store->events(a.id)).empty());
  ASSERT_EQ(await(store->events(b.id)).size(), 1u);

  // Removing it, and removing one that is already gone, in one batch.
  store->removeEvent(moved.id);
  store->removeEvent(SystemCalendarStore::itemID(b.id, "already-gone"));
  await(store->commit());
  EXPECT_FALSE(await(store->event(moved.id)));
  EXPECT_TRUE(await(store->events(b.id)).empty());
}

TEST_P(CalendarStoreContract, RemindersWithDueDayPriorityAndCompletion) {
  auto list = make("墨衡台待办", CalendarEntityType::reminder);
  ReminderItem r;
  r.calendarId = list.id;
  r.title = "提交上诉状";
  r.notes = "上诉期限今日届满\n直达卷宗：quorvel://proceeding/113\n[quorvel:log:6204]";
  r.url = "quorvel://proceeding/113";
  r.due = DueDay{2026, 3, 18};
  r.priority = 1;
  r.id = store->saveReminder(r);
  ReminderItem routine = r;
  routine.id.clear();
  routine.title = "填写本周工作日志";
  routine.notes = "[quorvel:log:7303]";
  routine.url.reset();
  routine.priority = 5;
  routine.due.reset();
  routine.id = store->saveReminder(routine);
  await(store->commit());

  auto read = await(store->reminders({list.id}));
  ASSERT_EQ(read.size(), 2u);
  std::sort(read.begin(), read.end(), [](auto& x, auto& y) { return x.priority < y.priority; });
  EXPECT_EQ(read[0].id, r.id);
  EXPECT_EQ(read[0].title, r.title);
  EXPECT_EQ(read[0].notes, r.notes);
  EXPECT_EQ(read[0].url, r.url);
  EXPECT_EQ(read[0].due, r.due);
  EXPECT_FALSE(read[0].completed);
  EXPECT_EQ(read[1].priority, 5);
  EXPECT_FALSE(read[1].due);

  r.completed = true;
  EXPECT_EQ(store->saveReminder(r), r.id);
  await(store->commit());
  read = await(store->reminders({list.id}));
  auto done = std::find_if(read.begin(), read.end(), [&](auto& x) { return x.id == r.id; });
  ASSERT_NE(done, read.end());
  EXPECT_TRUE(done->completed);
  EXPECT_TRUE(done->completionDate);
}

TEST_P(CalendarStoreContract, ACommitIntoAMissingCalendarFailsAndLeavesTheQueueEmpty) {
  auto cal = make("开庭");
  await(store->removeCalendar(cal.id));
  store->saveEvent(sampleEvent(cal.id, 1));
  auto out = runToEnd(finished(store->commit()));
  EXPECT_TRUE(out->error);
  EXPECT_FALSE(store->hasPendingChanges());
}

}  // namespace quorvel::test
