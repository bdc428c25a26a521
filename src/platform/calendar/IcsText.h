#pragma once
// iCalendar text of the store's items: what the SQLite store writes as its .ics files
// and what the EDS store hands to the calendar server.
#include <string>
#include <vector>

#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel::IcsText {

// TEXT value escaping (\\ \; \, \n).
std::string escape(const std::string& text);
// A signed duration in whole seconds ("-PT15M", "-P1D", "PT0S").
std::string duration(double seconds);
// "yyyyMMdd'T'HHmmss'Z'" in UTC; "yyyyMMdd" of the local day.
std::string utcStamp(std::chrono::system_clock::time_point t);
std::string localDay(std::chrono::system_clock::time_point t, int addDays = 0);

// One VEVENT / VTODO block with CRLF line ends, lines folded at 75 octets.
std::string eventBlock(const CalendarEventItem& item, const std::string& uid);
std::string todoBlock(const ReminderItem& item, const std::string& uid);
// A whole calendar file.
std::string calendarFile(const std::string& title, const std::vector<CalendarEventItem>& events,
                         const std::vector<ReminderItem>& reminders);

}  // namespace quorvel::IcsText
