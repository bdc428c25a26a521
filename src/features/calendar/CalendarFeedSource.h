#pragma once
// The service's calendar feed: its address found on "/calendar/subscribe" through the
// workspace's signed-in page, the fetch of the feed (with the entity tag for the sync
// run, without it for the desktop calendar), and the address and tag bookkeeping.
//
// The address and the tag belong to the account that found them: a change of account
// or a signed-out workspace drops them. A new feed body drops the tag, and the tag of
// that body is kept (keepETag) only after the calendars were written from it. Both
// live only in memory: every launch starts with a discovery and a full download.
// Main thread only.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Task.h"
#include "features/calendar/ICSEvent.h"
#include "platform/Http.h"

namespace quorvel {

class BrowserModel;

class CalendarFeedSource {
 public:
  explicit CalendarFeedSource(BrowserModel& browser);
  ~CalendarFeedSource();
  CalendarFeedSource(const CalendarFeedSource&) = delete;
  CalendarFeedSource& operator=(const CalendarFeedSource&) = delete;

  // The desktop calendar's fetch: the feed's events now (cached address unless
  // forceDiscover), never with an entity tag. Errors: AppleCal 2 (no link), AppleCal
  // <status> "拉取日程失败：<reason>" (FeedLinks; the cached address is dropped),
  // Quorvel 1–3 from the page read, Http transport errors (cache kept).
  Task<std::vector<ICSEvent>> fetchLiveEvents(bool forceDiscover);

  // One fetch of the sync run.
  struct SyncReply {
    bool notModified = false;  // 304: the calendars hold this feed already
    std::string body;
    std::string address;
    std::string etag;  // the reply's tag, for keepETag
  };
  // force: rediscovers the address and sends no tag; otherwise the cached address and,
  // when one is kept, "If-None-Match". A new body drops the kept tag. Errors as the
  // live fetch, except a bad reply: AppleCal <status> "拉取日历流失败：<reason>".
  Task<SyncReply> fetchForSync(bool force);
  // After the calendars were written from the reply: keeps its tag while its address
  // is still the cached one.
  void keepETag(const SyncReply& reply);

  // The absolute feed address found on "/calendar/subscribe" (not cached here).
  Task<std::string> discoverAllICSURL();
  // The account key of the workspace's badge counts ("firm:user"; ":" before they load).
  std::string currentAccountKey() const;

  // The cached address and tag, dropped first when they were found under another
  // account than the current one or the workspace is signed out.
  std::optional<std::string> cachedAllICSURL();
  std::optional<std::string> cachedETag();
  // Remembers the address under the current account (its tag stays only while the
  // address and the account stay the same).
  void cacheAllICSURL(const std::string& url);
  // The one place that keeps a tag; a tag without its address is not kept.
  void cacheETag(const std::optional<std::string>& etag);
  void forgetFeedCache();
  // The calendars the tag described are gone (clean-up): the next run fetches in full.
  void dropETag() { cachedETag_.reset(); }

 private:
  // The public entries above, bound to this object's scope.
  Task<std::vector<ICSEvent>> fetchLiveEventsImpl(bool forceDiscover);
  Task<SyncReply> fetchForSyncImpl(bool force);
  void dropCacheIfForeign();
  // GET of the feed as found (no cookies), with the user agent; the tag as
  // If-None-Match when given.
  Task<http::HttpResponse> sendFeedRequest(std::string address, std::optional<std::string> etag);
  // The cached address, or a discovered one, cached when the account did not change
  // during the discovery.
  Task<std::string> feedAddress(bool forceDiscover);
  // A bad reply throws fetchFailedError(what, …) after dropping the cached address and
  // logging the reason with the head of the body.
  void checkReply(const char* what, int status, const std::string& body, const std::string& address);

  BrowserModel& browser_;
  std::optional<std::string> cachedURL_;
  std::optional<std::string> cachedETag_;
  std::string cacheAccount_;
  Cancellable requests_;  // the feed requests end with this source
  // Its reads are the callers' chains: they ask it after each wait and go on only
  // while this exists.
  TaskScope scope_;
};

}  // namespace quorvel
