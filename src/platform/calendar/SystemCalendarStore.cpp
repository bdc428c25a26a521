#include "platform/calendar/SystemCalendarStore.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "base/GLibPtr.h"

namespace quorvel {

std::string SystemCalendarStore::itemID(const std::string& calendarID, const std::string& uid) {
  return calendarID + "/" + uid;
}

std::optional<std::pair<std::string, std::string>> SystemCalendarStore::splitItemID(const std::string& itemID) {
  // Calendar identifiers hold no "/", item UIDs may.
  auto slash = itemID.find('/');
  if (slash == std::string::npos || slash == 0 || slash + 1 == itemID.size()) return std::nullopt;
  return std::make_pair(itemID.substr(0, slash), itemID.substr(slash + 1));
}

std::string SystemCalendarStore::freshUID() {
  return randomUUID();
}

std::string SystemCalendarStore::saveEvent(const CalendarEventItem& item) {
  Change c;
  c.kind = Change::saveEvent;
  c.event = item;
  auto parts = splitItemID(item.id);
  if (!parts || parts->first != item.calendarId) {
    if (parts) c.previousID = item.id;
    c.event.id = itemID(item.calendarId, parts ? parts->second : freshUID());
    c.isNew = true;
  }
  pending_.push_back(std::move(c));
  return pending_.back().event.id;
}

void SystemCalendarStore::removeEvent(const std::string& eventID) {
  Change c;
  c.kind = Change::removeEvent;
  c.id = eventID;
  pending_.push_back(std::move(c));
}

std::string SystemCalendarStore::saveReminder(const ReminderItem& item) {
  Change c;
  c.kind = Change::saveReminder;
  c.reminder = item;
  auto parts = splitItemID(item.id);
  if (!parts || parts->first != item.calendarId) {
    if (parts) c.previousID = item.id;
    c.reminder.id = itemID(item.calendarId, parts ? parts->second : freshUID());
    c.isNew = true;
  }
  if (c.reminder.completed && !c.reminder.completionDate) c.reminder.completionDate = std::chrono::system_clock::now();
  if (!c.reminder.completed) c.reminder.completionDate.reset();
  pending_.push_back(std::move(c));
  return pending_.back().reminder.id;
}

Task<void> SystemCalendarStore::commit() {
  std::vector<Change> batch;
  batch.swap(pending_);
  if (batch.empty()) co_return;
  auto applying = apply(std::move(batch));
  co_await applying;
  emitChanged();
}

std::string colorHex(double red, double green, double blue) {
  auto c = [](double v) { return static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 255)); };
  char buf[8];
  std::snprintf(buf, sizeof buf, "#%02X%02X%02X", c(red), c(green), c(blue));
  return buf;
}

}  // namespace quorvel
