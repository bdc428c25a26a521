#pragma once
// The decisions of a tab's web-view controller, kept apart from WebKit so they are
// tested headless.
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/AppConfig.h"
#include "core/NavItem.h"
#include "core/BadgeCounts.h"
#include "base/Url.h"

namespace quorvel::TabRules {

enum class NavAction { allow, cancel, openExternally, deepLink };
struct NavDecision {
  NavAction action;
  std::string reason;  // for the log when something is refused
};

// Every navigation inside a tab.
NavDecision decideNavigation(const std::string& url, const Url& home);

// A link with a target or window.open: never a second web view.
struct NewWindowDecision {
  enum Kind { openTab, openExternally, deepLink, ignore } kind;
  std::string pathAndQuery;  // for openTab
  std::string reason;
};
NewWindowDecision decideNewWindow(const std::string& url, const Url& home);

bool isAttachment(const std::string& contentDisposition);

// "a · 墨衡台" → "a"; longer than 16 characters → 16 + "…".
std::string shortTitle(const std::string& title);
// "/proceeding/88/x" → 88.
std::optional<long long> proceedingId(const std::string& path);

// A server-suggested name reduced to one safe last component.
std::string safeDownloadName(const std::string& suggested);
// First free place for `name` in `dir`: name, stem-1.ext, stem-2.ext, …
std::filesystem::path uniqueDownloadPath(const std::filesystem::path& dir, const std::string& name,
                                         const std::function<bool(const std::filesystem::path&)>& exists);

// The page's sidebar from a "nav" message; empty for anything malformed.
std::vector<NavItem> parseNavMessage(const std::string& body);

struct ForbiddenHit {
  std::string path;
  std::string text;
};
std::optional<ForbiddenHit> parseForbiddenProbe(const std::string& reply);
// "张三（律师）", or "当前账号" without a user name.
std::string accountLine(const BadgeCounts& badges);

}  // namespace quorvel::TabRules
