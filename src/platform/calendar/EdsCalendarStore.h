#pragma once
// The desktop's own calendar and task store, Evolution Data Server: calendars and
// task lists created here appear in the desktop's calendar and task applications, and
// what the user changes there (a reminder ticked off) reaches changed() through a live
// view of every calendar this store has read or written.
//
// All EDS calls run on the store's own thread, whose main context receives the
// registry's and the views' signals; the main thread only awaits results.
#include <memory>

#include "platform/calendar/StoreThread.h"
#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel {

class EdsCalendarStore : public SystemCalendarStore {
 public:
  // Connects to the source registry; throws AppError when EDS does not answer within
  // `timeoutMs` (the store thread may stay blocked in EDS a while longer; it is
  // released in the background).
  static Task<std::unique_ptr<EdsCalendarStore>> open(unsigned timeoutMs = 5000);
  ~EdsCalendarStore() override;

  CalendarBackend backend() const override { return CalendarBackend::eds; }
  std::string backendDescription() const override { return "Evolution 数据服务（系统日历与任务）"; }

  Task<bool> requestAccess(CalendarEntityType type) override;
  Task<std::vector<CalendarSource>> sources() override;
  Task<std::optional<std::string>> defaultSourceID(CalendarEntityType type) override;
  Task<std::vector<SystemCalendar>> calendars(CalendarEntityType type) override;
  Task<SystemCalendar> createCalendar(const std::string& title, const std::string& colorHex, CalendarEntityType type,
                                      const std::string& sourceID) override;
  Task<void> removeCalendar(const std::string& calendarID) override;
  Task<std::vector<CalendarEventItem>> events(const std::string& calendarID) override;
  Task<std::optional<CalendarEventItem>> event(const std::string& eventID) override;
  Task<std::vector<ReminderItem>> reminders(const std::vector<std::string>& calendarIDs) override;

  struct Backend;  // the EDS objects, owned by the store thread

 protected:
  Task<void> apply(std::vector<Change> batch) override;

 private:
  EdsCalendarStore(std::shared_ptr<StoreThread> thread, std::shared_ptr<Backend> backend);
  void scheduleChanged();

  std::shared_ptr<StoreThread> thread_;
  std::shared_ptr<Backend> backend_;
  unsigned changedTimer_ = 0;
  TaskScope scope_;
};

}  // namespace quorvel
