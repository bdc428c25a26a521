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

#include "base/Published.h"
#include "base/GLibPtr.h"
#include "base/Task.h"
#include "core/AccountState.h"
#include "core/AppConfig.h"
#include "core/AppMode.h"
#include "core/AuditLog.h"
#include "core/BadgeCounts.h"
#include "core/BrowserTab.h"
#include "core/NavItem.h"
#include "core/Recents.h"
#include "core/ServiceRequests.h"
#include "core/Todo.h"
#include "core/WebStore.h"

namespace quorvel {

class BrowserModel;
// Makes the live page of a tab (the web-view controller in the application, a fake
// in tests).
using PageFactory =
    std::function<std::shared_ptr<WebPage>(const std::shared_ptr<BrowserModel>&, const std::shared_ptr<BrowserTab>&)>;

// How the tab list changed, so a tab strip or sidebar updates single rows.
struct TabRowsChange {
  enum Kind { inserted, removed, moved, reset } kind = reset;
  int index = -1;  // the row inserted, removed, or moved to
  int from = -1;   // moved: the row it came from
};

// The one workspace model: tabs, the active tab and the observable workspace state.
// Confined to the main thread. Its work lives in units with one job each: the tab
// list here, session and hibernation (BrowserModelSession.cpp), the
// account (AccountState), reads through the page (PageReads) and native requests
// (ServiceRequests); the model keeps the one face the views and services use.
class BrowserModel : public std::enable_shared_from_this<BrowserModel> {
 public:
  // The session, the recents and the font scale are kept in `defaults`, what the
  // workspace does is recorded in `audit`. `store` may be nullptr (no cookies, nothing
  // to clear). All three must outlive the model.
  static std::shared_ptr<BrowserModel> create(PageFactory factory, UserDefaults& defaults, AuditLog& audit,
                                              WebStore* store = nullptr, AppMode mode = AppMode::normal);
  // Temporary, for the calendar tests until they hand the model its defaults: the
  // defaults of UserDefaults::standard() and an audit log of the model's own.
  static std::shared_ptr<BrowserModel> create(PageFactory factory, WebStore* store = nullptr,
                                              AppMode mode = AppMode::normal);
  ~BrowserModel();

  Published<std::vector<std::shared_ptr<BrowserTab>>, BrowserModel> tabs;
  Published<std::optional<std::string>> activeID;
  Published<std::string, BrowserModel> activePath{"/dashboard"};
  Published<bool, BrowserModel> activeLoading{false};
  Published<bool, BrowserModel> activeCanGoBack{false};
  Published<bool, BrowserModel> activeCanGoForward{false};

 private:
  AccountState account_;

 public:
  // The account's state, owned by its unit (see AccountState).
  AccountState& account() { return account_; }
  decltype(AccountState::navItems)& navItems = account_.navItems;
  decltype(AccountState::forbiddenPaths)& forbiddenPaths = account_.forbiddenPaths;
  decltype(AccountState::recents)& recents = account_.recents;
  decltype(AccountState::badges)& badges = account_.badges;
  decltype(AccountState::deadlines)& deadlines = account_.deadlines;
  decltype(AccountState::badgeFailure)& badgeFailure = account_.badgeFailure;
  decltype(AccountState::deadlineFailure)& deadlineFailure = account_.deadlineFailure;

  Published<bool> showTodo{false}, showMirror{false}, showPalette{false}, showShortcuts{false}, showSettings{false};
  Published<TodoKind> todoKind{TodoKind::overdue};
  Published<double> fontScale{1.0};

  // Fires after a tab changed between live and hibernated.
  sigc::signal<void()>& changed() { return changed_; }
  // Fires after rows of the tab list were inserted, removed or moved (after `tabs`).
  sigc::signal<void(const TabRowsChange&)>& tabRowsChanged() { return tabRowsChanged_; }
  // Fires after a tab finished loading a page, with the page's decoded path.
  sigc::signal<void(const std::string& path)>& pageFinished() { return pageFinished_; }
  AppMode mode() const { return mode_; }
  // Who is signed in, as the audit log records it.
  AuditLog::Identity identity() const;

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
  // The active tab's live page goes back, forward or reloads; nothing without one.
  void goBack();
  void goForward();
  void reload();

  // Session and hibernation.
  void saveSession();
  void wake(const std::shared_ptr<BrowserTab>& tab);
  void hibernateIdleTabs();
  // Releases one tab's page (keeping its address); false when it had none.
  bool hibernate(const std::shared_ptr<BrowserTab>& tab);
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
  using FormResult = quorvel::FormResult;
  Task<FormResult> postFormResult(const std::string& path, const std::map<std::string, std::string>& fields);
  Task<long long> quickUpload(const std::vector<std::filesystem::path>& files, long long procId);

  // Node cache of "/api/desktop/nodes".
  std::optional<std::string>& cachedNodesData = account_.cachedNodesData;
  std::chrono::system_clock::time_point& cachedNodesAt = account_.cachedNodesAt;

  // Wired by the application to the notifier (tests watch them).
  std::function<void()>& clearDockBadge = account_.clearDockBadge;
  std::function<void(const BadgeCounts&)>& notifyCounts = account_.notifyCounts;

 private:
  BrowserModel(PageFactory factory, UserDefaults& defaults, AuditLog& audit, WebStore* store, AppMode mode);
  Task<void> clearWebDataThenShowLogin();
  Task<void> readBadges(std::shared_ptr<WebPage> page);
  Task<void> readDeadlines(std::shared_ptr<WebPage> page, std::function<void()> completion);
  void setTabs(std::vector<std::shared_ptr<BrowserTab>> v, TabRowsChange change);
  void construct();
  bool restoreSession();
  std::shared_ptr<WebPage> makePage(const std::shared_ptr<BrowserTab>& tab);
  int indexOf(const std::string& id) const;
  // The active tab's live page when it shows a page of the service.
  std::shared_ptr<WebPage> activeServicePage(bool requireURL) const;

  std::unique_ptr<AuditLog> ownAudit_;  // the temporary create() only
  PageFactory factory_;
  UserDefaults& defaults_;
  AuditLog& audit_;
  WebStore* webStore_ = nullptr;
  AppMode mode_ = AppMode::normal;
  ServiceRequests requests_;
  SourceId badgeTimer_;
  SourceId hibernateTimer_;
  sigc::signal<void()> changed_;
  sigc::signal<void(const TabRowsChange&)> tabRowsChanged_;
  sigc::signal<void(const std::string&)> pageFinished_;
};

}  // namespace quorvel
