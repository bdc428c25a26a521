#include "features/calendar/ICSParser.h"

#include <unicode/brkiter.h>
#include <unicode/timezone.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <cstdlib>
#include <ctime>
#include <memory>
#include <unordered_map>

#include "features/calendar/FeedText.h"

namespace quorvel {

namespace feedtext {

namespace {
bool isBlankCodePoint(char32_t cp) {
  if (cp == 0x20 || cp == 0x09) return true;
  if (cp < 0x80) return false;
  return cp == 0xA0 || cp == 0x1680 || (cp >= 0x2000 && cp <= 0x200A) || cp == 0x202F || cp == 0x205F ||
         cp == 0x3000;
}
}  // namespace

char32_t decodeAt(std::string_view s, size_t& i) {
  auto b = static_cast<unsigned char>(s[i]);
  if (b < 0x80) {
    ++i;
    return b;
  }
  int len = b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 0;
  if (len == 0 || i + len > s.size()) {
    ++i;
    return 0xFFFD;
  }
  char32_t cp = b & (0x7F >> len);
  for (int k = 1; k < len; ++k) {
    auto c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) {
      ++i;
      return 0xFFFD;
    }
    cp = (cp << 6) | (c & 0x3F);
  }
  i += len;
  return cp;
}

bool isAscii(std::string_view s) {
  for (char c : s)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

std::string_view trimBlanksView(std::string_view s) {
  size_t b = 0;
  while (b < s.size()) {
    size_t next = b;
    if (!isBlankCodePoint(decodeAt(s, next))) break;
    b = next;
  }
  size_t e = s.size();
  while (e > b) {
    // Start of the last code point before e.
    size_t start = e - 1;
    while (start > b && (static_cast<unsigned char>(s[start]) & 0xC0) == 0x80 && e - start < 4) --start;
    size_t probe = start;
    char32_t cp = decodeAt(s, probe);
    if (probe != e || !isBlankCodePoint(cp)) break;
    e = start;
  }
  return s.substr(b, e - b);
}

size_t graphemeCount(std::string_view s) {
  if (isAscii(s)) {
    // CR LF is one user-perceived character.
    size_t n = s.size();
    for (size_t i = 0; i + 1 < s.size(); ++i)
      if (s[i] == '\r' && s[i + 1] == '\n') --n;
    return n;
  }
  thread_local std::unique_ptr<icu::BreakIterator> it = [] {
    UErrorCode st = U_ZERO_ERROR;
    return std::unique_ptr<icu::BreakIterator>(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), st));
  }();
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
  if (!it) return static_cast<size_t>(u.countChar32());
  it->setText(u);
  size_t n = 0;
  for (int32_t p = it->next(); p != icu::BreakIterator::DONE; p = it->next()) ++n;
  return n;
}

std::string_view prefixGraphemes(std::string_view s, size_t count) {
  if (isAscii(s)) return s.substr(0, std::min(count, s.size()));
  // Rare: walk graphemes in UTF-16, then map the offset back to UTF-8.
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
  UErrorCode st = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), st));
  if (!it) return s;
  it->setText(u);
  int32_t end = 0;
  for (size_t k = 0; k < count; ++k) {
    int32_t p = it->next();
    if (p == icu::BreakIterator::DONE) break;
    end = p;
  }
  std::string out;
  u.tempSubString(0, end).toUTF8String(out);
  // Valid UTF-8 input maps back to a byte prefix; otherwise use the converted text.
  if (s.substr(0, out.size()) == out) return s.substr(0, out.size());
  return s;
}

std::string upperCased(std::string_view s) {
  if (isAscii(s)) {
    std::string out(s);
    for (char& c : out)
      if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return out;
  }
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(s.data(), static_cast<int32_t>(s.size())));
  u.toUpper(icu::Locale::getRoot());
  std::string out;
  u.toUTF8String(out);
  return out;
}

bool isNumericCodePoint(char32_t cp) {
  if (cp >= '0' && cp <= '9') return true;
  if (cp < 0x80) return false;
  int8_t t = u_charType(static_cast<UChar32>(cp));
  return t == U_DECIMAL_DIGIT_NUMBER || t == U_LETTER_NUMBER || t == U_OTHER_NUMBER;
}

std::optional<std::int64_t> toInt64(std::string_view digits) {
  if (digits.empty() || digits.size() > 19) return std::nullopt;
  std::uint64_t v = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return std::nullopt;
    v = v * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (v > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
  return static_cast<std::int64_t>(v);
}

}  // namespace feedtext

