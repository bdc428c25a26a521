#pragma once
// The privacy lock's cover over the whole main window: the brand, what is hidden, a
// password field of ours and the unlock button; the reason a check failed below it,
// and whether the locked state could not be stored.
#include <gtkmm.h>

#include <vector>

#include "base/GLibPtr.h"
#include "core/PrivacyLock.h"

namespace quorvel {

class LockOverlayView : public Gtk::Box {
 public:
  explicit LockOverlayView(PrivacyLock& lock);
  Gtk::PasswordEntry& passwordField() { return password_; }
  Gtk::Button& unlockButton() { return *unlock_; }
  const Gtk::Label& errorLabel() const { return error_; }
  const Gtk::Label& storeErrorLabel() const { return storeError_; }
  // Puts the keyboard focus into the password field.
  void focusPassword();

 private:
  void submit();
  void sync();

  PrivacyLock& lock_;
  Gtk::PasswordEntry password_;
  Gtk::Button* unlock_ = nullptr;
  Gtk::Label error_;
  Gtk::Label storeError_;
  std::vector<ScopedConnection> connections_;
};

}  // namespace quorvel
