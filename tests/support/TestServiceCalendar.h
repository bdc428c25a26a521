#pragma once
// The calendar endpoints of the test service: "/calendar/subscribe" (signed in) shows
// the account's feed link, absolute and as a path; "/cal/<token>/all.ics" serves the
// feed with an entity tag and answers 304 when If-None-Match carries it.
#include <chrono>
#include <optional>
#include <string>

namespace quorvel::test {

class TestService;

inline constexpr const char* kDemoFeedPath = "/cal/qv-7f3a9c2e/all.ics";

void installCalendarRoutes(TestService& service);

// What the feed serves from now on (a to-do done, an event moved, another account);
// nothing: the demo feed again.
void setCalendarFeed(std::optional<std::string> body);

// The demo feed around `today`: hearings, deadlines, routines and overdue items with
// the service's UID conventions, and the odd cases its feed really has (a quoted
// parameter holding ":", two events with one UID, folded lines, an all-day event, an
// event without end, a time-zone block and alarms).
std::string demoCalendarFeed(std::chrono::system_clock::time_point today = std::chrono::system_clock::now());
// The entity tag of a feed body.
std::string feedETag(const std::string& body);
// A feed of `count` generated events (benchmarks, stress tests).
std::string generatedCalendarFeed(int count, std::chrono::system_clock::time_point from = std::chrono::system_clock::now());

}  // namespace quorvel::test