namespace ICSParser {

using namespace feedtext;

std::string trimBlanks(std::string_view text) { return std::string(trimBlanksView(text)); }

std::string decodeText(std::string_view s) {
  if (s.find('\\') == std::string_view::npos) return std::string(s);
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    char c = s[i];
    if (c == '\\' && i + 1 < s.size()) {
      char n = s[i + 1];
      if (n == 'n' || n == 'N') {
        out += '\n';
        ++i;
        continue;
      }
      if (n == ',' || n == ';' || n == '\\') {
        out += n;
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

namespace {

constexpr long long daysFromCivil(long long y, unsigned m, unsigned d) {
  y -= m <= 2;
  const long long era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<long long>(doe) - 719468;
}

bool readDigits(std::string_view s, size_t at, size_t n, int& out) {
  if (at + n > s.size()) return false;
  int v = 0;
  for (size_t k = 0; k < n; ++k) {
    char c = s[at + k];
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  out = v;
  return true;
}

bool validDay(int y, int m, int d) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || m < 1 || m > 12 || d < 1) return false;
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  return d <= kDays[m - 1] + (m == 2 && leap ? 1 : 0);
}

// "yyyyMMdd" at the start of s; the whole of s must be consumed by the caller's format.
bool readDay(std::string_view s, int& y, int& m, int& d) {
  return readDigits(s, 0, 4, y) && readDigits(s, 4, 2, m) && readDigits(s, 6, 2, d) && validDay(y, m, d);
}

bool readTime(std::string_view s, int& hh, int& mm, int& ss) {
  return s.size() >= 15 && s[8] == 'T' && readDigits(s, 9, 2, hh) && readDigits(s, 11, 2, mm) &&
         readDigits(s, 13, 2, ss) && hh <= 23 && mm <= 59 && ss <= 59;
}

// The clock counts nanoseconds in 64 bits (about 1678 to 2262): a time outside that
// is no date rather than an overflow.
std::optional<ICSEvent::Date> fromSeconds(long long seconds) {
  using std::chrono::duration_cast;
  constexpr long long kMax = duration_cast<std::chrono::seconds>(ICSEvent::Date::duration::max()).count();
  constexpr long long kMin = duration_cast<std::chrono::seconds>(ICSEvent::Date::duration::min()).count();
  if (seconds > kMax || seconds < kMin) return std::nullopt;
  return ICSEvent::Date(std::chrono::seconds(seconds));
}

// `date` moved by `by`; nothing when the clock cannot hold the result.
std::optional<ICSEvent::Date> shifted(ICSEvent::Date date, std::chrono::seconds by) {
  using Ticks = ICSEvent::Date::duration;
  Ticks::rep moved = 0;
  if (__builtin_add_overflow(date.time_since_epoch().count(), std::chrono::duration_cast<Ticks>(by).count(), &moved))
    return std::nullopt;
  return ICSEvent::Date(Ticks(moved));
}

// Midnight of a day in the process's current zone (TZ), as the system sees it. mktime
// looks at the zone file on every call, so results are kept per day while TZ stays.
std::optional<ICSEvent::Date> localMidnight(int y, int m, int d) {
  thread_local std::unordered_map<int, std::time_t> cache;
  thread_local std::string cachedTZ = "\x01unset";
  const char* tzEnv = std::getenv("TZ");
  std::string_view tz = tzEnv ? std::string_view(tzEnv) : std::string_view("\x02none");
  if (tz != cachedTZ || cache.size() > 100000) {
    cache.clear();
    cachedTZ = tz;
  }
  int key = y * 10000 + m * 100 + d;
  if (auto it = cache.find(key); it != cache.end()) return fromSeconds(it->second);
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = m - 1;
  tm.tm_mday = d;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  if (t == static_cast<std::time_t>(-1) && !(tm.tm_year == 69 && tm.tm_mon == 11 && tm.tm_mday == 31)) {
    return std::nullopt;
  }
  cache.emplace(key, t);
  return fromSeconds(t);
}

const icu::TimeZone& shanghaiZone() {
  thread_local std::unique_ptr<icu::TimeZone> zone = [] {
    std::unique_ptr<icu::TimeZone> z(icu::TimeZone::createTimeZone("Asia/Shanghai"));
    if (!z || *z == icu::TimeZone::getUnknown()) z.reset(icu::TimeZone::createDefault());
    return z;
  }();
  return *zone;
}

}  // namespace

std::optional<ICSEvent::Date> parseDate(std::string_view text, bool allDay) {
  std::string_view s = trimBlanksView(text);
  if (s.empty()) return std::nullopt;
  int y, m, d, hh, mm, ss;
  if (allDay || graphemeCount(s) == 8) {
    std::string_view day = prefixGraphemes(s, 8);
    if (day.size() != 8 || !readDay(day, y, m, d)) return std::nullopt;
    return localMidnight(y, m, d);
  }
  if (s.back() == 'Z') {
    if (s.size() != 16 || !readDay(s, y, m, d) || !readTime(s, hh, mm, ss)) return std::nullopt;
    return fromSeconds(daysFromCivil(y, m, d) * 86400 + hh * 3600 + mm * 60 + ss);
  }
  if (s.size() != 15 || !readDay(s, y, m, d) || !readTime(s, hh, mm, ss)) return std::nullopt;
  long long wall = daysFromCivil(y, m, d) * 86400 + hh * 3600 + mm * 60 + ss;
  // The zone's offsets change only on whole hours: one lookup per wall-clock hour.
  thread_local std::unordered_map<long long, int32_t> offsets;
  long long hour = wall / 3600 - (wall % 3600 < 0 ? 1 : 0);
  auto it = offsets.find(hour);
  if (it == offsets.end()) {
    if (offsets.size() > 100000) offsets.clear();
    int32_t raw = 0, dst = 0;
    UErrorCode st = U_ZERO_ERROR;
    shanghaiZone().getOffset(static_cast<UDate>(wall) * 1000.0, true, raw, dst, st);
    if (U_FAILURE(st)) raw = 8 * 3600 * 1000, dst = 0;
    it = offsets.emplace(hour, raw + dst).first;
  }
  return fromSeconds(wall - it->second / 1000);
}

std::optional<double> parseDuration(std::string_view text) {
  std::string s = upperCased(trimBlanksView(text));
  std::string_view v = s;
  double sign = 1;
  if (!v.empty() && v.front() == '-') {
    sign = -1;
    v.remove_prefix(1);
  } else if (!v.empty() && v.front() == '+') {
    v.remove_prefix(1);
  }
  if (v.empty() || v.front() != 'P') return std::nullopt;
  v.remove_prefix(1);
  double total = 0;
  std::string buffer;
  bool bufferAscii = true;
  bool timePart = false;
  for (size_t i = 0; i < v.size();) {
    size_t at = i;
    char32_t cp = decodeAt(v, i);
    if (cp == 'T') {
      timePart = true;
      buffer.clear();
      bufferAscii = true;
      continue;
    }
    if (isNumericCodePoint(cp)) {
      buffer.append(v.substr(at, i - at));
      if (cp > 0x7F) bufferAscii = false;
      continue;
    }
    double n = 0;
    if (!buffer.empty() && bufferAscii) n = std::strtod(buffer.c_str(), nullptr);
    buffer.clear();
    bufferAscii = true;
    switch (cp) {
      case 'W': total += n * 7 * 86400; break;
      case 'D': total += n * 86400; break;
      case 'H': total += n * 3600; break;
      case 'M': total += timePart ? n * 60 : n * 30 * 86400; break;
      case 'S': total += n; break;
      default: break;
    }
  }
  return sign * total;
}

namespace {

// The first ':' outside double quotes; the first ':' at all when quotes never close.
size_t propertyColon(std::string_view line) {
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '"') quoted = !quoted;
    else if (c == ':' && !quoted) return i;
  }
  return quoted ? line.find(':') : std::string_view::npos;
}

// Splits the name part at ';' outside quotes, dropping empty pieces.
void splitNamePart(std::string_view namePart, std::vector<std::string_view>& pieces) {
  pieces.clear();
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i <= namePart.size(); ++i) {
    if (i < namePart.size()) {
      char c = namePart[i];
      if (c == '"') quoted = !quoted;
      if (c != ';' || quoted) continue;
    }
    if (i > start) pieces.push_back(namePart.substr(start, i - start));
    start = i + 1;
  }
}

bool isValueDate(std::string_view param) {
  auto eq = param.find('=');
  if (eq == std::string_view::npos) return false;
  std::string_view name = param.substr(0, eq), value = param.substr(eq + 1);
  if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
  return name == "VALUE" && value == "DATE";
}

struct Pending {
  std::string uid, summary, description, location, url, dtstart, dtend;
  bool allDay = false;
  std::vector<double> alarms;
  void reset() {
    uid.clear(), summary.clear(), description.clear(), location.clear(), url.clear();
    dtstart.clear(), dtend.clear();
    allDay = false;
    alarms.clear();
  }
};

class Reader {
 public:
  explicit Reader(Skipped& skipped) : skipped_(skipped) {}
  std::vector<ICSEvent> events;

