#pragma once
#include <optional>
#include <string>

namespace quorvel {

// The badge reply of "/api/desktop/badges" plus the sign-in flags.
struct BadgeCounts {
  bool loaded = false;
  bool loginRequired = false;
  long long overdue = 0;
  long long today = 0;
  long long soon = 0;
  long long verify = 0;
  long long hearings = 0;
  std::string user;
  std::string role;
  std::string firm;
  std::string updatedAt;
  bool operator==(const BadgeCounts&) const = default;
};

// What a count pill, the tray and the launcher badge can show: the count within
// 0 … max, and a larger one as max + "+". A negative count from the service shows as 0.
inline constexpr long long kMaxShownCount = 999;
long long shownCount(long long count, long long max = kMaxShownCount);
std::string countText(long long count, long long max = kMaxShownCount);

// Parses a reply text. A badge reply is a JSON object holding at least one of the five
// counters and no error marker ("error", "errors", "success": false, "ok": false); it
// gives the counts, each field falling back on its own. Anything else (not JSON, an
// error object, an object of another shape, "{}") gives nothing: counters never turn 0
// from a reply that is not a badge reply.
std::optional<BadgeCounts> parseBadgeReply(const std::string& text);
// A non-JSON reply that looks like the sign-in page.
bool looksLikeLoginPage(const std::string& text);

}  // namespace quorvel
