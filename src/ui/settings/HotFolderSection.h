#pragma once
// The inbox-folder card of the settings window: the row with the watched folder, its
// two buttons and the switch, and the watcher's status line below.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/switch.h>

#include <vector>

#include "base/GLibPtr.h"
#include "ui/components/LawCard.h"

namespace quorvel {

class HotFolderWatcher;

class HotFolderSection : public LawCard {
 public:
  explicit HotFolderSection(HotFolderWatcher& watcher);
  Gtk::Switch& enabledSwitch() { return switch_; }
  Gtk::Button& chooseButton() { return *choose_; }
  Gtk::Button& openButton() { return *open_; }
  const Gtk::Label& pathLabel() const { return path_; }
  const Gtk::Label& statusLabel() const { return status_; }

 private:
  void sync();

  HotFolderWatcher& watcher_;
  Gtk::Box row_{Gtk::Orientation::HORIZONTAL, 10};
  Gtk::Box texts_{Gtk::Orientation::VERTICAL, 2};
  Gtk::Label title_;
  Gtk::Label path_;
  Gtk::Label status_;
  Gtk::Switch switch_;
  Gtk::Button* choose_ = nullptr;
  Gtk::Button* open_ = nullptr;
  bool syncing_ = false;
  std::vector<ScopedConnection> connections_;
};

}  // namespace quorvel
