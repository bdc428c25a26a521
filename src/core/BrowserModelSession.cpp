// Tab session and idle hibernation of the workspace model.
#include <algorithm>

#include "core/AuditLog.h"
#include "core/BrowserModel.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "platform/UserDefaults.h"

namespace quorvel {
namespace {
constexpr const char* kSessionKey = "session.tabs.v1";
constexpr const char* kActiveKey = "session.tabs.v1.active";
constexpr auto kIdleLimit = std::chrono::seconds(1200);
constexpr unsigned kLoadTimeoutSeconds = 60;
}  // namespace

void BrowserModel::saveSession() {
  if (mode_ == AppMode::diagnostic) return;
  nlohmann::json list = nlohmann::json::array();
  for (auto& t : tabs_.get()) {
    std::string url;
    if (t->intendedURL) {
      url = t->intendedURL->toString();  // a load not finished or failed: the user's page, not the view's
    } else if (auto* page = t->webView(); page && page->currentURL() && page->currentURL()->rfind("about:", 0) != 0) {
      url = *page->currentURL();
    }
    if (url.empty() && t->hibernatedURL) url = t->hibernatedURL->toString();
    list.push_back({{"url", url}, {"title", t->title.get()}});
  }
  int active = activeID_.get() ? std::max(0, indexOf(*activeID_.get())) : 0;
  defaults_.set(kSessionKey, list);
  defaults_.set(kActiveKey, active);
}

void BrowserModel::saveSessionSoon() {
  if (sessionSaveTimer_) return;  // the save already waiting writes the latest state
  const auto now = clock_.now();
  const auto since = lastSoonSave_ ? now - *lastSoonSave_ : std::chrono::system_clock::duration::max();
  if (since >= kSessionSavePause || since < std::chrono::system_clock::duration::zero()) {
    lastSoonSave_ = now;
    saveSession();
    return;
  }
  const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(kSessionSavePause - since);
  std::weak_ptr<BrowserModel> weak = weak_from_this();
  sessionSaveTimer_ = SourceId(postToMainAfter(static_cast<unsigned>(wait.count()) + 1, [weak] {
    auto m = weak.lock();
    if (!m) return;
    m->sessionSaveTimer_.forget();  // a one-shot source, ended by now
    m->lastSoonSave_ = m->clock_.now();
    m->saveSession();
  }));
}

bool BrowserModel::restoreSession() {
  auto stored = defaults_.object(kSessionKey);
  if (!stored || !stored->is_array()) return false;

  std::vector<std::shared_ptr<BrowserTab>> restored;
  int skippedMalformed = 0;
  const Url home = AppConfig::homeURL(defaults_);
  for (const auto& entry : *stored) {
    // An entry of the wrong shape is skipped on its own; the others still restore.
    bool wellFormed = entry.is_object();
    if (wellFormed)
      for (auto it = entry.begin(); it != entry.end(); ++it)
        if (!it.value().is_string()) wellFormed = false;
    if (!wellFormed) {
      ++skippedMalformed;
      continue;
    }
    auto urlIt = entry.find("url");
    if (urlIt == entry.end()) continue;
    auto url = Url::parse(urlIt->get<std::string>());
    if (!url || url->host.empty()) continue;
    // Another site's page is never reopened at start: it would load in a tab of ours or
    // be handed to the system browser.
    if (!isServiceOrigin(*url, home)) {
      logLine(tags::kSession, "跳过不属于服务器的标签记录：" + url->scheme + "://" + url->host +
                                  (url->port >= 0 ? ":" + std::to_string(url->port) : std::string()),
              LogLevel::warning);
      continue;
    }
    auto titleIt = entry.find("title");
    auto tab = makeTab(titleIt == entry.end() ? "标签" : titleIt->get<std::string>());
    tab->hibernatedURL = *url;
    tab->showPath(url->decodedPath());
    restored.push_back(tab);
  }
  if (skippedMalformed > 0)
    logLine(tags::kSession, "跳过 " + std::to_string(skippedMalformed) + " 个格式不对的标签记录");
  if (restored.empty()) return false;

  setTabs(restored, {TabRowsChange::reset});
  long long index = defaults_.integer(kActiveKey).value_or(0);
  index = std::clamp<long long>(index, 0, static_cast<long long>(restored.size()) - 1);
  auto active = restored[static_cast<size_t>(index)];
  activeID_.set(active->id());
  wake(active);
  syncActiveState();
  logLine(tags::kSession, "恢复 " + std::to_string(restored.size()) + " 个标签，激活「" + active->title.get() + "」");

  nlohmann::json extra = {{"tabs", restored.size()},
                          {"active", active->title.get()},
                          {"url", active->hibernatedURL ? active->hibernatedURL->toString() : std::string()}};
  postToMain([weak = weak_from_this(), extra] {
    if (auto self = weak.lock()) self->audit_.record("session-restore", "-", extra);
  });
  return true;
}

void BrowserModel::forgetService() {
  account_.clear();
  const size_t closed = tabs_->size();
  for (auto& t : tabs_.get()) t->teardownWebView();
  setTabs({}, {TabRowsChange::reset});
  activeID_.set(std::nullopt);
  logLine(tags::kSession, "服务器已更换：清除上一服务器的最近卷宗与目录缓存，关闭 " + std::to_string(closed) + " 个标签");
  newTab("/dashboard", "个人工作台");
}

void BrowserModel::wake(const std::shared_ptr<BrowserTab>& tabRef) {
  std::shared_ptr<BrowserTab> tab = tabRef;
  if (!tab || tab->webView()) return;
  tab->attach(makePage(tab));
  if (tab->hibernatedURL) {
    tab->showPath(tab->hibernatedURL->decodedPath());
    if (auto* page = tab->webView()) page->loadURL(*tab->hibernatedURL, kLoadTimeoutSeconds);
  }
  changed_.emit();
  logLine(tags::kHibernate, "唤醒「" + tab->title.get() + "」→ " +
                           (tab->hibernatedURL ? tab->hibernatedURL->toString() : std::string("-")));
}

bool BrowserModel::hibernate(const std::shared_ptr<BrowserTab>& tabRef) {
  std::shared_ptr<BrowserTab> tab = tabRef;
  if (!tab || !tab->webView()) return false;
  tab->teardownWebView();
  syncActiveState();
  changed_.emit();
  logLine(tags::kHibernate, "休眠「" + tab->title.get() + "」已释放，剩 " + std::to_string(liveTabCount()) + " 个活跃");
  return true;
}

void BrowserModel::hibernateIdleTabs() {
  if (tabs_->size() < 2) return;
  auto now = clock_.now();
  for (auto& t : tabs_.get()) {
    if (activeID_.get() && t->id() == *activeID_.get()) continue;
    if (!t->webView()) continue;
    if (now - t->lastActive > kIdleLimit) hibernate(t);
  }
}

int BrowserModel::hibernateOthers() {
  int count = 0;
  for (auto& t : tabs_.get()) {
    if (activeID_.get() && t->id() == *activeID_.get()) continue;
    if (!t->webView()) continue;
    if (hibernate(t)) ++count;
  }
  return count;
}

}  // namespace quorvel
