#pragma once
// What the settings' system-integration card works with, built by a test over its own
// defaults and workspace model: the calendar sync over an in-memory store, the desktop
// calendar, the search indexer over an index file in the test's home, hot keys, idle
// time and password checks the test sets, the inbox watcher and recorded alerts.
#include <memory>

#include "CalendarSyncParts.h"
#include "fakes/FakeCalendarStore.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeHotKeys.h"
#include "fakes/FakeLockPlatform.h"
#include "fakes/RecordingDesktop.h"
#include "fakes/SettableClock.h"
#include "core/FilePanels.h"
#include "core/PrivacyLock.h"
#include "features/calendar/DesktopCalendarModel.h"
#include "features/editing/HotFolderWatcher.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "features/workspace/SpotlightIndexer.h"
#include "platform/Desktop.h"
#include "platform/SearchIndexStore.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/settings/SystemIntegrationCard.h"

namespace quorvel::test {

struct IntegrationServices {
  IntegrationServices(UserDefaults& defaults, const std::shared_ptr<BrowserModel>& model,
                      const std::filesystem::path& indexFile)
      : browser(model),
        calendar(defaults, *model),
        deskModel(calendar.feed, *model),
        desktopCalendar(defaults, deskModel, model),
        spotlight(std::make_shared<SearchIndexStore>(indexFile), defaults, clock),
        hotKeys(makeHotKeys(), defaults, AppMode::normal),
        inbox(defaults, panels, desktop),
        lock(idle, auth, defaults, AppMode::normal) {
    auto s = std::make_unique<FakeCalendarStore>();
    store = s.get();
    calendar.slot.setStore(std::move(s));
  }

  SystemIntegrationCard::Services services() {
    return {desktopCalendar, calendar.sync, spotlight, hotKeys, inbox, lock, dialogs, browser};
  }

  std::unique_ptr<HotKeys> makeHotKeys() {
    auto keys = std::make_unique<FakeHotKeys>();
    keyState = keys->state;
    return keys;
  }

  std::weak_ptr<BrowserModel> browser;
  SettableClock clock;
  CalendarSyncParts calendar;
  FakeCalendarStore* store = nullptr;
  DesktopCalendarModel deskModel;
  DesktopCalendarWindow desktopCalendar;
  SpotlightIndexer spotlight;
  std::shared_ptr<FakeHotKeys::State> keyState;
  GlobalHotKeyManager hotKeys;
  CancellingFilePanels panels;
  RecordingDesktop desktop;
  HotFolderWatcher inbox;
  FakeIdleTime idle;
  FakeAuthenticator auth;
  PrivacyLock lock;
  FakeDialogs dialogs;
};

}  // namespace quorvel::test
