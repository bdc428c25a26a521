#pragma once
// The settings sheet's appearance-and-start-up card: the three zoom chips for the
// sidebar and every page, and the switch that starts the client at login with its
// status line. Only the user's flip of the switch changes the login item; the card's
// own updates of the switch never do, and an error stays until a user's change succeeds.
#include <gtkmm/box.h>
#include <gtkmm/label.h>
#include <gtkmm/switch.h>

#include <string>
#include <vector>

#include "base/GLibPtr.h"
#include "ui/components/LawCard.h"

namespace quorvel {

class BrowserModel;
class LawSelectableChip;
class UserDefaults;
class WorkspaceViewState;

class AppearanceCard : public LawCard {
 public:
  struct Services {
    BrowserModel& browser;
    UserDefaults& defaults;
    WorkspaceViewState& view;  // its font scale
  };
  explicit AppearanceCard(const Services& services);

  // Chips from the font scale; switch and status line from the login item as it is now.
  void refresh();

  const std::vector<LawSelectableChip*>& zoomChips() const { return chips_; }
  Gtk::Switch& loginSwitch() { return switch_; }
  Gtk::Label& loginStatusLabel() { return status_; }
  const std::string& loginError() const { return loginErr_; }

 private:
  void showChips();
  void showLoginItem();
  void userSwitched(bool on);

  Services services_;
  std::vector<LawSelectableChip*> chips_;
  Gtk::Label loginTitle_{"开机自动启动"};
  Gtk::Label status_;
  Gtk::Switch switch_;
  std::string loginErr_;
  bool shownOn_ = false;  // where the card last put the switch
  std::vector<ScopedConnection> connections_;
};

}  // namespace quorvel
