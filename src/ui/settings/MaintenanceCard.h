#pragma once
// The settings sheet's maintenance card, folded until its header is clicked: the
// update check, hibernating the other tabs, the data folder, clearing the sign-in
// state and web data (after a question), and the version line with the live tabs.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/revealer.h>

#include <functional>
#include <memory>

#include "base/Task.h"
#include "ui/components/LawCard.h"
#include "ui/components/OpenFailureNote.h"

namespace quorvel {

class BrowserModel;
class Desktop;
class Dialogs;
class UpdateChecker;

class MaintenanceCard : public LawCard {
 public:
  struct Services {
    Desktop& desktop;
    Dialogs& dialogs;
    UpdateChecker& updates;
  };

  // `closeSheet` closes the sheet after the sign-in state was cleared.
  MaintenanceCard(std::shared_ptr<BrowserModel> browser, const Services& services, std::function<void()> closeSheet);
  ~MaintenanceCard() override;

  // Re-reads the version line.
  void refresh();
  bool unfolded() const;
  void setUnfolded(bool unfolded);

  Gtk::Button& foldButton() { return fold_; }
  Gtk::Widget& chevron() { return *chevron_; }
  Gtk::Button& clearSignInButton() { return *clearSignIn_; }
  Gtk::Label& versionLine() { return version_; }

  // Why the data folder did not open, under the buttons.
  OpenFailureNote& openFailure() { return openFailure_; }

 private:
  void clearSignIn();

  std::shared_ptr<BrowserModel> browser_;
  Services services_;
  std::function<void()> closeSheet_;
  Gtk::Button fold_;
  Gtk::Widget* chevron_ = nullptr;
  Gtk::Revealer body_;
  Gtk::Button* clearSignIn_ = nullptr;
  Gtk::Label version_;
  OpenFailureNote openFailure_;
  TaskScope scope_;
};

}  // namespace quorvel
