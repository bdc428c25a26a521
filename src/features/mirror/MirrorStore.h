#pragma once
// The local mirror of case folders, in parts: what runs (activity), where the mirror
// lives (location), the service's lists (listing), the contract shown with its ticks
// and differences (selection), files moved both ways (transfers) and the old copies
// (maintenance). Each part alone writes its own observable values. The application
// makes one store; views and services are handed it by reference. Main thread.
#include <filesystem>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "features/mirror/MirrorActivity.h"
#include "features/mirror/MirrorListing.h"
#include "features/mirror/MirrorLocation.h"
#include "features/mirror/MirrorMaintenance.h"
#include "features/mirror/MirrorSelection.h"
#include "features/mirror/MirrorServices.h"
#include "features/mirror/MirrorTransfers.h"

namespace quorvel {

class MirrorStore : public std::enable_shared_from_this<MirrorStore> {
 public:
  static constexpr unsigned kTransferTimeoutSeconds = MirrorTransfers::kTransferTimeoutSeconds;
  using Counts = MirrorMaintenance::Counts;
  using Fetcher = MirrorListing::Fetcher;
  using Services = MirrorServices;

  // What a store shows from its start, before anything is read (the renders' samples).
  struct Preset {
    std::vector<MirrorNode> contracts;
    std::optional<long long> selectedContract;
    std::vector<MirrorFolder> folders;
    std::set<std::string> selectedFolders;
    std::vector<MirrorDiff> diffs;
    std::string progressText;
  };

  // The settings are read once, here. Without `fetcher` the service is read through the
  // workspace's model; the workspace's cookie store goes with downloads and uploads.
  static std::shared_ptr<MirrorStore> create(const Services& services,
                                             std::shared_ptr<const MirrorWorkspace> workspace, Fetcher fetcher = {},
                                             const std::optional<Preset>& preset = std::nullopt);
  MirrorStore(const MirrorStore&) = delete;
  MirrorStore& operator=(const MirrorStore&) = delete;

  MirrorActivity& activity() { return activity_; }
  const MirrorActivity& activity() const { return activity_; }
  MirrorLocation& location() { return location_; }
  const MirrorLocation& location() const { return location_; }
  MirrorListing& listing() { return listing_; }
  const MirrorListing& listing() const { return listing_; }
  MirrorSelection& selection() { return selection_; }
  const MirrorSelection& selection() const { return selection_; }
  MirrorTransfers& transfers() { return transfers_; }
  MirrorMaintenance& maintenance() { return maintenance_; }
  const MirrorMaintenance& maintenance() const { return maintenance_; }

  // Takes a folder the user picked as the mirror root, saves, reloads the contract.
  void chooseRoot(const std::filesystem::path& folder);
  // A connect or disconnect of the volume ended: the views redraw, `note` says how.
  void volumeChanged(const std::string& note);

 private:
  MirrorStore(const Services& services, std::shared_ptr<const MirrorWorkspace> workspace, Fetcher fetcher);
  void apply(const Preset& preset);
  MirrorKeepAlive keepAlive();

  MirrorActivity activity_;
  MirrorListing listing_;
  MirrorLocation location_;
  MirrorSelection selection_;
  MirrorTransfers transfers_;
  MirrorMaintenance maintenance_;
};

}  // namespace quorvel
