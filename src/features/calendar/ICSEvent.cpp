#include "features/calendar/ICSEvent.h"

#include <unicode/regex.h>

#include <memory>

#include "base/Url.h"
#include "features/calendar/FeedText.h"

namespace quorvel {

namespace {

constexpr std::string_view kPrefixes[] = {"hearing-", "deadline-", "routine-", "overdue-"};
constexpr ICSEvent::Kind kKinds[] = {ICSEvent::Kind::hearing, ICSEvent::Kind::deadline, ICSEvent::Kind::routine,
                                     ICSEvent::Kind::overdue};

std::optional<std::int64_t> proceedingIn(const std::string& text) {
  if (text.empty()) return std::nullopt;
  thread_local std::unique_ptr<icu::RegexPattern> pattern = [] {
    UErrorCode st = U_ZERO_ERROR;
    UParseError pe;
    return std::unique_ptr<icu::RegexPattern>(
        icu::RegexPattern::compile(icu::UnicodeString::fromUTF8("/(?:proceeding|m/proc)/(\\d+)"), 0, pe, st));
  }();
  if (!pattern) return std::nullopt;
  UErrorCode st = U_ZERO_ERROR;
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(text);
  std::unique_ptr<icu::RegexMatcher> m(pattern->matcher(u, st));
  if (U_FAILURE(st) || !m->find()) return std::nullopt;
  // The matched text's last "/" piece is the number (\d also matches non-ASCII digits,
  // which do not convert).
  std::string digits;
  m->group(1, st).toUTF8String(digits);
  if (U_FAILURE(st)) return std::nullopt;
  return feedtext::toInt64(digits);
}

}  // namespace

const char* kindRawValue(ICSEvent::Kind kind) {
  switch (kind) {
    case ICSEvent::Kind::hearing: return "hearing";
    case ICSEvent::Kind::deadline: return "deadline";
    case ICSEvent::Kind::routine: return "routine";
    case ICSEvent::Kind::overdue: return "overdue";
    case ICSEvent::Kind::other: break;
  }
  return "other";
}

ICSEvent::Kind ICSEvent::kind() const {
  for (size_t k = 0; k < std::size(kPrefixes); ++k)
    if (uid.rfind(kPrefixes[k], 0) == 0) return kKinds[k];
  return Kind::other;
}

std::optional<std::int64_t> ICSEvent::logID() const {
  for (auto prefix : kPrefixes) {
    if (uid.rfind(prefix, 0) != 0) continue;
    std::string_view rest = std::string_view(uid).substr(prefix.size());
    size_t i = 0, end = 0;
    while (i < rest.size()) {
      size_t at = i;
      if (!feedtext::isNumericCodePoint(feedtext::decodeAt(rest, i))) {
        i = at;
        break;
      }
      end = i;
    }
    if (end == 0) return std::nullopt;
    return feedtext::toInt64(rest.substr(0, end));
  }
  return std::nullopt;
}

std::optional<std::int64_t> ICSEvent::proceedingID() const {
  if (auto id = proceedingIn(urlString)) return id;
  return proceedingIn(description);
}

std::optional<std::string> ICSEvent::deepLinkURL() const {
  if (auto id = proceedingID()) return "quorvel://proceeding/" + std::to_string(*id);
  if (urlString.find("/calendar") != std::string::npos) return std::string("quorvel://calendar");
  if (urlString.empty()) return std::nullopt;
  auto url = Url::parse(urlString);
  if (!url) return std::nullopt;
  return url->toString();
}

std::string ICSEvent::contentFingerprint() const {
  using std::chrono::duration_cast;
  using std::chrono::seconds;
  std::string out;
  out.reserve(summary.size() + location.size() + 48);
  out += summary;
  out += '|';
  out += location;
  out += '|';
  out += std::to_string(duration_cast<seconds>(startDate.time_since_epoch()).count());
  out += '|';
  out += std::to_string(duration_cast<seconds>(endDate.time_since_epoch()).count());
  out += isAllDay ? "|1|" : "|0|";
  out += std::to_string(feedtext::graphemeCount(description));
  out += '|';
  out += std::to_string(alarmOffsets.size());
  return out;
}

}  // namespace quorvel
