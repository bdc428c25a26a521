#include "features/calendar/CalendarWriter.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <set>
#include <unordered_set>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/TimeSlice.h"
#include "base/WorkerPool.h"
#include "features/calendar/CalendarStoreSlot.h"
#include "features/calendar/CalendarSyncRecords.h"

namespace quorvel {

namespace {
namespace CI = CalendarItems;

std::string lowerAscii(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

DueDay dueDayOf(std::chrono::system_clock::time_point at) {
  std::time_t t = std::chrono::system_clock::to_time_t(at);
  std::tm tm{};
  localtime_r(&t, &tm);
  return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday};
}

AppError noWritableCalendar() {
  return AppError(errors::kAppleCal, errors::kNoWritableCalendar, "系统中没有可写入的日历账户");
}
}  // namespace

CalendarWriter::CalendarWriter(CalendarStoreSlot& store, CalendarSyncRecords& records)
    : slot_(store), records_(records) {}

CalendarWriter::~CalendarWriter() = default;

// ---- Dedicated calendars ------------------------------------------------------------

Task<std::optional<std::string>> CalendarWriter::bestSource(SystemCalendarStore& store, CalendarEntityType type) {
  auto listing = store.sources();
  auto sources = co_await listing;
  for (const auto& s : sources)
    if (s.type == CalendarSourceType::calDAV && lowerAscii(s.title).find("icloud") != std::string::npos) co_return s.id;
  for (const auto& s : sources)
    if (s.type == CalendarSourceType::calDAV) co_return s.id;
  for (const auto& s : sources)
    if (s.type == CalendarSourceType::local) co_return s.id;
  auto asking = store.defaultSourceID(type);
  co_return co_await asking;
}

Task<SystemCalendar> CalendarWriter::ensureCalendar(std::string title, CI::Rgb color, CalendarEntityType type) {
  auto opening = slot_.ensureStore();
  SystemCalendarStore* s = co_await opening;
  // Gone meanwhile: the caller, gone with it, uses nothing.
  if (!s) throw noWritableCalendar();
  auto listing = s->calendars(type);
  auto calendars = co_await listing;
  auto own = records_.ownCalendars();
  // In our own store every calendar is the sync's; elsewhere a calendar of the user
  // with the same title is left alone.
  bool allOurs = s->backend() == CalendarBackend::sqlite;
  for (const auto& c : calendars) {
    if (c.title != title || !c.writable) continue;
    bool ours = std::find(own.begin(), own.end(), c.id) != own.end();
    if (!ours && !allOurs) continue;
    if (!ours) {
      own.push_back(c.id);
      records_.setOwnCalendars(own);
    }
    co_return c;
  }
  auto choosing = bestSource(*s, type);
  auto source = co_await choosing;
  if (!source) throw noWritableCalendar();
  // Named: the store's coroutine keeps references to its arguments.
  const std::string hex = colorHex(color.red, color.green, color.blue);
  const std::string sourceID = *source;
  auto creating = s->createCalendar(title, hex, type, sourceID);
  SystemCalendar made = co_await creating;
  own = records_.ownCalendars();
  own.push_back(made.id);
  records_.setOwnCalendars(own);
  std::string sourceTitle = *source;
  auto listingSources = s->sources();
  auto sources = co_await listingSources;
  for (const auto& src : sources)
    if (src.id == *source) sourceTitle = src.title;
  logLine(tags::kCal, "创建专属日历「" + title + "」（源：" + sourceTitle + "）");
  co_return made;
}

// ---- Calendar items -----------------------------------------------------------------

CalendarWriter::PreparedItems CalendarWriter::prepareItems(const std::vector<ICSEvent>& items) {
  PreparedItems p;
  p.count = items.size();
  p.unique = CI::lastPerUID(items);
  p.fingerprints.reserve(p.unique.size());
  for (const auto& item : p.unique) p.fingerprints.push_back(item.contentFingerprint());
  return p;
}

Task<int> CalendarWriter::applyEventsToCalendar(std::vector<ICSEvent> items) {
  auto applying = applyPrepared(prepareItems(items));
  co_return co_await applying;
}

Task<int> CalendarWriter::applyPrepared(PreparedItems prepared, WorkerPool* workers) {
  return scope_.bind(applyPreparedImpl(std::move(prepared), workers));
}

Task<int> CalendarWriter::applyPreparedImpl(PreparedItems prepared, WorkerPool* workers) {
  std::map<std::string, std::string> calendarOf;
  for (auto [title, color] : {std::pair{CI::kHearingCalendar, CI::hearingColor()},
                              std::pair{CI::kDeadlineCalendar, CI::deadlineColor()},
                              std::pair{CI::kOverdueCalendar, CI::overdueColor()}}) {
    auto ensuring = ensureCalendar(title, color, CalendarEntityType::event);
    calendarOf[title] = (co_await ensuring).id;
  }
  SystemCalendarStore* s = slot_.store();
  // Held, not copied: the records are replaced, never changed in place.
  auto heldIDs = records_.heldEventIDs();
  auto heldHashes = records_.heldEventFingerprints();
  const CalendarSyncRecords::StringMap& eventMap = *heldIDs;
  const CalendarSyncRecords::StringMap& hashMap = *heldHashes;
  CalendarSyncRecords::StringMap newEvents, newHashes;
  TimeSlice slice;
  std::unordered_set<std::string> present;
  std::unordered_set<std::string> seen;
  try {
    // What the dedicated calendars hold now (one read per calendar).
    for (const auto& [title, id] : calendarOf) {
      auto reading = s->events(id);
      auto held = co_await reading;
      present.reserve(present.size() + held.size());
      for (const auto& e : held) {
        present.insert(e.id);
        if (slice.spent()) {
          co_await nextTurn();
        }
      }
      releaseOnWorker(workers, std::move(held));
    }
    seen.reserve(prepared.unique.size());
    bool changed = false;
    for (size_t i = 0; i < prepared.unique.size(); ++i) {
      if (slice.spent()) {
        co_await nextTurn();
      }
      const ICSEvent& item = prepared.unique[i];
      const std::string& fingerprint = prepared.fingerprints[i];
      seen.insert(item.uid);
      auto mapped = eventMap.find(item.uid);
      bool found = false;
      if (mapped != eventMap.end()) {
        found = present.count(mapped->second) > 0;
        if (!found) {
          auto finding = s->event(mapped->second);
          found = (co_await finding).has_value();
        }
      }
      auto hash = hashMap.find(item.uid);
      if (found && hash != hashMap.end() && hash->second == fingerprint) {
        newEvents.emplace(item.uid, mapped->second);
        newHashes[item.uid] = fingerprint;
        continue;
      }

      CalendarEventItem e;
      if (found) e.id = mapped->second;
      e.calendarId = calendarOf[CI::calendarTitleFor(item.kind())];
      e.title = item.summary;
      e.allDay = item.isAllDay;
      e.start = item.startDate;
      e.end = item.endDate;
      e.location = item.location;  // an empty feed location clears the old one
      e.url = item.deepLinkURL();
      e.notes = CI::eventNotes(item);
      e.alarmOffsets = item.alarmOffsets;
      std::string id = s->saveEvent(e);  // the store always names a saved event
      newEvents[item.uid] = id;
      newHashes[item.uid] = fingerprint;
      changed = true;
    }
    for (const auto& [uid, id] : eventMap) {
      if (seen.count(uid)) continue;
      if (slice.spent()) {
        co_await nextTurn();
      }
      bool stillThere = present.count(id) > 0;
      if (!stillThere) {
        auto finding = s->event(id);
        stillThere = (co_await finding).has_value();
      }
      if (stillThere) {
        s->removeEvent(id);
        changed = true;
      }
    }
    if (changed) {
      auto committing = s->commit();
      co_await committing;
    }
  } catch (...) {
    // Nothing of a failed apply may reach the store with a later commit.
    s->reset();
    throw;
  }
  records_.storeEvents(std::move(newEvents), std::move(newHashes));
  const int count = static_cast<int>(prepared.count);
  releaseOnWorker(workers, std::move(prepared), std::move(present), std::move(seen), std::move(heldIDs),
                  std::move(heldHashes));
  co_return count;
}

// ---- Reminders ----------------------------------------------------------------------

std::vector<ICSEvent> CalendarWriter::wantedReminders(const std::vector<ICSEvent>& events) {
  std::vector<ICSEvent> wanted;
  for (auto& e : CI::lastPerUID(events))
    if (CI::wantsReminder(e)) wanted.push_back(std::move(e));
  return wanted;
}

Task<int> CalendarWriter::applyEventsToReminders(std::vector<ICSEvent> events) {
  auto applying = applyReminders(wantedReminders(events));
  co_return co_await applying;
}

Task<int> CalendarWriter::applyReminders(std::vector<ICSEvent> wanted, WorkerPool* workers) {
  return scope_.bind(applyRemindersImpl(std::move(wanted), workers));
}

Task<int> CalendarWriter::applyRemindersImpl(std::vector<ICSEvent> wanted, WorkerPool* workers) {
  SystemCalendar list;
  try {
    auto ensuring = ensureCalendar(CI::kReminderList, CI::reminderColor(), CalendarEntityType::reminder);
    list = co_await ensuring;
  } catch (...) {
    co_return 0;
  }

  SystemCalendarStore* s = slot_.store();
  std::vector<ReminderItem> fetched;
  try {
    const std::vector<std::string> lists{list.id};  // named: outlives the store's coroutine
    auto reading = s->reminders(lists);
    fetched = co_await reading;
  } catch (...) {
    co_return static_cast<int>(wanted.size());
  }
  TimeSlice slice;
  std::map<std::int64_t, ReminderItem> existing;
  for (auto& r : fetched) {
    if (auto id = CI::extractLogID(r.notes)) existing[*id] = std::move(r);
    if (slice.spent()) {
      co_await nextTurn();
    }
  }

  auto settled = records_.settledIDs();
  std::unordered_set<std::int64_t> inFeed;
  bool changed = false;
  for (const auto& e : wanted) {
    if (slice.spent()) {
      co_await nextTurn();
    }
    std::int64_t id = *e.logID();
    inFeed.insert(id);
    if (settled.contains(id)) continue;
    auto it = existing.find(id);
    ReminderItem r = it != existing.end() ? it->second : ReminderItem{};
    if (r.completed) continue;
    r.calendarId = list.id;
    r.title = e.summary;
    r.notes = CI::reminderNotes(e, id);
    r.url = e.deepLinkURL();
    r.due = dueDayOf(e.startDate);
    r.priority = e.kind() == ICSEvent::Kind::deadline ? 1 : 5;
    s->saveReminder(r);
    changed = true;
  }
  for (auto& [id, r] : existing) {
    if (slice.spent()) {
      co_await nextTurn();
    }
    if (inFeed.count(id) || r.completed) continue;
    r.completed = true;
    s->saveReminder(r);
    settled.add(id);
    changed = true;
  }
  if (changed) {
    try {
      auto committing = s->commit();
      co_await committing;
    } catch (...) {
      s->reset();
      logLine(tags::kCal, "提醒事项写入失败：" + describe(std::current_exception()));
    }
  }
  // Ids the client completed itself count as completed reminders still present.
  for (auto& [id, r] : existing)
    if (!inFeed.count(id)) r.completed = true;
  std::vector<ReminderItem> after;
  after.reserve(existing.size());
  for (auto& [id, r] : existing) after.push_back(std::move(r));
  records_.storeSettled(settled, after);
  const int count = static_cast<int>(wanted.size());
  releaseOnWorker(workers, std::move(wanted), std::move(existing), std::move(after), std::move(inFeed),
                  std::move(fetched));
  co_return count;
}

// ---- Clean-up -----------------------------------------------------------------------

Task<int> CalendarWriter::clearAllSyncedData() { return scope_.bind(clearAllSyncedDataImpl()); }

Task<int> CalendarWriter::clearAllSyncedDataImpl() {
  auto opening = slot_.ensureStore();
  SystemCalendarStore* s = co_await opening;
  int count = 0;
  auto own = records_.ownCalendars();
  if (s) {
    s->reset();
    bool allOurs = s->backend() == CalendarBackend::sqlite;
    const std::set<std::string> eventTitles{CI::kHearingCalendar, CI::kDeadlineCalendar, CI::kOverdueCalendar};
    for (auto type : {CalendarEntityType::event, CalendarEntityType::reminder}) {
      std::vector<SystemCalendar> calendars;
      try {
        auto listing = s->calendars(type);
        calendars = co_await listing;
      } catch (...) {
      }
      for (const auto& c : calendars) {
        bool titled = type == CalendarEntityType::event ? eventTitles.count(c.title) > 0 : c.title == CI::kReminderList;
        bool ours = allOurs || std::find(own.begin(), own.end(), c.id) != own.end();
        if (!titled || !ours) continue;
        try {
          auto removing = s->removeCalendar(c.id);
          co_await removing;
          ++count;
          std::erase(own, c.id);
        } catch (...) {
        }
      }
    }
  }
  records_.setOwnCalendars(own);
  records_.forgetWrittenItems();
  co_return count;
}

}  // namespace quorvel
