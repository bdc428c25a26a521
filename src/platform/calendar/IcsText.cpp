#include "platform/calendar/IcsText.h"

#include <cmath>
#include <ctime>

namespace quorvel::IcsText {

namespace {

// Folds one content line at 75 octets without cutting a UTF-8 sequence.
void appendLine(std::string& out, const std::string& line) {
  size_t i = 0, limit = 75;
  while (line.size() - i > limit) {
    size_t cut = i + limit;
    while (cut > i && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    out.append(line, i, cut - i);
    out += "\r\n ";
    i = cut;
    limit = 74;  // the leading space counts
  }
  out.append(line, i, std::string::npos);
  out += "\r\n";
}

std::tm localTm(std::chrono::system_clock::time_point t) {
  std::time_t tt = std::chrono::system_clock::to_time_t(t);
  std::tm tm{};
  localtime_r(&tt, &tm);
  return tm;
}

}  // namespace

std::string escape(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    switch (c) {
      case '\\': out += "\\\\"; break;
      case ';': out += "\\;"; break;
      case ',': out += "\\,"; break;
      case '\r':
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += "\\n";
        break;
      case '\n': out += "\\n"; break;
      default: out += c;
    }
  }
  return out;
}

std::string duration(double seconds) {
  long long s = std::llround(seconds);
  std::string out = s < 0 ? "-P" : "P";
  s = std::llabs(s);
  long long d = s / 86400, rest = s % 86400;
  if (d) out += std::to_string(d) + "D";
  if (rest || !d) {
    out += "T";
    long long h = rest / 3600, m = rest % 3600 / 60, sec = rest % 60;
    if (h) out += std::to_string(h) + "H";
    if (m) out += std::to_string(m) + "M";
    if (sec || (!h && !m)) out += std::to_string(sec) + "S";
  }
  return out;
}

std::string utcStamp(std::chrono::system_clock::time_point t) {
  std::time_t tt = std::chrono::system_clock::to_time_t(
      std::chrono::time_point_cast<std::chrono::seconds>(t));
  std::tm tm{};
  gmtime_r(&tt, &tm);
  char buf[20];
  std::strftime(buf, sizeof buf, "%Y%m%dT%H%M%SZ", &tm);
  return buf;
}

std::string localDay(std::chrono::system_clock::time_point t, int addDays) {
  std::tm tm = localTm(t);
  tm.tm_mday += addDays;
  tm.tm_hour = 12;  // normalise the day away from any DST gap
  tm.tm_isdst = -1;
  std::mktime(&tm);
  char buf[12];
  std::strftime(buf, sizeof buf, "%Y%m%d", &tm);
  return buf;
}

std::string eventBlock(const CalendarEventItem& e, const std::string& uid) {
  std::string out;
  appendLine(out, "BEGIN:VEVENT");
  appendLine(out, "UID:" + uid);
  appendLine(out, "DTSTAMP:" + utcStamp(std::chrono::system_clock::now()));
  if (e.allDay) {
    appendLine(out, "DTSTART;VALUE=DATE:" + localDay(e.start));
    // The stored end is the last instant inside; the file's end is exclusive.
    appendLine(out, "DTEND;VALUE=DATE:" + localDay(std::max(e.end, e.start), 1));
  } else {
    appendLine(out, "DTSTART:" + utcStamp(e.start));
    appendLine(out, "DTEND:" + utcStamp(e.end));
  }
  appendLine(out, "SUMMARY:" + escape(e.title));
  if (!e.location.empty()) appendLine(out, "LOCATION:" + escape(e.location));
  if (!e.notes.empty()) appendLine(out, "DESCRIPTION:" + escape(e.notes));
  if (e.url) appendLine(out, "URL:" + *e.url);
  for (double offset : e.alarmOffsets) {
    appendLine(out, "BEGIN:VALARM");
    appendLine(out, "ACTION:DISPLAY");
    appendLine(out, "DESCRIPTION:" + escape(e.title));
    appendLine(out, "TRIGGER:" + duration(offset));
    appendLine(out, "END:VALARM");
  }
  appendLine(out, "END:VEVENT");
  return out;
}

std::string todoBlock(const ReminderItem& r, const std::string& uid) {
  std::string out;
  appendLine(out, "BEGIN:VTODO");
  appendLine(out, "UID:" + uid);
  appendLine(out, "DTSTAMP:" + utcStamp(std::chrono::system_clock::now()));
  appendLine(out, "SUMMARY:" + escape(r.title));
  if (!r.notes.empty()) appendLine(out, "DESCRIPTION:" + escape(r.notes));
  if (r.url) appendLine(out, "URL:" + *r.url);
  if (r.due) {
    char buf[12];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d", r.due->year, r.due->month, r.due->day);
    appendLine(out, std::string("DUE;VALUE=DATE:") + buf);
  }
  if (r.priority > 0) appendLine(out, "PRIORITY:" + std::to_string(r.priority));
  if (r.completed) {
    appendLine(out, "STATUS:COMPLETED");
    appendLine(out, "PERCENT-COMPLETE:100");
    if (r.completionDate) appendLine(out, "COMPLETED:" + utcStamp(*r.completionDate));
  } else {
    appendLine(out, "STATUS:NEEDS-ACTION");
  }
  appendLine(out, "END:VTODO");
  return out;
}

std::string calendarFile(const std::string& title, const std::vector<CalendarEventItem>& events,
                         const std::vector<ReminderItem>& reminders) {
  std::string out;
  appendLine(out, "BEGIN:VCALENDAR");
  appendLine(out, "VERSION:2.0");
  appendLine(out, "PRODID:-//Quorvel//墨衡台//ZH");
  appendLine(out, "CALSCALE:GREGORIAN");
  appendLine(out, "X-WR-CALNAME:" + escape(title));
  for (const auto& e : events) {
    auto parts = SystemCalendarStore::splitItemID(e.id);
    out += eventBlock(e, parts ? parts->second : e.id);
  }
  for (const auto& r : reminders) {
    auto parts = SystemCalendarStore::splitItemID(r.id);
    out += todoBlock(r, parts ? parts->second : r.id);
  }
  appendLine(out, "END:VCALENDAR");
  return out;
}

}  // namespace quorvel::IcsText
