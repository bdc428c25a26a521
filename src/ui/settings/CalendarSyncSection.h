#pragma once
// The "本机日历与提醒事项" card of the settings window: the switch, the store in use,
// the sync's status line and "立即同步".
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/switch.h>

#include <vector>

#include "base/GLibPtr.h"
#include "ui/components/LawCard.h"

namespace quorvel {

class AppleCalendarSync;

class CalendarSyncSection : public LawCard {
 public:
  explicit CalendarSyncSection(AppleCalendarSync& calendar);
  Gtk::Switch& enabledSwitch() { return switch_; }

 private:
  void sync();

  AppleCalendarSync& calendar_;
  Gtk::Box header_{Gtk::Orientation::HORIZONTAL, 8};
  Gtk::Label title_;
  Gtk::Switch switch_;
  Gtk::Label storeLine_;
  Gtk::Label status_;
  Gtk::Button* now_ = nullptr;
  bool syncing_ = false;
  std::vector<ScopedConnection> connections_;
};

}  // namespace quorvel