  void line(std::string_view l) {
    if (l == "BEGIN:VEVENT") {
      if (inEvent_) ++skipped_.unterminated;
      p_.reset();
      inEvent_ = true;
      inAlarm_ = false;
      return;
    }
    if (l == "END:VEVENT") {
      if (inEvent_ && p_.uid.empty()) ++skipped_.noUID;
      if (inEvent_ && !p_.uid.empty()) finish();
      inEvent_ = inAlarm_ = false;
      return;
    }
    if (!inEvent_) return;
    if (l == "BEGIN:VALARM") {
      inAlarm_ = true;
      return;
    }
    if (l == "END:VALARM") {
      inAlarm_ = false;
      return;
    }
    size_t colon = propertyColon(l);
    if (colon == std::string_view::npos) return;
    std::string_view rawName = l.substr(0, colon);
    if (isAscii(rawName)) {
      namePart_.assign(rawName);
      for (char& c : namePart_)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    } else {
      namePart_ = upperCased(rawName);
    }
    const std::string& namePart = namePart_;
    std::string_view value = l.substr(colon + 1);
    splitNamePart(namePart, pieces_);
    std::string_view name = pieces_.empty() ? std::string_view(namePart) : pieces_.front();
    if (inAlarm_) {
      if (name == "TRIGGER") {
        if (auto d = parseDuration(value)) p_.alarms.push_back(*d);
      }
      return;
    }
    if (name == "UID") {
      p_.uid = trimBlanksView(value);
    } else if (name == "SUMMARY") {
      p_.summary = value;
    } else if (name == "DESCRIPTION") {
      p_.description = value;
    } else if (name == "LOCATION") {
      p_.location = value;
    } else if (name == "URL") {
      p_.url = value;
    } else if (name == "DTSTART") {
      p_.dtstart = trimBlanksView(value);
      bool dateParam = false;
      for (size_t k = 1; k < pieces_.size(); ++k) dateParam = dateParam || isValueDate(pieces_[k]);
      // The flag is only ever set: a later timed DTSTART does not clear it.
      if (dateParam || graphemeCount(p_.dtstart) == 8) p_.allDay = true;
    } else if (name == "DTEND") {
      p_.dtend = trimBlanksView(value);
    }
  }

