#pragma once
// The settings sheet's account-and-server card: who is signed in, the account switch,
// and the service address with "保存并重新加载" and "恢复默认". Only a usable address
// is stored; anything else leaves the stored one and says so in the hint.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>

#include <functional>
#include <memory>
#include <vector>

#include "base/GLibPtr.h"
#include "base/Task.h"
#include "ui/components/LawCard.h"
#include "ui/model/SettingsCards.h"

namespace quorvel {

class BrowserModel;
class Dialogs;
class LocalVolume;
class SpotlightIndexer;
class UserDefaults;

class AccountCard : public LawCard {
 public:
  struct Services {
    BrowserModel& browser;
    UserDefaults& defaults;
    Dialogs& dialogs;
    LocalVolume& volume;
    // Emptied when another service's address is stored; none: no index to empty.
    SpotlightIndexer* spotlight = nullptr;
  };
  // `closeSheet` starts closing the sheet before the account switch asks its question.
  AccountCard(const Services& services, std::function<void()> closeSheet);
  ~AccountCard() override;

  // The field shows the stored address again; the account lines follow the badges.
  void refresh();

  Gtk::Label& avatarLabel() { return avatar_; }
  Gtk::Label& nameLabel() { return name_; }
  Gtk::Label& detailLabel() { return detail_; }
  Gtk::Entry& serverField() { return field_; }
  Gtk::Button& switchButton() { return *switch_; }
  Gtk::Button& saveButton() { return *save_; }
  Gtk::Button& resetButton() { return *reset_; }
  Gtk::Label& hintLabel() { return hint_; }

  // The pause between closing the sheet and the account switch's question.
  static constexpr unsigned kSwitchDelayMs = 150;

 private:
  void showAccount();
  void save();
  void restoreDefault();
  // Stores `address`; another service's address only after the question, and then
  // the old service's data go.
  void store(const std::string& address, const ServerHint& hint);
  void apply(const std::string& address, const ServerHint& hint, bool otherService);
  void showHint(const ServerHint& hint);
  void updateResetButton();

  Services services_;
  std::function<void()> closeSheet_;
  Gtk::Label avatar_;
  Gtk::Label name_;
  Gtk::Label detail_;
  Gtk::Entry field_;
  Gtk::Label hint_;
  Gtk::Button* switch_ = nullptr;
  Gtk::Button* save_ = nullptr;
  Gtk::Button* reset_ = nullptr;
  std::vector<ScopedConnection> connections_;
  TaskScope scope_;
};

}  // namespace quorvel
