#include "web/rules/TabRules.h"

#include <nlohmann/json.hpp>

#include "base/Text.h"
#include "core/Recents.h"

namespace quorvel::TabRules {
namespace fs = std::filesystem;

namespace {
bool isSystemScheme(const std::string& scheme) { return scheme == "mailto" || scheme == "tel" || scheme == "sms"; }
std::string schemeOf(const std::string& url) {
  auto c = url.find(':');
  if (c == std::string::npos) return {};
  return toLowerAscii(url.substr(0, c));
}
}  // namespace

NavDecision decideNavigation(const std::string& url, const Url& home) {
  if (url.empty()) return {NavAction::allow, {}};
  std::string scheme = schemeOf(url);
  if (scheme == "about" || scheme == "blob" || scheme == "data") return {NavAction::allow, {}};
  if (scheme == "file") return {NavAction::cancel, "file 链接不在标签内打开"};
  if (scheme == "quorvel") return {NavAction::deepLink, {}};
  if (scheme != "http" && scheme != "https") {
    if (isSystemScheme(scheme)) return {NavAction::openExternally, {}};
    return {NavAction::cancel, "不支持的链接类型 " + scheme};
  }
  auto u = Url::parse(url);
  if (!u || u->host.empty() || home.host.empty()) return {NavAction::allow, {}};
  if (isServiceHost(u->host, home.host)) return {NavAction::allow, {}};
  return {NavAction::openExternally, {}};
}

NewWindowDecision decideNewWindow(const std::string& url, const Url& home) {
  if (url.empty()) return {NewWindowDecision::ignore, {}, "空地址"};
  std::string scheme = schemeOf(url);
  if (scheme == "file" || scheme == "about" || scheme == "blob" || scheme == "data" || scheme == "javascript")
    return {NewWindowDecision::ignore, {}, "不打开 " + scheme + " 窗口"};
  if (scheme == "quorvel") return {NewWindowDecision::deepLink, {}, {}};
  if (scheme != "http" && scheme != "https") {
    if (isSystemScheme(scheme)) return {NewWindowDecision::openExternally, {}, {}};
    return {NewWindowDecision::ignore, {}, "不支持的链接类型 " + scheme};
  }
  auto u = Url::parse(url);
  if (u && !u->host.empty() && !home.host.empty() && isServiceHost(u->host, home.host) && !u->path.empty()) {
    std::string p = u->decodedPath();
    if (u->query) p += "?" + *u->query;
    return {NewWindowDecision::openTab, p, {}};
  }
  return {NewWindowDecision::openExternally, {}, {}};
}

bool isAttachment(const std::string& contentDisposition) {
  return toLowerAscii(contentDisposition).find("attachment") != std::string::npos;
}

std::string shortTitle(const std::string& title) {
  std::string t = trimmed(title);
  for (const char* sep : {" · ", " - ", " | "}) {
    auto at = t.find(sep);
    if (at == std::string::npos) continue;
    std::string head = trimmed(t.substr(0, at), " \t");
    if (graphemesExceed(head, 1)) {
      t = head;
      break;
    }
  }
  if (graphemesExceed(t, 16)) t = graphemePrefix(t, 16) + "…";
  return t;
}

std::optional<long long> proceedingId(const std::string& path) {
  if (path.rfind("/proceeding/", 0) != 0) return std::nullopt;
  std::string rest = path;
  const std::string marker = "/proceeding/";
  for (auto at = rest.find(marker); at != std::string::npos; at = rest.find(marker)) rest.erase(at, marker.size());
  std::string first;
  size_t i = 0;
  while (i < rest.size() && rest[i] == '/') ++i;
  auto end = rest.find('/', i);
  first = rest.substr(i, end == std::string::npos ? std::string::npos : end - i);
  if (first.empty() || first.size() > 18) return std::nullopt;
  size_t k = (first[0] == '+' || first[0] == '-') ? 1 : 0;
  if (k == first.size()) return std::nullopt;
  for (size_t j = k; j < first.size(); ++j)
    if (first[j] < '0' || first[j] > '9') return std::nullopt;
  return std::stoll(first);
}

std::string safeDownloadName(const std::string& suggested) {
  std::string name = suggested;
  // Only the last component counts, whichever separator the server used.
  auto cut = name.find_last_of("/\\");
  if (cut != std::string::npos) name = name.substr(cut + 1);
  for (auto& c : name)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) c = '-';
  name = trimmed(name, " \t");
  if (name.empty() || name == "." || name == "..") return "download";
  return name;
}

fs::path uniqueDownloadPath(const fs::path& dir, const std::string& name,
                            const std::function<bool(const fs::path&)>& exists) {
  fs::path candidate = dir / name;
  if (!exists(candidate)) return candidate;
  std::string stem = name, ext;
  auto dot = name.rfind('.');
  if (dot != std::string::npos && dot > 0) {
    stem = name.substr(0, dot);
    ext = name.substr(dot + 1);
  }
  for (int n = 1;; ++n) {
    std::string next = stem + "-" + std::to_string(n) + (ext.empty() ? "" : "." + ext);
    candidate = dir / next;
    if (!exists(candidate)) return candidate;
  }
}

std::vector<NavItem> parseNavMessage(const std::string& body) {
  std::vector<NavItem> out;
  auto j = nlohmann::json::parse(body, nullptr, false);
  if (j.is_discarded() || !j.is_array()) return out;
  for (auto& e : j) {
    if (!e.is_object()) continue;
    auto t = e.find("title");
    auto p = e.find("path");
    if (t == e.end() || p == e.end() || !t->is_string() || !p->is_string()) continue;
    std::string title = t->get<std::string>(), path = p->get<std::string>();
    if (title.empty() || path.empty() || path[0] != '/') continue;
    out.push_back(NavItem{title, navSymbol(path), path});
  }
  return out;
}

std::optional<ForbiddenHit> parseForbiddenProbe(const std::string& reply) {
  auto j = nlohmann::json::parse(reply, nullptr, false);
  if (j.is_discarded() || !j.is_object()) return std::nullopt;
  auto f = j.find("forbidden");
  auto p = j.find("path");
  if (f == j.end() || !f->is_boolean() || !f->get<bool>() || p == j.end() || !p->is_string()) return std::nullopt;
  ForbiddenHit hit{p->get<std::string>(), {}};
  if (auto t = j.find("text"); t != j.end() && t->is_string()) hit.text = t->get<std::string>();
  return hit;
}

std::string accountLine(const BadgeCounts& badges) {
  if (badges.user.empty()) return "当前账号";
  std::string role = roleName(badges.role);
  const std::string name = clippedText(badges.user, kShownNameCharacters);
  return role.empty() ? name : name + "（" + role + "）";
}

}  // namespace quorvel::TabRules
