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

// A feed reply is usable when its status is 200, its body is UTF-8 and it contains
// "BEGIN:VCALENDAR". Otherwise the code of the error (the status; 200 for a body that
// is not a calendar) and what is wrong, in a short sentence: the status in words, a
// body that is not UTF-8 text, the sign-in page, or no calendar.
struct FeedProblem {
  int code = 0;
  std::string reason;
};
std::optional<FeedProblem> feedReplyProblem(int status, const std::string& body);

// The failure of the desktop calendar's fetch and of the sync run's, AppleCal with the
// problem's code: "拉取日程失败：" / "拉取日历流失败：" + the reason.
inline constexpr const char* kLiveFetchFailed = "拉取日程失败";
inline constexpr const char* kSyncFetchFailed = "拉取日历流失败";
AppError fetchFailedError(const char* what, const FeedProblem& problem);

}  // namespace quorvel::FeedLinks
