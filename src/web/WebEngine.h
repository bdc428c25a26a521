#pragma once
// The one owner of the web engine: the network session every tab shares (persistent
// in the data folder, ephemeral in tests), its cookies and web data, the page scripts
// and script-message wiring of every tab, and the downloads.
#include <webkit/webkit.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "core/AppMode.h"
#include "core/BrowserModel.h"
#include "web/rules/WebProcessGroups.h"
#include "core/WebStore.h"

namespace quorvel {

class Desktop;
class Downloads;
class UserDefaults;
class PageActions;
class PagePanelPresenter;
class TabController;

class WebEngine : public WebStore {
 public:
  struct Options {
    AppMode mode = AppMode::normal;
    // No data on disk: cookies and caches live as long as the engine.
    bool ephemeral = false;
    // The drag-and-drop page script ("NO_DRAG_INJECT=1" turns it off).
    bool dragAndDrop = true;
    // OpenGL runs in software: pages draw without compositing. Nothing: the engine's
    // own default.
    std::optional<bool> softwareGL;
  };

  WebEngine(Options options, UserDefaults& defaults, PageActions& actions, PagePanelPresenter& panels,
            Desktop& desktop);
  ~WebEngine() override;
  WebEngine(const WebEngine&) = delete;
  WebEngine& operator=(const WebEngine&) = delete;

  WebKitNetworkSession* network() const { return network_.get(); }
  AppMode mode() const { return options_.mode; }
  // The settings the tabs read (the service's address, the zoom).
  UserDefaults& defaults() const { return defaults_; }
  PageActions& pageActions() const { return actions_; }
  PagePanelPresenter& panels() const { return panels_; }
  Desktop& desktop() const { return desktop_; }

  // WebStore
  Task<std::vector<NativeCookie>> cookies() override;
  Task<void> clearWebData() override;

  // A content manager carrying the page scripts every tab gets.
  GObjectPtr<WebKitUserContentManager> makeContentManager() const;
  // The settings every tab's view gets (user agent, scripts, gestures).
  GObjectPtr<WebKitSettings> makeSettings() const;

  // Makes tabs' pages: a configured web view under a controller of this engine.
  PageFactory pageFactory();

  // Tabs share web processes, a few to each: a process costs far more than a page in
  // it, and a crash still reaches only the tabs of one process.
  static constexpr size_t kTabsPerWebProcess = 2;
  // The view whose process a new tab's view joins; nullptr for a process of its own.
  WebKitWebView* joinProcessGroup(const TabController& tab);
  // Tabs leave through this (it may outlive the engine): `leave` is true when the tab
  // was the last of its process.
  std::weak_ptr<WebProcessGroups> processGroups() const { return processGroups_; }

 private:
  Options options_;
  UserDefaults& defaults_;
  PageActions& actions_;
  PagePanelPresenter& panels_;
  Desktop& desktop_;
  GObjectPtr<WebKitNetworkSession> network_;
  std::vector<WebKitUserScript*> scripts_;
  std::unique_ptr<Downloads> downloads_;
  std::shared_ptr<WebProcessGroups> processGroups_ = std::make_shared<WebProcessGroups>(kTabsPerWebProcess);
};

}  // namespace quorvel
