#include "features/workspace/DeepLinkRouter.h"

#include <charconv>
#include <cstdint>
#include <vector>

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/MainWindowHook.h"

namespace quorvel {
namespace {
using Target = DeepLinkRouter::Target;

// Path components without the separators; empty components (from "//") are dropped.
std::vector<std::string> pathComponents(const std::string& decodedPath) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= decodedPath.size()) {
    size_t end = decodedPath.find('/', start);
    if (end == std::string::npos) end = decodedPath.size();
    if (end > start) out.push_back(decodedPath.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

// A record number: ASCII digits only (no sign, no spaces) that fit a 64-bit integer.
bool isRecordNumber(const std::string& text) {
  if (text.empty()) return false;
  for (unsigned char c : text)
    if (c < '0' || c > '9') return false;
  std::int64_t value = 0;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size();
}

// A path that a browser would read as another host ("//evil.example/…", "/\evil…").
bool readsAsOtherHost(const std::string& path) {
  return path.size() >= 2 && path[0] == '/' && (path[1] == '/' || path[1] == '\\');
}

std::optional<Target> resolveWebLink(const Url& url, const Url& home) {
  if (!isServiceHost(url.host, home.host)) return std::nullopt;
  std::string path = url.decodedPath();
  if (path.empty()) path = "/dashboard";
  if (readsAsOtherHost(path)) return std::nullopt;
  if (url.query) path += "?" + *url.query;
  return Target::page(path);
}

std::optional<Target> resolveNumbered(const std::vector<std::string>& parts, const std::string& prefix,
                                      const std::string& titleWord) {
  if (parts.empty() || !isRecordNumber(parts[0])) return std::nullopt;
  return Target::page(prefix + parts[0], titleWord + " " + parts[0]);
}

std::optional<Target> resolveSchemeLink(const Url& url) {
  const std::string host = toLowerAscii(url.host);
  const auto parts = pathComponents(url.decodedPath());
  if (host == "proceeding" || host == "proc") return resolveNumbered(parts, "/proceeding/", "程序");
  if (host == "contract") return resolveNumbered(parts, "/contract_detail/", "合同");
  if (host == "client") return resolveNumbered(parts, "/client_detail/", "客户");
  if (host == "calendar") return Target::page("/calendar", "日历与待办");
  if (host == "cases") return Target::page("/cases", "全局案件中心");
  if (host == "logistics") return Target::page("/logistics", "物流查签中心");
  if (host == "dashboard" || host.empty()) return Target::page("/dashboard", "个人工作台");
  if (host == "todo") return Target::todo();
  if (host == "search" || host == "palette") return Target::palette();
  if (host == "mirror") return Target::mirror();
  if (host == "path") {
    auto p = url.queryItem("p");
    if (!p || p->empty() || p->front() != '/' || readsAsOtherHost(*p)) return std::nullopt;
    return Target::page(*p);
  }
  return std::nullopt;
}

// The link as logged: credentials never reach the log.
std::string loggable(const std::string& text) {
  auto url = Url::parse(text);
  if (!url) return text;
  url->userinfo.clear();
  return url->toString();
}

Published<bool>* flagFor(const DeepLinkRouter::ToolFlags& tools, Target::Kind kind) {
  switch (kind) {
    case Target::Kind::todo: return &tools.todo;
    case Target::Kind::palette: return &tools.palette;
    case Target::Kind::mirror: return &tools.mirror;
    case Target::Kind::page: break;
  }
  return nullptr;
}

}  // namespace

std::string DeepLinkRouter::describe(const Target& target) {
  switch (target.kind) {
    case Target::Kind::todo: return "todo";
    case Target::Kind::palette: return "palette";
    case Target::Kind::mirror: return "mirror";
    case Target::Kind::page: break;
  }
  std::string s = "page " + target.path;
  if (target.title) s += " 「" + *target.title + "」";
  return s;
}

std::optional<Target> DeepLinkRouter::resolve(const std::string& text, const Url& home) {
  auto url = Url::parse(text);
  if (!url) return std::nullopt;
  const std::string scheme = toLowerAscii(url->scheme);
  if (scheme == "http" || scheme == "https") return resolveWebLink(*url, home);
  if (scheme != "quorvel") return std::nullopt;
  return resolveSchemeLink(*url);
}

DeepLinkRouter::DeepLinkRouter(UserDefaults& defaults, MainWindowHook& mainWindow)
    : defaults_(defaults), mainWindow_(mainWindow) {}

DeepLinkRouter::~DeepLinkRouter() = default;

std::optional<Target> DeepLinkRouter::resolve(const std::string& text) const {
  return resolve(text, AppConfig::homeURL(defaults_));
}

bool DeepLinkRouter::handle(const std::string& url, BrowserModel& browser, const ToolFlags& tools) {
  auto target = resolve(url);
  if (!target) return false;
  mainWindow_.showMainWindow();
  if (target->kind == Target::Kind::page) {
    // The title is the resolver's; the page brings its own.
    browser.loadInActive(target->path);
  } else {
    flagFor(tools, target->kind)->set(true);
  }
  logLine(tags::kDeepLink, "路由 " + loggable(url));
  return true;
}

}  // namespace quorvel
