#pragma once
// The calendar sync with its parts over the given defaults and workspace model, built
// in the application's order; the store is opened with `options` on first use unless
// a test puts one into the slot.
#include "features/calendar/AppleCalendarSync.h"
#include "features/calendar/CalendarFeedSource.h"
#include "features/calendar/CalendarStoreSlot.h"
#include "features/calendar/CalendarSyncRecords.h"
#include "features/calendar/CalendarWriter.h"
#include "features/calendar/ReminderWriteBack.h"

namespace quorvel::test {

struct CalendarSyncParts {
  CalendarSyncParts(UserDefaults& defaults, BrowserModel& browser, CalendarStoreOptions options = {})
      : slot(std::move(options)),
        records(defaults),
        feed(browser),
        writer(slot, records),
        writeBack(slot, records, browser),
        sync(defaults, browser, slot, records, feed, writer, writeBack) {}

  CalendarStoreSlot slot;
  CalendarSyncRecords records;
  CalendarFeedSource feed;
  CalendarWriter writer;
  ReminderWriteBack writeBack;
  AppleCalendarSync sync;
};

}  // namespace quorvel::test
