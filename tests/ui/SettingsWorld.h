#pragma once
// What the settings sheet works with, built by a test over its own defaults and
// workspace model: the case volume's world, an inbox watcher whose folder panel is
// cancelled, the calendar sync, and an update checker.
#include "CalendarSyncParts.h"
#include "VolumeServices.h"
#include "core/FilePanels.h"
#include "features/editing/HotFolderWatcher.h"
#include "features/workspace/UpdateChecker.h"
#include "ui/settings/SettingsView.h"

namespace quorvel::test {

class SettingsWorld {
 public:
  SettingsWorld(UserDefaults& defaults, BrowserModel& model, VolumeParts parts = {})
      : world(defaults, parts),
        inbox(defaults, panels, world.desktop),
        calendar(defaults, model),
        updates(defaults, world.dialogs, world.desktop, world.workers, world.audit, world.clock) {}

  SettingsServices services() {
    return SettingsServices{world.volume,  inbox,           calendar.sync, world.defaults, world.workers,
                            world.desktop, world.dialogs,   updates,       world.mirror()};
  }

  VolumeServices world;
  CancellingFilePanels panels;
  HotFolderWatcher inbox;
  CalendarSyncParts calendar;
  UpdateChecker updates;
};

}  // namespace quorvel::test
