// Page-script reads, badge refresh, sign-in state, deadlines and forbidden pages.
#include <glib.h>

#include "core/AppConfig.h"
#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "core/AuditLog.h"
#include "core/BrowserModel.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/PageReads.h"

namespace quorvel {
namespace {
std::string trimSpacesTabs(const std::string& s) {
  auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t") - b + 1);
}

// Reads run only in a page of the service: a foreign page would answer with its
// own origin's data.
bool pageIsOnService(const WebPage& page) {
  auto url = page.currentURL();
  if (!url) return false;
  auto u = Url::parse(*url);
  return u && isServiceOrigin(*u, AppConfig::homeURL());
}

std::string describe(const nlohmann::json& v) {
  if (v.is_string()) return v.get<std::string>();
  try {
    return v.dump();
  } catch (const std::exception&) {
    return "（无法显示的值）";
  }
}

// Valid UTF-8, NUL characters allowed (GLib's check stops at them).
bool isUtf8(const std::string& s) {
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find('\0', start);
    if (end == std::string::npos) end = s.size();
    if (end > start && !g_utf8_validate(s.data() + start, static_cast<gssize>(end - start), nullptr)) return false;
    start = end + 1;
  }
  return true;
}
}  // namespace

WebPage* BrowserModel::activeServicePage(bool requireURL) const {
  auto t = activeTab();
  if (!t || !t->webView()) return nullptr;
  auto* page = t->webView();
  if (requireURL && (!page->currentURL() || page->currentURL()->empty())) return nullptr;
  return page;
}

Task<std::string> BrowserModel::fetchJSON(const std::string& path) {
  auto* page = activeServicePage(false);
  if (!page || !pageIsOnService(*page)) throw AppError(errors::kQuorvel, errors::kNoPage, "没有打开的页面（请先登录）");
  // Keep the page alive while the read runs, whatever happens to its tab.
  auto t = activeTab();
  std::shared_ptr<WebPage> keep = t->webViewPtr();
  // A named awaiter: GCC 12 destroys a capturing lambda temporary inside a co_await
  // operand twice.
  CallbackAwaiter<JsResult> read([keep, target = path](CallbackAwaiter<JsResult>::Resolver resolve) {
    keep->callAsyncFunction(PageReads::kPageFetch, nlohmann::json{{"target", target}}, resolve);
  });
  JsResult r = co_await read;
  if (!r.ok) throw AppError(r.errorDomain, r.errorCode, r.errorMessage);
  if (!r.value.is_string()) throw AppError(errors::kQuorvel, errors::kPageReadFailed, describe(r.value));
  std::string text = r.value.get<std::string>();
  if (text.rfind("__ERR__", 0) == 0) throw AppError(errors::kQuorvel, errors::kPageReadFailed, text);
  if (!isUtf8(text)) throw AppError(errors::kQuorvel, errors::kNotText, "响应不是文本");
  co_return text;
}

Task<std::string> BrowserModel::fetchNodesCached(bool force) {
  if (!force && cachedNodesData) {
    auto age = Clock::now() - cachedNodesAt;
    if (age < std::chrono::seconds(30)) co_return *cachedNodesData;
  }
  auto self = shared_from_this();
  std::string bytes = co_await fetchJSON("/api/desktop/nodes");
  self->cachedNodesData = bytes;
  self->cachedNodesAt = Clock::now();
  co_return bytes;
}

void BrowserModel::refreshBadges() {
  auto* page = activeServicePage(true);
  if (!page || !pageIsOnService(*page)) return;
  // Only a finished page of the service: a loading or failed tab has no document to read in.
  if (activeTab()->isLoading.get() || activeTab()->intendedURL) return;
  std::shared_ptr<WebPage> keep = activeTab()->webViewPtr();
  std::weak_ptr<BrowserModel> weak = weak_from_this();
  postToMain([keep, weak] {
    keep->callAsyncFunction(PageReads::kBadges, nlohmann::json::object(), [weak](JsResult r) {
      auto m = weak.lock();
      if (!m) return;
      if (!r.ok) {
        logLine(tags::kBadge, r.errorMessage);
        return;
      }
      if (!r.value.is_string()) return;
      std::string text = r.value.get<std::string>();
      if (text == "__LOGIN__") {
        m->markLoginRequired();
      } else if (text.rfind("__ERR__", 0) == 0) {
        logLine(tags::kBadge, text);
      } else {
        m->applyBadges(text);
      }
    });
  });
}

