#pragma once
// Reads of the service through the active tab's page: JSON reads, the node cache,
// the badge counts and the deadline lists. Results land in the account's state.
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "base/GLibPtr.h"
#include "base/Task.h"
#include "core/PageReads.h"
#include "core/WebPage.h"

namespace quorvel {

class AccountState;
class BrowserModel;
class Clock;
class UserDefaults;

class ServiceReads {
 public:
  // `tabs` gives the active page, `defaults` the service's address; large replies are
  // decoded on `workers`, the node cache ages by `clock`. All must outlive the reads
  // object.
  ServiceReads(BrowserModel& tabs, AccountState& account, const UserDefaults& defaults, WorkerPool& workers,
               const Clock& clock);
  ServiceReads(const ServiceReads&) = delete;
  ServiceReads& operator=(const ServiceReads&) = delete;

  // The body of a service path, read in the active page of the service.
  Task<std::string> fetchJSON(const std::string& path);
  // The same for a listing that grows with the firm's data, under limits().listingMaxBytes.
  Task<std::string> fetchListing(const std::string& path);
  // "/api/desktop/nodes" (a listing), answered from the account's cache while it is
  // under 30 s old.
  Task<std::string> fetchNodesCached(bool force);
  static constexpr const char* kNodesPath = "/api/desktop/nodes";
  // How many reads of `path` fetchJSON and fetchListing have sent to the service so far.
  long long readsMade(const std::string& path) const;
  // The deadline lists into the account; `completion` runs before they are published.
  void fetchDeadlines(std::function<void()> completion = {});
  // The badge counts into the account (also every minute and when a tab is activated);
  // only a finished page of the service is read.
  void refreshBadges();
  // What bounds the reads started from now on (tests shorten them).
  PageReads::Limits& limits() { return limits_; }
  // Where large replies are decoded; the workspace's services send their work there too.
  WorkerPool& workers() const { return workers_; }

 private:
  // fetchNodesCached, bound to this object's scope.
  Task<std::string> fetchNodesImpl(bool force);
  Task<void> readBadges(std::shared_ptr<WebPage> page);
  Task<void> readDeadlines(std::shared_ptr<WebPage> page, std::function<void()> completion);
  // The active tab's live page when it shows a page of the service.
  std::shared_ptr<WebPage> activeServicePage(bool requireURL) const;

  BrowserModel& tabs_;
  AccountState& account_;
  const UserDefaults& defaults_;
  WorkerPool& workers_;
  const Clock& clock_;
  PageReads::Limits limits_;
  std::map<std::string, long long> readsMade_;
  SourceId badgeTimer_;
  ScopedConnection activated_;
  // Deferred steps run only while this object exists.
  TaskScope scope_;
};

}  // namespace quorvel
