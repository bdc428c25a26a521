#pragma once
// Helpers of the calendar tests: running store operations to their end, and varied
// sample events.
#include <gtest/gtest.h>

#include <ctime>
#include <string>

#include "TestHelpers.h"
#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel::test {

// A void task as one with a result, for runToEnd.
inline Task<bool> finished(Task<void> task) {
  co_await task;
  co_return true;
}

// Runs a store operation to its end on the main loop; rethrows its error.
template <class T>
T await(Task<T> task, unsigned ms = 20000) {
  auto out = runToEnd(std::move(task), ms);
  if (out->exception) std::rethrow_exception(out->exception);
  return std::move(*out->value);
}
inline void await(Task<void> task, unsigned ms = 20000) { await(finished(std::move(task)), ms); }

// Local midnight `days` after 18 March 2026.
inline std::chrono::system_clock::time_point localDay(int days) {
  std::tm tm{};
  tm.tm_year = 126, tm.tm_mon = 2, tm.tm_mday = 18 + days, tm.tm_isdst = -1;
  return std::chrono::system_clock::from_time_t(std::mktime(&tm));
}

// Event number i of a varied batch: all-day and timed, with and without location, link,
// notes and alarms.
inline CalendarEventItem sampleEvent(const std::string& calendarID, int i) {
  using std::chrono::seconds;
  CalendarEventItem e;
  e.calendarId = calendarID;
  e.title = "开庭 #" + std::to_string(i);
  e.allDay = i % 5 == 0;
  if (e.allDay) {
    e.start = localDay(i % 60);
    e.end = e.start + seconds(86399);
  } else {
    e.start = localDay(0) + seconds(3600LL * i + 9 * 3600);
    e.end = e.start + seconds(5400);
  }
  if (i % 3 == 0) e.location = "朝阳区人民法院 第三法庭";
  if (i % 2 == 0) e.url = "quorvel://proceeding/" + std::to_string(80 + i % 40);
  e.notes = "案号（2026）京0105民初" + std::to_string(i) + "号\n承办法官：王法官, 书记员；刘";
  if (i % 2) e.alarmOffsets = {-1800};
  if (i % 7 == 0) e.alarmOffsets = {-86400, -1800};
  return e;
}

inline void expectSameEvent(const CalendarEventItem& got, const CalendarEventItem& want) {
  EXPECT_EQ(got.id, want.id);
  EXPECT_EQ(got.calendarId, want.calendarId);
  EXPECT_EQ(got.title, want.title);
  EXPECT_EQ(got.start, want.start) << want.title;
  EXPECT_EQ(got.end, want.end) << want.title;
  EXPECT_EQ(got.allDay, want.allDay);
  EXPECT_EQ(got.location, want.location);
  EXPECT_EQ(got.url, want.url);
  EXPECT_EQ(got.notes, want.notes);
  EXPECT_EQ(got.alarmOffsets, want.alarmOffsets) << want.title;
}

}  // namespace quorvel::test
