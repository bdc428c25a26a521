#pragma once
// Where the mirror lives: its settings (the folder, on or off, the old-version days),
// the volume or the mirror folder it is read through, the local place of a server
// file, and whether a mounted volume belongs to the signed-in account.
#include <filesystem>
#include <optional>
#include <string>

#include "base/Published.h"
#include "base/Task.h"
#include "features/mirror/MirrorFormats.h"
#include "features/mirror/MirrorServices.h"
#include "platform/Desktop.h"

namespace quorvel {

class MirrorActivity;
class MirrorListing;
class MirrorStore;

class MirrorLocation {
 public:
  struct AccessMode {
    bool mounted = false;
    std::filesystem::path root;  // the volume root, or the mirror folder
  };

  // The settings are read once, here.
  MirrorLocation(const MirrorServices& services, MirrorListing& listing, MirrorActivity& activity,
                 MirrorKeepAlive keep);

  Published<MirrorConfig, MirrorLocation> config;
  Published<int, MirrorLocation> volumeRevision{0};
  Published<bool, MirrorLocation> mountMismatch{false};
  Published<std::string, MirrorLocation> mountCheckNote;

  // The case volume the store reads through when it is mounted.
  LocalVolume& volume() const { return services_.volume; }
  AccessMode accessMode() const;
  std::filesystem::path root() const;
  void ensureRoot();
  // What did not open, and why (for the window to say).
  std::optional<OpenFailure> openRoot();
  std::optional<std::filesystem::path> localURL(const MirrorFile& file) const;
  Task<void> verifyMount();
  // The volume was connected or let go: views redraw, the status line says which.
  void refreshVolume();

  static long long freeSpace(const std::filesystem::path& at);
  // The size of the regular file at `p`; nothing when there is none.
  static std::optional<long long> sizeOf(const std::filesystem::path& p);

 private:
  friend class MirrorStore;  // a root the user chose
  // Saves `folder` as the mirror root.
  void setRoot(const std::filesystem::path& folder);

  MirrorServices services_;
  MirrorListing& listing_;
  MirrorActivity& activity_;
  MirrorKeepAlive keep_;
};

}  // namespace quorvel
