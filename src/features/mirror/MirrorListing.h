#pragma once
// The service's side of the mirror: the account's contracts and clients, and the
// manifest of one contract, read through the signed-in page (or a given reader).
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Published.h"
#include "base/Task.h"
#include "features/mirror/MirrorFormats.h"
#include "features/mirror/MirrorNodes.h"
#include "features/mirror/MirrorServices.h"

namespace quorvel {

class MirrorActivity;
class MirrorStore;

class MirrorListing {
 public:
  // Reads a service path and returns the reply text (the page's own fetch).
  using Fetcher = std::function<Task<std::string>(const std::string& path)>;

  // Without `fetcher` the workspace's model reads the service.
  MirrorListing(const MirrorServices& services, std::shared_ptr<const MirrorWorkspace> workspace, Fetcher fetcher,
                MirrorActivity& activity, MirrorKeepAlive keep);

  Published<std::vector<MirrorNode>, MirrorListing> contracts;
  Published<std::vector<MirrorClientNode>, MirrorListing> clients;

  Task<void> loadNodes();
  Task<MirrorManifest> manifest(long long contract);

 private:
  friend class MirrorStore;  // its preset lists
  void preset(std::vector<MirrorNode> list) { contracts.set(std::move(list)); }
  Task<std::string> fetch(const std::string& path);

  MirrorServices services_;
  std::shared_ptr<const MirrorWorkspace> workspace_;
  Fetcher fetcher_;
  MirrorActivity& activity_;
  MirrorKeepAlive keep_;
};

}  // namespace quorvel