 private:
  void finish() {
    auto start = parseDate(p_.dtstart, p_.allDay);
    if (!start) {
      ++skipped_.badDate;
      return;
    }
    auto end = parseDate(p_.dtend, p_.allDay);
    std::optional<ICSEvent::Date> e;
    using std::chrono::seconds;
    if (!end) {
      e = p_.allDay ? start : shifted(*start, seconds(3600));
    } else if (p_.allDay) {
      auto lastSecond = shifted(*end, seconds(-1));
      e = lastSecond ? std::max(*lastSecond, *start) : *start;
    } else if (auto shortest = shifted(*start, seconds(900))) {
      e = std::max(*end, *shortest);
    }
    // An end past the clock's range is no date either.
    if (!e) {
      ++skipped_.badDate;
      return;
    }
    ICSEvent ev;
    ev.uid = std::move(p_.uid);
    ev.summary = decodeText(p_.summary);
    ev.description = decodeText(p_.description);
    ev.location = decodeText(p_.location);
    ev.urlString = trimBlanksView(p_.url);
    ev.startDate = *start;
    ev.endDate = *e;
    ev.isAllDay = p_.allDay;
    ev.alarmOffsets = std::move(p_.alarms);
    events.push_back(std::move(ev));
    p_.reset();
  }

  // An event block still open when the text ends was left out too.
 public:
  void end() {
    if (inEvent_) ++skipped_.unterminated;
    inEvent_ = false;
  }

 private:
  Skipped& skipped_;
  Pending p_;
  bool inEvent_ = false;
  bool inAlarm_ = false;
  std::vector<std::string_view> pieces_;
  std::string namePart_;
};

}  // namespace

std::vector<ICSEvent> parse(std::string_view text) {
  Skipped ignored;
  return parse(text, ignored);
}

std::vector<ICSEvent> parse(std::string_view text, Skipped& skipped) {
  Reader reader(skipped);
  // One logical line is pending: a view into the text, or an owned copy once a
  // continuation line was appended to it.
  std::string_view pending;
  std::string owned;
  bool hasPending = false, isOwned = false;
  auto flush = [&] {
    if (hasPending) reader.line(isOwned ? std::string_view(owned) : pending);
    hasPending = isOwned = false;
  };
  size_t i = 0;
  const size_t n = text.size();
  while (true) {
    size_t e = i;
    while (e < n && text[e] != '\r' && text[e] != '\n') ++e;
    std::string_view raw = text.substr(i, e - i);
    bool continuation = !raw.empty() && (raw[0] == ' ' || raw[0] == '\t');
    if (continuation && hasPending) {
      if (!isOwned) {
        owned.assign(pending);
        isOwned = true;
      }
      owned.append(raw.substr(1));
    } else {
      flush();
      pending = raw;
      hasPending = true;
    }
    if (e >= n) break;
    i = e + ((text[e] == '\r' && e + 1 < n && text[e + 1] == '\n') ? 2 : 1);
    if (i >= n) {
      // A final line break is followed by one empty line, which matches nothing.
      break;
    }
  }
  flush();
  reader.end();
  return std::move(reader.events);
}

}  // namespace ICSParser
}  // namespace quorvel
