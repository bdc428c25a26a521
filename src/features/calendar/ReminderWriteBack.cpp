#include "features/calendar/ReminderWriteBack.h"

#include <optional>
#include <string>

#include "base/AppError.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/AuditLog.h"
#include "core/BrowserModel.h"
#include "features/calendar/CalendarItems.h"
#include "features/calendar/CalendarStoreSlot.h"
#include "features/calendar/CalendarSyncRecords.h"

namespace quorvel {

ReminderWriteBack::ReminderWriteBack(CalendarStoreSlot& store, CalendarSyncRecords& records, BrowserModel& browser)
    : slot_(store), records_(records), browser_(browser) {}

ReminderWriteBack::~ReminderWriteBack() = default;

Task<void> ReminderWriteBack::checkCompletedRemindersAndWriteBack() {
  return scope_.bind(checkImpl());
}

Task<void> ReminderWriteBack::checkImpl() {
  if (running_) {
    // One check at a time: this request makes one more pass and waits for it.
    again_ = true;
    CallbackAwaiter<bool> waiting([this](CallbackAwaiter<bool>::Resolver resolve) {
      waiters_.push_back([resolve] { resolve(true); });
    });
    co_await waiting;
    co_return;
  }
  running_ = true;
  do {
    again_ = false;
    try {
      auto checking = writeBackOnce();
      co_await checking;
    } catch (...) {
      logLine(tags::kCal, "双向回写检查失败：" + describe(std::current_exception()));
    }
  } while (again_);
  running_ = false;
  for (auto& wake : std::exchange(waiters_, {})) wake();
}

Task<void> ReminderWriteBack::writeBackOnce() {
  namespace CI = CalendarItems;
  // Only the account whose reminders these are may mark them done.
  std::string key = CalendarSyncState::accountKey(browser_.account().badges.get());
  if (!CalendarSyncState::isAccount(key) || key != records_.lastSyncedAccount()) co_return;
  auto opening = slot_.ensureStore();
  SystemCalendarStore* s = co_await opening;
  if (!s) co_return;
  auto listing = s->calendars(CalendarEntityType::reminder);
  auto lists = co_await listing;
  std::optional<std::string> listID;
  for (const auto& c : lists)
    if (c.title == CI::kReminderList && records_.owns(c, s->backend())) {
      listID = c.id;
      break;
    }
  if (!listID) co_return;
  const std::vector<std::string> ids{*listID};  // named: outlives the store's coroutine
  auto fetching = s->reminders(ids);
  auto reminders = co_await fetching;
  auto settled = records_.settledIDs();
  std::vector<std::int64_t> posted;
  for (const auto& r : reminders) {
    if (!r.completed) continue;
    auto id = CI::extractLogID(r.notes);
    if (!id || settled.contains(*id)) continue;
    auto posting = browser_.requests().postForm("/api/mark_todo_done/" + std::to_string(*id), {});
    auto result = co_await posting;
    if (!result.ok) continue;
    settled.add(*id);
    posted.push_back(*id);
    writeBackCount.set(writeBackCount.get() + 1);
    browser_.audit().record("reminder-writeback-done", "log:" + std::to_string(*id));
    logLine(tags::kCal, "双向回写完成：log_id=" + std::to_string(*id));
  }
  if (posted.empty()) co_return;
  // Merged into what is stored now: a run may have settled ids meanwhile.
  auto current = records_.settledIDs();
  for (auto id : posted) current.add(id);
  records_.storeSettled(current, reminders);
  browser_.reads().refreshBadges();
  wroteBack_.emit(posted.size());
}

}  // namespace quorvel
