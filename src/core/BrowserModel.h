#pragma once
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/AppConfig.h"
#include "core/AppMode.h"
#include "core/BadgeCounts.h"
#include "core/BrowserTab.h"
#include "core/NavItem.h"
#include "base/Published.h"
#include "core/Recents.h"
#include "base/Task.h"
#include "core/Todo.h"
#include "core/WebStore.h"

namespace quorvel {

class BrowserModel;
// Makes the live page of a tab (the web-view controller in the application, a fake
// in tests).
using PageFactory =
    std::function<std::shared_ptr<WebPage>(const std::shared_ptr<BrowserModel>&, const std::shared_ptr<BrowserTab>&)>;

// The one workspace model: tabs, the active tab and the observable workspace state.
// Confined to the main thread.
class BrowserModel : public std::enable_shared_from_this<BrowserModel> {
 public:
  // `store` may be nullptr (no cookies, nothing to clear); it must outlive the model.
  static std::shared_ptr<BrowserModel> create(PageFactory factory, WebStore* store = nullptr,
                                              AppMode mode = AppMode::normal);
  ~BrowserModel();

  Published<std::vector<std::shared_ptr<BrowserTab>>> tabs;
  Published<std::optional<std::string>> activeID;
  Published<std::string> activePath{"/dashboard"};
  Published<bool> activeLoading{false};
  Published<bool> activeCanGoBack{false};
  Published<bool> activeCanGoForward{false};
  Published<std::vector<NavItem>> navItems;
  Published<std::set<std::string>> forbiddenPaths;
  Published<std::vector<RecentItem>> recents;
  Published<BadgeCounts> badges;
  Published<Deadlines> deadlines;
  Published<bool> showTodo{false}, showMirror{false}, showPalette{false}, showShortcuts{false}, showSettings{false};
  Published<TodoKind> todoKind{TodoKind::overdue};
  Published<double> fontScale{1.0};

  // Fires after a tab changed between live and hibernated.
  sigc::signal<void()>& changed() { return changed_; }
  // Fires after a tab finished loading a page, with the page's decoded path.
  sigc::signal<void(const std::string& path)>& pageFinished() { return pageFinished_; }
  AppMode mode() const { return mode_; }

  // Tabs.
  std::shared_ptr<BrowserTab> newTab(const std::string& path, const std::string& title);
  std::shared_ptr<BrowserTab> activeTab() const;
  void activate(const std::shared_ptr<BrowserTab>& tab);
  void selectTab(int at);
  void selectNext(int offset);
  void syncActiveState();
  void loadInActive(const std::string& path);
  void moveTab(const std::string& id, const std::string& before);
  void close(const std::shared_ptr<BrowserTab>& tab);
  void closeOthers(const std::shared_ptr<BrowserTab>& tab);
  void closeToRight(const std::shared_ptr<BrowserTab>& tab);
  std::shared_ptr<BrowserTab> tabWithID(const std::string& id) const;

  // Session and hibernation.
  void saveSession();
  void wake(const std::shared_ptr<BrowserTab>& tab);
  void hibernateIdleTabs();
  int hibernateOthers();
  int liveTabCount() const;

  // Recents.
  void rememberProceeding(long long id, const std::string& title);

  // Badges, sign-in state and forbidden pages.
  void refreshBadges();
  void applyBadges(const std::string& text);
  void markLoginRequired();
  void logout();
  void markForbidden(const std::string& path);
  std::vector<NavItem> visibleNavItems() const;

  // Page-script reads, run inside the active tab's page.
  Task<std::string> fetchJSON(const std::string& path);
  Task<std::string> fetchNodesCached(bool force);
  void fetchDeadlines(std::function<void()> completion = {});

  // Native requests with the web store's cookies for the server host.
  struct FormResult {
    bool ok = false;
    int statusCode = -1;
    std::string body;
  };
  Task<FormResult> postFormResult(const std::string& path, const std::map<std::string, std::string>& fields);
  Task<long long> quickUpload(const std::vector<std::filesystem::path>& files, long long procId);

  // Node cache of "/api/desktop/nodes".
  std::optional<std::string> cachedNodesData;
  std::chrono::system_clock::time_point cachedNodesAt{};

  // Wired by the application to the notifier (tests watch them).
  std::function<void()> clearDockBadge;
  std::function<void(const BadgeCounts&)> notifyCounts;

 private:
  BrowserModel(PageFactory factory, WebStore* store, AppMode mode);
  Task<std::string> cookieHeader(const Url& home);
  Task<void> clearWebDataThenShowLogin();
  void construct();
  bool restoreSession();
  std::shared_ptr<WebPage> makePage(const std::shared_ptr<BrowserTab>& tab);
  int indexOf(const std::string& id) const;
  void setTabs(std::vector<std::shared_ptr<BrowserTab>> v) { tabs.set(std::move(v)); }
  // The active tab's live page when it shows a page of the service.
  WebPage* activeServicePage(bool requireURL) const;

  PageFactory factory_;
  WebStore* webStore_ = nullptr;
  AppMode mode_ = AppMode::normal;
  unsigned badgeTimer_ = 0;
  unsigned hibernateTimer_ = 0;
  sigc::signal<void()> changed_;
  sigc::signal<void(const std::string&)> pageFinished_;
};

}  // namespace quorvel
