#include "features/mirror/MirrorStore.h"

namespace quorvel {

MirrorStore::MirrorStore(const Services& services, std::shared_ptr<const MirrorWorkspace> workspace, Fetcher fetcher)
    : listing_(services, workspace, std::move(fetcher), activity_, keepAlive()),
      location_(services, listing_, activity_, keepAlive()),
      selection_(services, listing_, location_, activity_, keepAlive()),
      transfers_(services, workspace, listing_, location_, selection_, activity_, keepAlive()),
      maintenance_(services, location_, keepAlive()) {}

std::shared_ptr<MirrorStore> MirrorStore::create(const Services& services,
                                                 std::shared_ptr<const MirrorWorkspace> workspace, Fetcher fetcher,
                                                 const std::optional<Preset>& preset) {
  std::shared_ptr<MirrorStore> store(new MirrorStore(services, std::move(workspace), std::move(fetcher)));
  if (preset) store->apply(*preset);
  return store;
}

// A running chain holds the store, so the parts it uses stay while it is suspended.
MirrorKeepAlive MirrorStore::keepAlive() {
  return [this]() -> std::shared_ptr<const void> { return shared_from_this(); };
}

void MirrorStore::apply(const Preset& preset) {
  listing_.preset(preset.contracts);
  selection_.preset(preset.selectedContract, preset.folders, preset.selectedFolders, preset.diffs);
  activity_.say(preset.progressText);
}

void MirrorStore::chooseRoot(const std::filesystem::path& folder) {
  location_.setRoot(folder);
  selection_.selectContract(selection_.selectedContract.get());
}

void MirrorStore::volumeChanged(const std::string& note) {
  location_.refreshVolume();
  activity_.say(note);
}

}  // namespace quorvel
