#pragma once
// What the settings sheet works with, built by a test over its own defaults and
// workspace model: the case volume's world, the system-integration card's services
// and an update checker.
#include "IntegrationServices.h"
#include "VolumeServices.h"
#include "features/workspace/SpotlightIndexer.h"
#include "features/workspace/UpdateChecker.h"
#include "ui/model/WorkspaceViewState.h"
#include "ui/settings/SettingsView.h"

namespace quorvel::test {

class SettingsWorld {
 public:
  SettingsWorld(UserDefaults& defaults, const std::shared_ptr<BrowserModel>& model, VolumeParts parts = {})
      : world(defaults, parts),
        integration(defaults, model, SpotlightIndexer::storeFile()),
        updates(defaults, world.dialogs, world.desktop, world.workers, world.audit, world.clock) {}

  SettingsServices services() {
    return SettingsServices{world.volume,  integration.services(), world.defaults, world.workers,
                            world.desktop, world.dialogs,          updates,        *mirror,
                            world.audit,   view};
  }

  VolumeServices world;
  IntegrationServices integration;
  UpdateChecker updates;
  // The settings' mirror store, over the settings as they are when the world is made.
  std::shared_ptr<MirrorStore> mirror = MirrorStore::create(world.mirror(), std::make_shared<MirrorWorkspace>());
  WorkspaceViewState view{world.defaults};
};

}  // namespace quorvel::test
