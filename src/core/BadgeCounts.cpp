#include "core/BadgeCounts.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace quorvel {
namespace {
// Integral JSON numbers only; text, booleans and fractions fall back to 0.
long long intField(const nlohmann::json& o, const char* key) {
  auto it = o.find(key);
  if (it == o.end()) return 0;
  if (it->is_number_integer() || it->is_number_unsigned()) return it->get<long long>();
  return 0;
}
std::string textField(const nlohmann::json& o, const char* key) {
  auto it = o.find(key);
  return (it != o.end() && it->is_string()) ? it->get<std::string>() : std::string();
}
bool isBadgeReply(const nlohmann::json& j) {
  if (!j.is_object()) return false;
  // An error object of the service ({"error": …}, {"success": false, …}) is no count.
  for (const char* key : {"error", "errors"}) {
    auto it = j.find(key);
    if (it == j.end() || it->is_null() || (it->is_boolean() && !it->get<bool>())) continue;
    if (it->is_string() ? it->get_ref<const std::string&>().empty() : (it->is_structured() && it->empty())) continue;
    return false;
  }
  for (const char* key : {"success", "ok"}) {
    auto it = j.find(key);
    if (it != j.end() && it->is_boolean() && !it->get<bool>()) return false;
  }
  // Another shape altogether: none of the counters is there.
  for (const char* key : {"overdue", "today", "soon", "verify", "hearings"})
    if (j.contains(key)) return true;
  return false;
}
}  // namespace

long long shownCount(long long count, long long max) { return std::clamp(count, 0LL, max); }

std::string countText(long long count, long long max) {
  return count > max ? std::to_string(max) + "+" : std::to_string(shownCount(count, max));
}

std::optional<BadgeCounts> parseBadgeReply(const std::string& text) {
  auto j = nlohmann::json::parse(text, nullptr, false);
  if (j.is_discarded() || !isBadgeReply(j)) return std::nullopt;
  BadgeCounts c;
  c.loaded = true;
  c.loginRequired = false;
  c.overdue = intField(j, "overdue");
  c.today = intField(j, "today");
  c.soon = intField(j, "soon");
  c.verify = intField(j, "verify");
  c.hearings = intField(j, "hearings");
  c.user = textField(j, "user");
  c.role = textField(j, "role");
  c.firm = textField(j, "firm");
  c.updatedAt = textField(j, "ts");
  return c;
}

bool looksLikeLoginPage(const std::string& text) {
  return text.find("<form") != std::string::npos || text.find("系统登录") != std::string::npos;
}

}  // namespace quorvel
