#pragma once
// One event of the service's calendar feed and what the calendar sync and the desktop
// calendar derive from it. Pure values: callable from any thread.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

struct ICSEvent {
  using Date = std::chrono::system_clock::time_point;

  enum class Kind { hearing, deadline, routine, overdue, other };

  std::string uid;          // blanks trimmed; never empty in a parsed event
  std::string summary;      // text escapes decoded
  std::string description;  // text escapes decoded
  std::string location;     // text escapes decoded
  std::string urlString;    // blanks trimmed, not decoded
  Date startDate{};
  Date endDate{};
  bool isAllDay = false;
  std::vector<double> alarmOffsets;  // seconds, negative = before the start

  bool operator==(const ICSEvent&) const = default;

  // The UID prefix "hearing-", "deadline-", "routine-" or "overdue-" (case-sensitive).
  Kind kind() const;
  // The decimal run right after that prefix, when it forms a 64-bit integer.
  std::optional<std::int64_t> logID() const;
  // "/proceeding/N" or "/m/proc/N" in the URL, else in the description.
  std::optional<std::int64_t> proceedingID() const;
  // "quorvel://proceeding/N", else "quorvel://calendar" for a calendar URL, else the
  // URL itself when it is a valid absolute address.
  std::optional<std::string> deepLinkURL() const;
  // summary|location|start s|end s|all-day 1/0|description length|alarm count: what
  // decides whether a written system event must be rewritten.
  std::string contentFingerprint() const;
};

// "hearing", "deadline", "routine", "overdue", "other".
const char* kindRawValue(ICSEvent::Kind kind);

}  // namespace quorvel
