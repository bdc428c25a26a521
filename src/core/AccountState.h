#pragma once
// What the workspace knows about the signed-in account: badge counts and the
// sign-in state, the sidebar entries and the pages it may not open, the deadline
// lists, the recently visited proceedings and the cached node list. Only this unit
// changes them; the workspace model exposes them for reading and observing.
#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "base/Published.h"
#include "base/Task.h"
#include "core/BadgeCounts.h"
#include "core/NavItem.h"
#include "core/Recents.h"
#include "core/Todo.h"

namespace quorvel {

class AuditLog;
class Clock;
class UserDefaults;

class AccountState {
 public:
  // The recents are kept in `defaults`; forbidden pages are recorded in `audit`; the
  // node cache is stamped with `clock`'s time.
  AccountState(UserDefaults& defaults, AuditLog& audit, const Clock& clock);
  AccountState(const AccountState&) = delete;
  AccountState& operator=(const AccountState&) = delete;

  Published<std::vector<NavItem>, AccountState> navItems;
  Published<std::set<std::string>, AccountState> forbiddenPaths;
  Published<std::vector<RecentItem>, AccountState> recents;
  Published<BadgeCounts, AccountState> badges;
  Published<Deadlines, AccountState> deadlines;
  // Why the last refresh of the badges, or of the deadline lists, failed ("服务器返回
  // 500"); nothing while it did not. The counts and lists keep the last good reply
  // meanwhile: they are stale until a refresh succeeds.
  Published<std::optional<std::string>, AccountState> badgeFailure;
  Published<std::optional<std::string>, AccountState> deadlineFailure;

  // The last reply of "/api/desktop/nodes" and when it came; nothing after signing out.
  const std::optional<std::string>& cachedNodes() const { return cachedNodes_; }
  std::chrono::system_clock::time_point cachedNodesAt() const { return cachedNodesAt_; }

  // The launcher badge is to be cleared (sign-in required, signed out), on a later turn.
  sigc::signal<void()>& clearDockBadge() { return clearDockBadge_; }
  // New counts were published (the notifier announces them).
  sigc::signal<void(const BadgeCounts&)>& notifyCounts() { return notifyCounts_; }

  // The sidebar entries the service's page announced.
  void setNavItems(const std::vector<NavItem>& items);
  // A badge reply text: counts, or the sign-in page (sign-in required), or a failed
  // refresh (any other text: the counts stay).
  void applyBadges(const std::string& text);
  // The counts of a badge reply, published on a later turn.
  void publishBadges(const BadgeCounts& counts);
  // A badge refresh failed: the counts stay and are marked stale.
  void failBadgeRefresh(const std::string& reason);
  // A deadline refresh failed, published on a later turn: the lists stay and are marked stale.
  void failDeadlineRefreshLater(const std::string& reason);
  void markLoginRequired();
  void markForbidden(const std::string& path);
  // The deadline lists, published on a later turn of the main loop (no longer stale).
  void publishDeadlinesLater(Deadlines d);
  void rememberProceeding(long long id, const std::string& title);
  void cacheNodes(const std::string& bytes);
  std::vector<NavItem> visibleNavItems() const;
  // Everything of the account is forgotten at once (signing out).
  void clear();

 private:
  void clearDockBadgeLater();

  std::optional<std::string> cachedNodes_;
  std::chrono::system_clock::time_point cachedNodesAt_{};
  sigc::signal<void()> clearDockBadge_;
  sigc::signal<void(const BadgeCounts&)> notifyCounts_;
  UserDefaults& defaults_;
  AuditLog& audit_;
  const Clock& clock_;
  // Deferred steps run only while this state exists.
  TaskScope scope_;
};

}  // namespace quorvel
