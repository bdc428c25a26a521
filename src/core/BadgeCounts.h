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

// Parses a reply text: a JSON object gives the counts (each field falling back
// on its own); anything else gives nothing.
std::optional<BadgeCounts> parseBadgeReply(const std::string& text);
// A non-JSON reply that looks like the sign-in page.
bool looksLikeLoginPage(const std::string& text);

}  // namespace quorvel
