#pragma once
// Finding the calendar feed's address on the subscribe page and judging the feed's
// reply: the parts of discovery and live fetch that need no network.
#include <optional>
#include <string>

#include "base/AppError.h"
#include "base/Url.h"

namespace quorvel::FeedLinks {

inline constexpr const char* kSubscribePath = "/calendar/subscribe";
inline constexpr const char* kAbsolutePattern = "https?://[^\\s\"'<>]+/cal/[^\\s\"'<>]+/all\\.ics";
inline constexpr const char* kPathPattern = "/cal/[^\\s\"'<>]+/all\\.ics";

// The feed address on the page: the first absolute link when it forms an address
// (a plain "http" link only when the home address is itself "http"), else the first
// path link resolved against `home`; nothing when neither is there.
std::optional<std::string> extractFeedURL(const std::string& pageText, const Url& home);

// AppleCal code 2, "未找到日历订阅链接（请先登录墨衡台账号）".
AppError noFeedLinkError();
// AppleCal with the HTTP status as code (200: not a calendar, -1: no HTTP reply).
AppError fetchFailedError(int code);

// A feed reply is usable when its status is 200, its body is UTF-8 and it contains
// "BEGIN:VCALENDAR". Otherwise the code of the error (the status; 200 for a body
// that is not a calendar).
std::optional<int> feedReplyFailure(int status, const std::string& body);

}  // namespace quorvel::FeedLinks
