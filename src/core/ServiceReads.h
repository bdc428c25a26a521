#pragma once
// Reads of the service through the active tab's page: JSON reads, the node cache,
// the badge counts and the deadline lists. Results land in the account's state.
#include <functional>
#include <memory>
#include <string>

#include "base/GLibPtr.h"
#include "base/Task.h"
#include "core/WebPage.h"

namespace quorvel {

class AccountState;
class BrowserModel;
class UserDefaults;

class ServiceReads {
 public:
  // `tabs` gives the active page, `defaults` the service's address; all three must
  // outlive the reads object.
  ServiceReads(BrowserModel& tabs, AccountState& account, const UserDefaults& defaults);
  ~ServiceReads() { *self_ = nullptr; }
  ServiceReads(const ServiceReads&) = delete;
  ServiceReads& operator=(const ServiceReads&) = delete;

  // The body of a service path, read in the active page of the service.
  Task<std::string> fetchJSON(const std::string& path);
  // "/api/desktop/nodes", answered from the account's cache while it is under 30 s old.
  Task<std::string> fetchNodesCached(bool force);
  // The deadline lists into the account; `completion` runs before they are published.
  void fetchDeadlines(std::function<void()> completion = {});
  // The badge counts into the account (also every minute and when a tab is activated);
  // only a finished page of the service is read.
  void refreshBadges();

 private:
  Task<void> readBadges(std::shared_ptr<WebPage> page);
  Task<void> readDeadlines(std::shared_ptr<WebPage> page, std::function<void()> completion);
  // The active tab's live page when it shows a page of the service.
  std::shared_ptr<WebPage> activeServicePage(bool requireURL) const;

  BrowserModel& tabs_;
  AccountState& account_;
  const UserDefaults& defaults_;
  SourceId badgeTimer_;
  ScopedConnection activated_;
  // Deferred steps check it: they run only while this object exists.
  std::shared_ptr<ServiceReads*> self_ = std::make_shared<ServiceReads*>(this);
};

}  // namespace quorvel
