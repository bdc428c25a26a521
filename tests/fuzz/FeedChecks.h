#pragma once
// What every event the feed parser gives must hold, whatever the feed: checked by the
// fuzz target on each input and by the unit tests on the corpus.
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "features/calendar/ICSEvent.h"
#include "features/calendar/ICSParser.h"

namespace quorvel::fuzz {

// The first broken rule of the events parsed from `feed`, or "" when all hold. The
// derived values are computed too, so that their faults show under the sanitizers.
inline std::string checkFeed(std::string_view feed, std::vector<ICSEvent>* parsed = nullptr) {
  using std::chrono::seconds;
  std::vector<ICSEvent> events = ICSParser::parse(feed);
  std::string broken;
  for (const ICSEvent& e : events) {
    if (e.uid.empty()) broken = "an event without a UID";
    else if (e.isAllDay && e.endDate < e.startDate) broken = "an all-day event ends before it starts: " + e.uid;
    // Compared without a difference: a span of centuries does not fit the clock's ticks.
    else if (!e.isAllDay && e.endDate < e.startDate + seconds(900)) broken = "a timed event under 15 minutes: " + e.uid;
    if (!broken.empty()) break;
    (void)e.kind();
    (void)e.logID();
    (void)e.proceedingID();
    (void)e.deepLinkURL();
    (void)e.contentFingerprint();
  }
  if (parsed) *parsed = std::move(events);
  return broken;
}

}  // namespace quorvel::fuzz
