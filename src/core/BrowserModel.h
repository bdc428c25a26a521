#pragma once
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Published.h"
#include "base/GLibPtr.h"
#include "base/Task.h"
#include "core/AccountState.h"
#include "core/AppConfig.h"
#include "core/AppMode.h"
#include "core/AuditLog.h"
#include "core/BrowserTab.h"
#include "core/ServiceReads.h"
#include "core/ServiceRequests.h"
#include "core/WebStore.h"

namespace quorvel {

class BrowserModel;
class Clock;
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

// The workspace's tab list: the tabs, the active tab and its observable state, idle
// hibernation and the saved session (BrowserModelSession.cpp). Confined to the main
// thread. It owns the account's state (AccountState), the reads through the active
// page (ServiceReads) and the native requests (ServiceRequests); callers reach them
// through account(), reads() and requests().
class BrowserModel : public std::enable_shared_from_this<BrowserModel> {
 public:
  // What a model works with; each must outlive it. The session and the recents are
  // kept in `defaults`, what the workspace does is recorded in `audit`, large replies
  // are decoded on `workers`, and tabs age by `clock`.
  struct Services {
    UserDefaults& defaults;
    AuditLog& audit;
    WorkerPool& workers;
    const Clock& clock;
  };
  // `store` may be nullptr (no cookies, nothing to clear); it must outlive the model.
  static std::shared_ptr<BrowserModel> create(PageFactory factory, const Services& services, WebStore* store = nullptr,
                                              AppMode mode = AppMode::normal);
  ~BrowserModel();

  using Tabs = std::vector<std::shared_ptr<BrowserTab>>;
  const Published<Tabs, BrowserModel>& tabs() const { return tabs_; }
  // The active tab's id; tests may point it at a tab without activating it.
  const Published<std::optional<std::string>, BrowserModel>& activeID() const { return activeID_; }
  // The active tab's path, loading state and history, kept by syncActiveState().
  const Published<std::string, BrowserModel>& activePath() const { return activePath_; }
  const Published<bool, BrowserModel>& activeLoading() const { return activeLoading_; }
  const Published<bool, BrowserModel>& activeCanGoBack() const { return activeCanGoBack_; }
  const Published<bool, BrowserModel>& activeCanGoForward() const { return activeCanGoForward_; }

  // The signed-in account's state.
  AccountState& account() { return account_; }
  const AccountState& account() const { return account_; }
  // Reads through the active page, and native requests with the store's cookies.
  ServiceReads& reads() { return reads_; }
  ServiceRequests& requests() { return requests_; }

  // Fires after a tab changed between live and hibernated.
  sigc::signal<void()>& changed() { return changed_; }
  // Fires after rows of the tab list were inserted, removed or moved (after `tabs`).
  sigc::signal<void(const TabRowsChange&)>& tabRowsChanged() { return tabRowsChanged_; }
  // Fires after a tab finished loading a page, with the page's decoded path.
  sigc::signal<void(const std::string& path)>& pageFinished() { return pageFinished_; }
  // Fires after the user activated a tab (its page is awake and focused).
  sigc::signal<void()>& activated() { return activated_; }
  AppMode mode() const { return mode_; }
  // What the model was built with, for the workspace's other parts.
  UserDefaults& defaults() const { return defaults_; }
  AuditLog& audit() const { return audit_; }
  const Clock& clock() const { return clock_; }
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
  // A tab's page changed: the session is saved now, or, within kSessionSavePause of the
  // last such save, once when the pause is over.
  void saveSessionSoon();
  static constexpr std::chrono::milliseconds kSessionSavePause{2000};
  void wake(const std::shared_ptr<BrowserTab>& tab);
  void hibernateIdleTabs();
  // Releases one tab's page (keeping its address); false when it had none.
  bool hibernate(const std::shared_ptr<BrowserTab>& tab);
  int hibernateOthers();
  int liveTabCount() const;

  // Forgets the account, clears the web data, then shows the sign-in page.
  void logout();
  // The service's address changed: what the old service gave (recents, node cache,
  // counts, sidebar entries) is forgotten and its tabs closed; one start tab on the new
  // address remains, and the saved session holds only that one.
  void forgetService();

 private:
  BrowserModel(PageFactory factory, const Services& services, WebStore* store, AppMode mode);
  // A new tab, last active now.
  std::shared_ptr<BrowserTab> makeTab(const std::string& title) const;
  Task<void> clearWebDataThenShowLogin();
  void setTabs(std::vector<std::shared_ptr<BrowserTab>> v, TabRowsChange change);
  void construct();
  bool restoreSession();
  std::shared_ptr<WebPage> makePage(const std::shared_ptr<BrowserTab>& tab);
  int indexOf(const std::string& id) const;
  // Tests reach states the public steps do not (an active tab still asleep, none active).
  friend struct BrowserModelProbe;
  void setActiveID(std::optional<std::string> id) { activeID_.set(std::move(id)); }

  Published<Tabs, BrowserModel> tabs_;
  Published<std::optional<std::string>, BrowserModel> activeID_;
  Published<std::string, BrowserModel> activePath_{"/dashboard"};
  Published<bool, BrowserModel> activeLoading_{false};
  Published<bool, BrowserModel> activeCanGoBack_{false};
  Published<bool, BrowserModel> activeCanGoForward_{false};
  PageFactory factory_;
  UserDefaults& defaults_;
  AuditLog& audit_;
  const Clock& clock_;
  WebStore* webStore_ = nullptr;
  AppMode mode_ = AppMode::normal;
  SourceId hibernateTimer_;
  SourceId sessionSaveTimer_;
  std::optional<std::chrono::system_clock::time_point> lastSoonSave_;
  sigc::signal<void()> changed_;
  sigc::signal<void(const TabRowsChange&)> tabRowsChanged_;
  sigc::signal<void(const std::string&)> pageFinished_;
  sigc::signal<void()> activated_;
  // After the signals: the reads connect to activated() when they are made.
  AccountState account_;
  ServiceRequests requests_;
  ServiceReads reads_;
};

}  // namespace quorvel
