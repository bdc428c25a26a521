#pragma once
// An in-memory system calendar store: the same contract as the EDS and SQLite stores,
// answered at once. Tests also change it "from another application".
#include <algorithm>
#include <map>
#include <optional>
#include <utility>
#include <set>
#include <string>
#include <vector>

#include "base/AppError.h"
#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel::test {

class FakeCalendarStore : public SystemCalendarStore {
 public:
  std::vector<CalendarSource> sourceList{{"local", "本机", CalendarSourceType::local}};
  std::optional<std::string> defaultSource{"local"};
  bool grantAccess = true;
  int commits = 0;
  int eventLookups = 0;
  // The next commit fails with this text (nothing of its batch is applied).
  std::optional<std::string> failNextCommit;

  CalendarBackend backend() const override { return CalendarBackend::memory; }
  std::string backendDescription() const override { return "内存日历（测试）"; }

  Task<bool> requestAccess(CalendarEntityType) override { co_return grantAccess; }
  Task<std::vector<CalendarSource>> sources() override { co_return sourceList; }
  Task<std::optional<std::string>> defaultSourceID(CalendarEntityType) override { co_return defaultSource; }
  Task<std::vector<SystemCalendar>> calendars(CalendarEntityType type) override {
    std::vector<SystemCalendar> out;
    for (const auto& c : calendarList)
      if (c.entityType == type) out.push_back(c);
    co_return out;
  }
  Task<SystemCalendar> createCalendar(const std::string& title, const std::string& color, CalendarEntityType type,
                                      const std::string& sourceID) override {
    bool known = std::any_of(sourceList.begin(), sourceList.end(), [&](auto& s) { return s.id == sourceID; });
    if (!known) throw AppError("AppleCal", 3, "系统中没有可写入的日历账户");
    SystemCalendar c{freshUID(), title, color, true, type, sourceID};
    calendarList.push_back(c);
    emitChanged();
    co_return c;
  }
  Task<void> removeCalendar(const std::string& id) override {
    auto it = std::find_if(calendarList.begin(), calendarList.end(), [&](auto& c) { return c.id == id; });
    if (it == calendarList.end()) throw AppError("File", -1, "日历不存在");
    calendarList.erase(it);
    std::erase_if(eventMap, [&](auto& kv) { return kv.second.calendarId == id; });
    std::erase_if(reminderMap, [&](auto& kv) { return kv.second.calendarId == id; });
    emitChanged();
    co_return;
  }
  Task<std::vector<CalendarEventItem>> events(const std::string& calendarID) override {
    std::vector<CalendarEventItem> out;
    for (const auto& id : order)
      if (auto it = eventMap.find(id); it != eventMap.end() && it->second.calendarId == calendarID)
        out.push_back(it->second);
    co_return out;
  }
  Task<std::optional<CalendarEventItem>> event(const std::string& eventID) override {
    ++eventLookups;
    auto it = eventMap.find(eventID);
    if (it == eventMap.end()) co_return std::nullopt;
    co_return it->second;
  }
  Task<std::vector<ReminderItem>> reminders(const std::vector<std::string>& calendarIDs) override {
    std::vector<ReminderItem> out;
    for (const auto& cal : calendarIDs)
      for (const auto& id : order)
        if (auto it = reminderMap.find(id); it != reminderMap.end() && it->second.calendarId == cal)
          out.push_back(it->second);
    co_return out;
  }

  // A calendar of the user (not the sync's).
  SystemCalendar addUserCalendar(const std::string& title, CalendarEntityType type, bool writable = true) {
    SystemCalendar c{freshUID(), title, "#336699", writable, type, sourceList.front().id};
    calendarList.push_back(c);
    return c;
  }
  std::vector<CalendarEventItem> eventsIn(const std::string& calendarTitle) const {
    std::vector<CalendarEventItem> out;
    for (const auto& c : calendarList)
      if (c.title == calendarTitle && c.entityType == CalendarEntityType::event)
        for (const auto& id : order)
          if (auto it = eventMap.find(id); it != eventMap.end() && it->second.calendarId == c.id) out.push_back(it->second);
    return out;
  }

  // Another application ticks a reminder off.
  void completeExternally(const std::string& reminderID) {
    auto& r = reminderMap.at(reminderID);
    r.completed = true;
    r.completionDate = std::chrono::system_clock::now();
    emitChanged();
  }

  std::vector<SystemCalendar> calendarList;
  std::map<std::string, CalendarEventItem> eventMap;
  std::map<std::string, ReminderItem> reminderMap;
  std::vector<std::string> order;  // insertion order of item ids

 protected:
  Task<void> apply(std::vector<Change> batch) override {
    if (auto failure = std::exchange(failNextCommit, std::nullopt)) throw AppError("File", -1, *failure);
    auto known = [&](const std::string& cal) {
      return std::any_of(calendarList.begin(), calendarList.end(), [&](auto& c) { return c.id == cal; });
    };
    for (const auto& c : batch) {
      if ((c.kind == Change::saveEvent && !known(c.event.calendarId)) ||
          (c.kind == Change::saveReminder && !known(c.reminder.calendarId)))
        throw AppError("File", -1, "日历不存在");
    }
    for (const auto& c : batch) {
      if (!c.previousID.empty()) eventMap.erase(c.previousID), reminderMap.erase(c.previousID);
      switch (c.kind) {
        case Change::saveEvent: put(eventMap, c.event.id, c.event); break;
        case Change::saveReminder: put(reminderMap, c.reminder.id, c.reminder); break;
        case Change::removeEvent: eventMap.erase(c.id); break;
      }
    }
    ++commits;
    co_return;
  }

 private:
  std::set<std::string> seen_;
  template <class M, class V>
  void put(M& map, const std::string& id, const V& v) {
    if (seen_.insert(id).second) order.push_back(id);
    map[id] = v;
  }
};

}  // namespace quorvel::test