void BrowserModel::applyBadges(const std::string& text) {
  auto parsed = parseBadgeReply(text);
  if (!parsed) {
    if (looksLikeLoginPage(text)) markLoginRequired();
    return;
  }
  BadgeCounts c = *parsed;
  logLine(tags::kBadge, "超期=" + std::to_string(c.overdue) + " 今日=" + std::to_string(c.today) +
                       " 3天内=" + std::to_string(c.soon) + " 待核实=" + std::to_string(c.verify) +
                       " 开庭=" + std::to_string(c.hearings) + " 用户=" + c.user);
  std::weak_ptr<BrowserModel> weak = weak_from_this();
  postToMain([weak, c] {
    auto m = weak.lock();
    if (!m) return;
    m->badges.set(c);
    if (m->notifyCounts) m->notifyCounts(c);
  });
}

void BrowserModel::markLoginRequired() {
  BadgeCounts copy = badges.get();
  copy.loaded = true;
  copy.loginRequired = true;
  badges.setIfChanged(copy);
  std::weak_ptr<BrowserModel> weak = weak_from_this();
  postToMain([weak] {
    if (auto m = weak.lock(); m && m->clearDockBadge) m->clearDockBadge();
  });
}

void BrowserModel::logout() {
  badges.set(BadgeCounts{});
  navItems.set({});
  forbiddenPaths.set({});
  deadlines.set(Deadlines{});
  recents.set({});
  cachedNodesData.reset();
  RecentStore::save({});
  std::weak_ptr<BrowserModel> weak = weak_from_this();
  postToMain([weak] {
    if (auto m = weak.lock(); m && m->clearDockBadge) m->clearDockBadge();
  });
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

void BrowserModel::markForbidden(const std::string& rawPath) {
  std::string path = trimSpacesTabs(rawPath);
  if (path.empty() || forbiddenPaths->count(path)) return;
  auto fp = forbiddenPaths.get();
  fp.insert(path);
  forbiddenPaths.set(fp);
  auto items = navItems.get();
  size_t before = items.size();
  std::erase_if(items, [&](const NavItem& n) { return n.path == path; });
  size_t removed = before - items.size();
  if (removed > 0) navItems.set(items);
  AuditLog::write("nav-forbidden", path, {{"removed", removed}});
  logLine(tags::kNav, "权限不足，已从侧栏移除：" + path + "（剩 " + std::to_string(items.size()) + " 项）");
}

void BrowserModel::fetchDeadlines(std::function<void()> completion) {
  auto* page = activeServicePage(false);
  if (!page || !pageIsOnService(*page)) {
    if (completion) completion();
    return;
  }
  std::shared_ptr<WebPage> keep = activeTab()->webViewPtr();
  std::weak_ptr<BrowserModel> weak = weak_from_this();
  postToMain([keep, weak, completion] {
    keep->callAsyncFunction(PageReads::kDeadlines, nlohmann::json::object(), [weak, completion](JsResult r) {
      auto m = weak.lock();
      if (!m || !r.ok || !r.value.is_string()) {
        if (completion) completion();
        return;
      }
      std::string text = r.value.get<std::string>();
      auto d = decodeDeadlines(text);
      if (d) {
        logLine(tags::kTodo, "超期=" + std::to_string(d->overdue.size()) + " 今日=" + std::to_string(d->today.size()) +
                            " 3天内=" + std::to_string(d->soon.size()) + " 待核实=" +
                            std::to_string(d->verify.size()) + " 开庭=" + std::to_string(d->hearings.size()));
        postToMain([weak, dl = *d] {
          if (auto mm = weak.lock()) mm->deadlines.set(dl);
        });
      } else {
        logLine(tags::kTodo, "解析失败: " + graphemePrefix(text, 120), LogLevel::warning);
      }
      if (completion) completion();
    });
  });
}

}  // namespace quorvel
