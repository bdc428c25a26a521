#include "core/BrowserModel.h"

#include <algorithm>

#include "core/AuditLog.h"
#include "base/AppError.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "platform/UserDefaults.h"

namespace quorvel {
namespace {
constexpr unsigned kTimerPeriodMs = 60'000;
constexpr unsigned kLoadTimeoutSeconds = 60;
}  // namespace

std::shared_ptr<BrowserModel> BrowserModel::create(PageFactory factory, const Services& services, WebStore* store,
                                                   AppMode mode) {
  std::shared_ptr<BrowserModel> m(new BrowserModel(std::move(factory), services, store, mode));
  m->construct();
  return m;
}

BrowserModel::BrowserModel(PageFactory factory, const Services& services, WebStore* store, AppMode mode)
    : factory_(std::move(factory)),
      defaults_(services.defaults),
      audit_(services.audit),
      clock_(services.clock),
      webStore_(store),
      mode_(mode),
      account_(services.defaults, services.audit, services.clock),
      requests_(store, services.defaults, services.workers),
      reads_(*this, account_, services.defaults, services.workers, services.clock) {}

BrowserModel::~BrowserModel() = default;

AuditLog::Identity BrowserModel::identity() const {
  return AuditLog::Identity{account_.badges->user, account_.badges->firm};
}

void BrowserModel::construct() {
  if (mode_ == AppMode::diagnostic || !restoreSession()) {
    newTab("/dashboard", "个人工作台");
  }

  // The signal is the model's own: it never outlives `this`.
  pageFinished_.connect([this](const std::string&) { saveSessionSoon(); });

  std::weak_ptr<BrowserModel> weak = weak_from_this();
  hibernateTimer_ = SourceId(startRepeatingTimer(kTimerPeriodMs, [weak] {
    if (auto m = weak.lock()) m->hibernateIdleTabs();
    return true;
  }));
}

void BrowserModel::setTabs(std::vector<std::shared_ptr<BrowserTab>> v, TabRowsChange change) {
  tabs_.set(std::move(v));
  tabRowsChanged_.emit(change);
}

std::shared_ptr<WebPage> BrowserModel::makePage(const std::shared_ptr<BrowserTab>& tab) {
  if (!factory_) return nullptr;
  return factory_(shared_from_this(), tab);
}

int BrowserModel::indexOf(const std::string& id) const {
  const auto& v = tabs_.get();
  for (size_t i = 0; i < v.size(); ++i)
    if (v[i]->id() == id) return static_cast<int>(i);
  return -1;
}

std::shared_ptr<BrowserTab> BrowserModel::tabWithID(const std::string& id) const {
  int i = indexOf(id);
  return i < 0 ? nullptr : tabs_.get()[static_cast<size_t>(i)];
}

std::shared_ptr<BrowserTab> BrowserModel::newTab(const std::string& path, const std::string& title) {
  if (!isMainThread()) {
    logLine(tags::kTab, "⚠️ newTab 被后台线程调用，转到主线程");
    std::weak_ptr<BrowserModel> weak = weak_from_this();
    postToMain([weak, path, title] {
      if (auto m = weak.lock()) m->newTab(path, title);
    });
    // Not the real tab: that one is made when the queued call runs.
    return makeTab(title);
  }
  auto tab = makeTab(title);
  tab->attach(makePage(tab));
  tab->showPath(path);

  auto v = tabs_.get();
  v.push_back(tab);
  int row = static_cast<int>(v.size()) - 1;
  setTabs(std::move(v), {TabRowsChange::inserted, row});
  activeID_.set(tab->id());

  if (auto* page = tab->controller()) page->load(path);
  syncActiveState();
  logLine(tags::kTab, "新建 " + title + " → " + path + "（共 " + std::to_string(tabs_->size()) + " 个）");
  saveSession();
  return tab;
}

std::shared_ptr<BrowserTab> BrowserModel::makeTab(const std::string& title) const {
  return std::make_shared<BrowserTab>(title, nullptr, clock_.now());
}

std::shared_ptr<BrowserTab> BrowserModel::activeTab() const {
  if (!activeID_.get()) return nullptr;
  return tabWithID(*activeID_.get());
}

void BrowserModel::activate(const std::shared_ptr<BrowserTab>& tabRef) {
  std::shared_ptr<BrowserTab> tab = tabRef;
  if (!tab) return;
  activeID_.set(tab->id());
  tab->lastActive = clock_.now();
  if (!tab->webView()) wake(tab);
  if (auto* page = tab->webView(); page && page->isInWindow()) page->focus();
  syncActiveState();
  activated_.emit();
}

void BrowserModel::selectTab(int at) {
  if (at < 0 || at >= static_cast<int>(tabs_->size())) return;
  activate(tabs_.get()[static_cast<size_t>(at)]);
}

void BrowserModel::selectNext(int offset) {
  int count = static_cast<int>(tabs_->size());
  if (count < 2 || !activeID_.get()) return;
  int i = indexOf(*activeID_.get());
  if (i < 0) return;
  // Clamp-and-wrap: stepping past either end lands on the other end.
  int n = i + offset;
  if (n < 0) n = count - 1;
  if (n >= count) n = 0;
  activate(tabs_.get()[static_cast<size_t>(n)]);
}

void BrowserModel::syncActiveState() {
  if (auto t = activeTab()) {
    activePath_.setIfChanged(t->currentPath.get());
    activeLoading_.setIfChanged(t->isLoading.get());
    auto* page = t->webView();
    activeCanGoBack_.setIfChanged(page ? page->canGoBack() : t->canGoBack.get());
    activeCanGoForward_.setIfChanged(page ? page->canGoForward() : t->canGoForward.get());
  } else {
    activePath_.setIfChanged("");
    activeLoading_.setIfChanged(false);
    activeCanGoBack_.setIfChanged(false);
    activeCanGoForward_.setIfChanged(false);
  }
}

void BrowserModel::loadInActive(const std::string& path) {
  auto t = activeTab();
  if (!t) {
    newTab(path, "新标签");
    return;
  }
  if (!t->webView()) wake(t);
  auto url = urlForServicePath(AppConfig::homeURL(defaults_), path);
  if (!url) return;
  t->showPath(url->decodedPath());
  if (auto* page = t->webView()) page->loadURL(*url, kLoadTimeoutSeconds);
  syncActiveState();
}

void BrowserModel::moveTab(const std::string& a, const std::string& b) {
  if (a == b) return;
  int i = indexOf(a), j = indexOf(b);
  if (i < 0 || j < 0) return;
  auto v = tabs_.get();
  auto moved = v[static_cast<size_t>(i)];
  v.erase(v.begin() + i);
  int at = i < j ? j - 1 : j;
  at = std::clamp(at, 0, static_cast<int>(v.size()));
  v.insert(v.begin() + at, moved);
  setTabs(std::move(v), {TabRowsChange::moved, at, i});
  saveSession();
}

void BrowserModel::close(const std::shared_ptr<BrowserTab>& tabRef) {
  // A copy: the reference may point into the list that is replaced below.
  std::shared_ptr<BrowserTab> tab = tabRef;
  if (!tab) return;
  int i = indexOf(tab->id());
  if (i < 0) return;
  auto v = tabs_.get();
  v.erase(v.begin() + i);
  tab->teardownWebView();
  bool wasActive = activeID_.get() && *activeID_.get() == tab->id();
  setTabs(v, {TabRowsChange::removed, i});
  logLine(tags::kTab, "关闭 " + tab->title.get() + "（剩 " + std::to_string(v.size()) + " 个）");
  if (wasActive) {
    if (v.empty()) {
      activeID_.set(std::nullopt);
    } else {
      auto next = v[static_cast<size_t>(std::min(i, static_cast<int>(v.size()) - 1))];
      activeID_.set(next->id());
      if (!next->webView()) wake(next);
    }
  }
  syncActiveState();
  saveSession();
}

void BrowserModel::closeOthers(const std::shared_ptr<BrowserTab>& tabRef) {
  std::shared_ptr<BrowserTab> tab = tabRef;
  if (!tab) return;
  for (auto& t : tabs_.get())
    if (t->id() != tab->id()) t->teardownWebView();
  setTabs({tab}, {TabRowsChange::reset});
  activeID_.set(tab->id());
  syncActiveState();
  saveSession();
}

void BrowserModel::closeToRight(const std::shared_ptr<BrowserTab>& tabRef) {
  std::shared_ptr<BrowserTab> tab = tabRef;
  if (!tab) return;
  int i = indexOf(tab->id());
  if (i < 0) return;
  auto v = tabs_.get();
  for (size_t k = static_cast<size_t>(i) + 1; k < v.size(); ++k) v[k]->teardownWebView();
  v.resize(static_cast<size_t>(i) + 1);
  bool activeKept = false;
  if (activeID_.get())
    for (auto& t : v)
      if (t->id() == *activeID_.get()) activeKept = true;
  setTabs(std::move(v), {TabRowsChange::reset});
  if (!activeKept) {
    activeID_.set(tab->id());
    tab->lastActive = clock_.now();
  }
  syncActiveState();
  saveSession();
}

void BrowserModel::goBack() {
  if (auto t = activeTab(); t && t->webView()) t->webView()->goBack();
}

void BrowserModel::goForward() {
  if (auto t = activeTab(); t && t->webView()) t->webView()->goForward();
}

void BrowserModel::reload() {
  if (auto t = activeTab(); t && t->webView()) t->webView()->reload();
}

int BrowserModel::liveTabCount() const {
  int n = 0;
  for (auto& t : tabs_.get())
    if (t->webView()) ++n;
  return n;
}

void BrowserModel::logout() {
  account_.clear();
  spawn(clearWebDataThenShowLogin());
}

Task<void> BrowserModel::clearWebDataThenShowLogin() {
  std::weak_ptr<BrowserModel> weak = weak_from_this();
  if (webStore_) {
    try {
      co_await webStore_->clearWebData();
    } catch (const AppError& e) {
      logLine(tags::kAccount, "清除网页数据失败：" + e.message, LogLevel::warning);
    }
  }
  // The login page is loaded only once the old cookie is really gone.
  auto m = weak.lock();
  if (!m) co_return;
  m->loadInActive("/login");
  logLine(tags::kAccount, "已清除登录态，回到登录页");
}

}  // namespace quorvel
