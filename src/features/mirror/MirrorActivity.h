#pragma once
// What the mirror store is doing and how it went: busy while any operation runs, the
// status line, the count of a transfer, the last error. Written only by the store's
// parts; views read and observe.
#include <optional>
#include <string>

#include "base/Published.h"

namespace quorvel {

class MirrorListing;
class MirrorLocation;
class MirrorSelection;
class MirrorTransfers;
class MirrorStore;

class MirrorActivity {
 public:
  Published<bool, MirrorActivity> busy{false};
  Published<std::string, MirrorActivity> progressText;
  Published<int, MirrorActivity> done{0};
  Published<int, MirrorActivity> total{0};
  Published<std::optional<std::string>, MirrorActivity> lastError;

  // A cache or a fill of differences is running.
  bool transferring() const { return transferring_; }

 private:
  friend class MirrorListing;
  friend class MirrorLocation;
  friend class MirrorSelection;
  friend class MirrorTransfers;
  friend class MirrorStore;

  // One running operation: `busy` stays up until the last one ends, so a list reload
  // during a cache does not drop it.
  class Running {
   public:
    explicit Running(MirrorActivity& activity, bool transfer = false);
    ~Running();
    Running(const Running&) = delete;
    Running& operator=(const Running&) = delete;

   private:
    MirrorActivity& activity_;
    bool transfer_;
  };

  void say(std::string text) { progressText.set(std::move(text)); }
  void fail(std::optional<std::string> error) { lastError.set(std::move(error)); }
  void startCount(int of) {
    total.set(of);
    done.set(0);
  }
  // The next item of the count; its number.
  int countOne() {
    done.set(done.get() + 1);
    return done.get();
  }
  // A second transfer would write the same files beside the running one: refused, logged.
  bool refuseSecondTransfer() const;

  int running_ = 0;
  bool transferring_ = false;
};

}  // namespace quorvel
