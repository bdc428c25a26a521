#pragma once
// The one reader of the service's calendar feed. Lenient by design: it reads only the
// VEVENT properties the feed uses, skips what it cannot use and never fails. It is not
// an RFC 5545 parser (TZID is never consulted; floating times are UTC+8 wall clock).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "features/calendar/ICSEvent.h"

namespace quorvel::ICSParser {

// The events the parser leaves out, by its rule: no UID, a start or end it cannot
// form (unreadable, or outside the clock's range), or a block that never ends.
struct Skipped {
  int noUID = 0;
  int badDate = 0;
  int unterminated = 0;
  int total() const { return noUID + badDate + unterminated; }
};

// The feed's events in feed order (duplicates kept). Never throws for any input.
std::vector<ICSEvent> parse(std::string_view text);
// The same, counting into `skipped` each event block it leaves out.
std::vector<ICSEvent> parse(std::string_view text, Skipped& skipped);

// One DTSTART/DTEND value: "yyyyMMdd" (all-day, local zone, first 8 characters),
// "yyyyMMdd'T'HHmmss'Z'" (UTC) or "yyyyMMdd'T'HHmmss" (Asia/Shanghai).
std::optional<ICSEvent::Date> parseDate(std::string_view text, bool allDay);

// One TRIGGER duration in seconds ("-PT15M" → -900); nothing for absolute times.
std::optional<double> parseDuration(std::string_view text);

// Helpers shared with the feed's other readers.
// Whitespace other than line breaks (tab and the Unicode space separators) trimmed.
std::string trimBlanks(std::string_view text);
// The feed's text escapes: \n \N → line feed, \, \; \\; other backslashes stay.
std::string decodeText(std::string_view text);

}  // namespace quorvel::ICSParser
