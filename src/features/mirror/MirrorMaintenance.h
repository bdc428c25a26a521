#pragma once
// The old copies in "_旧版本": counted, pruned by age (at launch when the settings ask
// for it) and emptied after a question. Each removal is recorded in the audit log.
#include "base/Task.h"
#include "features/mirror/MirrorServices.h"

namespace quorvel {

class MirrorLocation;

class MirrorMaintenance {
 public:
  struct Counts {
    long long count = 0;  // files (removed ones for prune/clear)
    long long bytes = 0;
    bool operator==(const Counts&) const = default;
  };

  MirrorMaintenance(const MirrorServices& services, MirrorLocation& location, MirrorKeepAlive keep);

  Counts oldVersionInfo() const;
  Counts pruneOldVersions(long long olderThanDays);
  Task<Counts> clearOldVersions(bool confirm);
  // The launch step: prunes when the settings ask for it.
  void autoPruneIfNeeded();

 private:
  MirrorServices services_;
  MirrorLocation& location_;
  MirrorKeepAlive keep_;
};

}  // namespace quorvel
