#pragma once
// The desktop calendar's data: the live feed in display order, the fallback from the
// deadline lists, mark-done and a short toast. Main thread only; keeps nothing on disk.
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/AppError.h"
#include "base/Published.h"
#include "base/Task.h"
#include "core/ServiceRequests.h"
#include "core/Todo.h"
#include "features/calendar/ICSEvent.h"

namespace quorvel {

class BrowserModel;
class CalendarFeedSource;

class DesktopCalendarModel {
 public:
  // What the model reaches outside (tests give their own); fetchLiveEvents is
  // required. Without the workspace's members the deadline lists are empty, nothing
  // can be marked done and nothing is recorded; the others default to the default
  // server, the system's wall clock and the main loop.
  struct Services {
    std::function<Task<std::vector<ICSEvent>>(bool forceDiscover)> fetchLiveEvents;
    std::function<Deadlines()> deadlines;
    std::function<Task<FormResult>(std::string path)> postForm;
    std::function<void()> refreshBadges;
    std::function<void(const std::string& action, const std::string& rel)> audit;
    std::function<std::string()> serverURL;
    // The time shown as "updated at" and that the fallback is dated by.
    std::function<std::chrono::system_clock::time_point()> now;
    // Runs fn after ms milliseconds (the toast's clock).
    std::function<void(unsigned ms, std::function<void()> fn)> after;
  };

  // The feed's live fetch and the workspace model's deadline lists, mark-done, badges,
  // audit log, settings and clock.
  DesktopCalendarModel(CalendarFeedSource& feed, BrowserModel& browser);
  explicit DesktopCalendarModel(Services services);
  ~DesktopCalendarModel();
  DesktopCalendarModel(const DesktopCalendarModel&) = delete;
  DesktopCalendarModel& operator=(const DesktopCalendarModel&) = delete;

  // The services over the feed source and the workspace model.
  static Services servicesOver(CalendarFeedSource& feed, BrowserModel& browser);

  Published<std::vector<ICSEvent>, DesktopCalendarModel> events;
  Published<bool, DesktopCalendarModel> loading{false};
  // Why the last refresh failed; none after one that worked.
  Published<std::optional<AppError>, DesktopCalendarModel> error;
  Published<std::string, DesktopCalendarModel> updatedAtText;
  Published<std::string, DesktopCalendarModel> toastText;

  // The time by the model's clock (the calendar's "today").
  std::chrono::system_clock::time_point now() const { return services_.now(); }

  // (Re)starts the 180-second silent refresh.
  void startAutoRefresh();
  bool autoRefreshRunning() const { return timer_ != 0; }
  // silent false: the user waits (loading shown, feed address rediscovered). Only the
  // most recently started refresh writes its result; loading is cleared by the
  // refresh that set it.
  Task<void> refresh(bool silent);
  // Marks the event's to-do done on the service; nothing without a log id.
  Task<void> markDone(ICSEvent event);
  // Shown for 2.6 seconds; a newer text keeps its full time.
  void showToast(const std::string& text);

 private:
  // The public entries above, bound to this object's scope.
  Task<void> refreshImpl(bool silent);
  Task<void> markDoneImpl(ICSEvent event);
  std::vector<ICSEvent> fallbackFromDeadlines() const;

  Services services_;
  unsigned timer_ = 0;
  unsigned long generation_ = 0;
  unsigned long loadingOwner_ = 0;
  // Refreshes and marks handed to the view ask it after each wait; steps started here
  // end with the model.
  TaskScope scope_;
};

}  // namespace quorvel
