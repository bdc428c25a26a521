#include "core/AccountState.h"

#include <algorithm>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "base/Clock.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "base/Text.h"
#include "core/AuditLog.h"

namespace quorvel {
AccountState::AccountState(UserDefaults& defaults, AuditLog& audit, const Clock& clock)
    : defaults_(defaults), audit_(audit), clock_(clock) {
  recents.set(RecentStore::load(defaults_));
}

void AccountState::setNavItems(const std::vector<NavItem>& items) { navItems.setIfChanged(items); }

void AccountState::applyBadges(const std::string& text) {
  if (auto parsed = parseBadgeReply(text)) {
    publishBadges(*parsed);
  } else if (looksLikeLoginPage(text)) {
    markLoginRequired();
  } else {
    logLine(tags::kBadge, "无法识别的回复：" + clippedText(text, 120), LogLevel::warning);
    failBadgeRefresh("服务器回复无法识别");
  }
}

void AccountState::publishBadges(const BadgeCounts& c) {
  // The name is the service's text: only its head is logged.
  logLine(tags::kBadge, "超期=" + std::to_string(c.overdue) + " 今日=" + std::to_string(c.today) +
                            " 3天内=" + std::to_string(c.soon) + " 待核实=" + std::to_string(c.verify) +
                            " 开庭=" + std::to_string(c.hearings) + " 用户=" + clippedText(c.user, 40));
  // Published on a later turn of the main loop, as every reply is.
  postToMain(scope_.guard([this, c] {
    badgeFailure.setIfChanged(std::nullopt);
    badges.set(c);
    notifyCounts_.emit(c);
  }));
}

void AccountState::failBadgeRefresh(const std::string& reason) {
  badgeFailure.set("刷新失败：" + reason);
}

void AccountState::failDeadlineRefreshLater(const std::string& reason) {
  postToMain(scope_.guard([this, reason] { deadlineFailure.set("刷新失败：" + reason); }));
}

void AccountState::markLoginRequired() {
  // The sign-in page says why the counts stay: it stands in for a failure.
  badgeFailure.setIfChanged(std::nullopt);
  BadgeCounts copy = badges.get();
  copy.loaded = true;
  copy.loginRequired = true;
  badges.setIfChanged(copy);
  clearDockBadgeLater();
}

void AccountState::clearDockBadgeLater() {
  postToMain(scope_.guard([this] { clearDockBadge_.emit(); }));
}

void AccountState::publishDeadlinesLater(Deadlines d) {
  // Moved through: a busy firm's lists are megabytes.
  postToMain([alive = scope_.token(), this, d = std::move(d)]() mutable {
    if (!alive.alive()) return;
    deadlineFailure.setIfChanged(std::nullopt);
    deadlines.set(std::move(d));
#ifdef __GLIBC__
    // The read's reply text, parser state and the lists it replaced are freed by now;
    // their pages go back to the system instead of staying with the allocator.
    malloc_trim(0);
#endif
  });
}

void AccountState::markForbidden(const std::string& rawPath) {
  std::string path = trimmed(rawPath, kSpacesAndTabs);
  if (path.empty() || forbiddenPaths->count(path)) return;
  auto fp = forbiddenPaths.get();
  fp.insert(path);
  forbiddenPaths.set(fp);
  auto items = navItems.get();
  size_t before = items.size();
  std::erase_if(items, [&](const NavItem& n) { return n.path == path; });
  size_t removed = before - items.size();
  if (removed > 0) navItems.set(items);
  audit_.record("nav-forbidden", path, {{"removed", removed}});
  logLine(tags::kNav, "权限不足，已从侧栏移除：" + path + "（剩 " + std::to_string(items.size()) + " 项）");
}

void AccountState::rememberProceeding(long long id, const std::string& title) {
  auto list = withVisit(recents.get(), id, title);
  recents.set(list);
  RecentStore::save(defaults_, list);
}

void AccountState::cacheNodes(const std::string& bytes) {
  cachedNodes_ = bytes;
  cachedNodesAt_ = clock_.now();
}

std::vector<NavItem> AccountState::visibleNavItems() const {
  std::vector<NavItem> out;
  for (auto& item : navItems.get())
    if (!forbiddenPaths->count(item.path)) out.push_back(item);
  return out;
}

void AccountState::clear() {
  badges.set(BadgeCounts{});
  badgeFailure.setIfChanged(std::nullopt);
  deadlineFailure.setIfChanged(std::nullopt);
  navItems.set({});
  forbiddenPaths.set({});
  deadlines.set(Deadlines{});
  recents.set({});
  cachedNodes_.reset();
  RecentStore::save(defaults_, {});
  clearDockBadgeLater();
}

}  // namespace quorvel
