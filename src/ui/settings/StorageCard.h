#pragma once
// The settings sheet's storage card: how much the local mirror and its "_旧版本"
// backups take (counted on the worker pool), the three local places opened in the
// file manager, and emptying the backups after a confirmation.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>

#include <array>
#include <filesystem>
#include <memory>

#include "base/Task.h"
#include "features/mirror/MirrorStore.h"
#include "features/mirror/StorageStats.h"
#include "ui/components/LawCard.h"
#include "ui/components/OpenFailureNote.h"

namespace quorvel {

class AuditLog;
class Desktop;
class UserDefaults;

class StorageCard : public LawCard {
 public:
  struct Services {
    UserDefaults& defaults;  // the mirror settings, read afresh for every count
    WorkerPool& workers;
    Desktop& desktop;
    // The mirror store, which empties the backups.
    MirrorStore& mirror;
    // Where uploads and removals are recorded.
    AuditLog& audit;
  };

  explicit StorageCard(const Services& services);
  ~StorageCard() override;

  // Counts again; the figures on screen stay until the new ones replace them.
  void refresh();

  struct Tile {
    Gtk::Label* title;
    Gtk::Label* value;
    Gtk::Label* sub;
  };
  const std::array<Tile, 2>& tiles() const { return tiles_; }
  Gtk::Button& recountButton() { return *recount_; }
  Gtk::Button& clearOldButton() { return *clearOld_; }
  // Why a folder did not open, under the buttons.
  OpenFailureNote& openFailure() { return openFailure_; }
  const StorageStatsRefresher& stats() const { return refresher_; }

 private:
  void showStats();
  void openFolder(const std::filesystem::path& folder);
  void openAuditLog();
  void clearOldVersions();

  Services services_;
  StorageStatsRefresher refresher_;
  std::array<Tile, 2> tiles_{};
  Gtk::Button* recount_ = nullptr;
  Gtk::Button* clearOld_ = nullptr;
  OpenFailureNote openFailure_;
  TaskScope scope_;
};

}  // namespace quorvel
