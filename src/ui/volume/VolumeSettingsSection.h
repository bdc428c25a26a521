#pragma once
// The "本地卷宗盘" section of the settings sheet: the status line, connect,
// disconnect and open the case folder. It refreshes itself after every connect or
// disconnect; the sheet calls refresh() each time it comes on screen.
#include <gtkmm.h>

#include <memory>

#include "base/GLibPtr.h"
#include "ui/components/LawCard.h"

namespace quorvel {

class LocalVolume;

class VolumeSettingsSection : public LawCard {
 public:
  explicit VolumeSettingsSection(LocalVolume& volume);
  ~VolumeSettingsSection() override;
  void refresh();
  Gtk::Label& statusLabel() { return status_; }
  Gtk::Label& messageLabel() { return message_; }
  Gtk::Button& connectButton() { return *connect_; }
  Gtk::Button& disconnectButton() { return *disconnect_; }

 private:
  void busy(bool on);

  LocalVolume& volume_;
  Gtk::Label title_;
  Gtk::Label status_;
  Gtk::Label message_;
  Gtk::Box buttons_;
  Gtk::Button* connect_;
  Gtk::Button* disconnect_;
  Gtk::Button* open_;
  ScopedConnection changed_;
  std::shared_ptr<VolumeSettingsSection*> self_;
};

}  // namespace quorvel
