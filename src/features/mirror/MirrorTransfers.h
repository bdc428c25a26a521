#pragma once
// Files between the service and the mirror folder: the ticked folders cached, the
// differences filled in, one file downloaded (an old copy backed up first), one file
// uploaded. Files being edited are never overwritten.
#include <filesystem>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "base/Task.h"
#include "features/mirror/MirrorFormats.h"
#include "features/mirror/MirrorServices.h"

namespace quorvel {

class MirrorActivity;
class MirrorListing;
class MirrorLocation;
class MirrorSelection;

class MirrorTransfers {
 public:
  // How long a transfer may stall before it fails.
  static constexpr unsigned kTransferTimeoutSeconds = 300;

  MirrorTransfers(const MirrorServices& services, std::shared_ptr<const MirrorWorkspace> workspace,
                  MirrorListing& listing, MirrorLocation& location, MirrorSelection& selection,
                  MirrorActivity& activity, MirrorKeepAlive keep);

  // The selected contract's ticked folders into the mirror folder.
  Task<void> cacheAll();
  // The listed differences, then a new check.
  Task<void> downloadDiffs();
  // One file into `local`, through a temporary file beside it; an old copy goes to
  // "_旧版本" first. Throws AppError.
  Task<void> download(const std::string& serverPath, const std::filesystem::path& local);
  // Sends one file to the service's case storage under `serverPath`; the answer
  // object when its "ok" is true, else AppError("Upload", status, …).
  Task<nlohmann::json> uploadFile(const std::string& serverPath, const std::filesystem::path& local);

 private:
  Task<std::string> siteCookieHeader();
  bool heldByEditSession(const std::filesystem::path& local) const;
  Task<void> writeSnapshot(const MirrorManifest& m);

  MirrorServices services_;
  std::shared_ptr<const MirrorWorkspace> workspace_;
  MirrorListing& listing_;
  MirrorLocation& location_;
  MirrorSelection& selection_;
  MirrorActivity& activity_;
  MirrorKeepAlive keep_;
};

}  // namespace quorvel
