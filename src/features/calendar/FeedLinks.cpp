#include "features/calendar/FeedLinks.h"

#include <unicode/regex.h>

#include <memory>

#include "base/ErrorDomains.h"
#include "base/FailureText.h"
#include "core/BadgeCounts.h"
#include "core/NativeRequests.h"

namespace quorvel::FeedLinks {

namespace {
std::optional<std::string> firstMatch(const icu::UnicodeString& text, const char* pattern) {
  UErrorCode st = U_ZERO_ERROR;
  UParseError pe;
  std::unique_ptr<icu::RegexPattern> p(icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), 0, pe, st));
  if (U_FAILURE(st)) return std::nullopt;
  std::unique_ptr<icu::RegexMatcher> m(p->matcher(text, st));
  if (U_FAILURE(st) || !m->find()) return std::nullopt;
  std::string out;
  m->group(st).toUTF8String(out);
  if (U_FAILURE(st)) return std::nullopt;
  return out;
}
}  // namespace

std::optional<std::string> extractFeedURL(const std::string& pageText, const Url& home) {
  icu::UnicodeString text = icu::UnicodeString::fromUTF8(pageText);
  if (auto absolute = firstMatch(text, kAbsolutePattern)) {
    auto url = Url::parse(*absolute);
    // The link is a capability; a plain-text link only where the service itself is.
    bool schemeOk = url && (url->scheme == "https" || home.scheme == "http");
    if (url && !url->host.empty() && schemeOk) return *absolute;
  }
  if (auto path = firstMatch(text, kPathPattern)) {
    if (auto resolved = home.resolve(*path)) return resolved->toString();
  }
  return std::nullopt;
}

AppError noFeedLinkError() {
  return AppError(errors::kAppleCal, errors::kNoFeedLink, "未找到日历订阅链接（请先登录墨衡台账号）");
}

std::optional<FeedProblem> feedReplyProblem(int status, const std::string& body) {
  if (status != 200) return FeedProblem{status, failure::statusSentence(status)};
  std::string text = utf8OrEmpty(body);
  if (text.empty() && !body.empty()) return FeedProblem{200, "日历流不是 UTF-8 文本，无法读取"};
  if (text.find("BEGIN:VCALENDAR") != std::string::npos) return std::nullopt;
  return FeedProblem{200, looksLikeLoginPage(text) ? failure::kSignedOut : "服务器返回的不是日历"};
}

AppError fetchFailedError(const char* what, const FeedProblem& problem) {
  return AppError(errors::kAppleCal, problem.code, std::string(what) + "：" + problem.reason);
}

}  // namespace quorvel::FeedLinks
