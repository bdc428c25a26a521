#pragma once
// Links into the client: the "quorvel" scheme (system opener, search results,
// calendar entries) and ordinary web links to the service's own pages. Turns such a
// link into a target and performs it in the workspace.
#include <optional>
#include <string>

#include "base/Published.h"
#include "base/Url.h"

namespace quorvel {

class BrowserModel;
class MainWindowHook;
class UserDefaults;

class DeepLinkRouter {
 public:
  struct Target {
    enum class Kind { page, todo, palette, mirror };
    Kind kind = Kind::page;
    // page only: a service path, possibly with "?" and a query; the title is optional.
    std::string path;
    std::optional<std::string> title;

    static Target page(std::string path, std::optional<std::string> title = std::nullopt) {
      return Target{Kind::page, std::move(path), std::move(title)};
    }
    static Target todo() { return Target{Kind::todo, {}, {}}; }
    static Target palette() { return Target{Kind::palette, {}, {}}; }
    static Target mirror() { return Target{Kind::mirror, {}, {}}; }

    // Same case and, for pages, same path and title (both absent or equal).
    friend bool operator==(const Target&, const Target&) = default;
  };

  // "page /proceeding/101 「程序 101」", "todo"… (logs and test output).
  static std::string describe(const Target& target);

  // Pure: the target of a link, or nothing when the client does not understand it.
  // Web links count only on the service's host (or a subdomain of it), judged against
  // `home`.
  static std::optional<Target> resolve(const std::string& url, const Url& home);

  // The service's address comes from `defaults`; `mainWindow` is shown for every link
  // that resolves.
  DeepLinkRouter(UserDefaults& defaults, MainWindowHook& mainWindow);
  ~DeepLinkRouter();
  DeepLinkRouter(const DeepLinkRouter&) = delete;
  DeepLinkRouter& operator=(const DeepLinkRouter&) = delete;

  // resolve() against the configured home address.
  std::optional<Target> resolve(const std::string& url) const;

  // The flags that open the tool windows a link can ask for.
  struct ToolFlags {
    Published<bool>& todo;
    Published<bool>& palette;
    Published<bool>& mirror;
  };

  // Main thread. Nothing happens and false comes back when the link does not resolve;
  // otherwise the main window is shown, the target performed (a page loads in the
  // active tab of `browser`, a tool window opens through its flag in `tools`) and true
  // comes back. The application asks the privacy lock before it hands a link here.
  bool handle(const std::string& url, BrowserModel& browser, const ToolFlags& tools);

 private:
  UserDefaults& defaults_;
  MainWindowHook& mainWindow_;
};

}  // namespace quorvel
