#pragma once
// The settings sheet's volume-and-mirror card: whether the case volume is mounted,
// connect or disconnect it, open the case folder, and the switch for the automatic
// clean-up of old mirror versions (saved with the other mirror settings unchanged).
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/label.h>
#include <gtkmm/switch.h>

#include <memory>
#include <vector>

#include "base/GLibPtr.h"
#include "base/Task.h"
#include "features/mirror/MirrorFormats.h"
#include "ui/components/LawCard.h"
#include "ui/components/OpenFailureNote.h"

namespace quorvel {

class LocalVolume;
class UserDefaults;

class VolumeMirrorCard : public LawCard {
 public:
  struct Services {
    LocalVolume& volume;
    UserDefaults& defaults;
  };
  explicit VolumeMirrorCard(const Services& services);
  ~VolumeMirrorCard() override;

  // The status text and the mirror settings read again; the dot and button follow the mount.
  void refresh();

  Gtk::Label& statusLabel() { return status_; }
  Gtk::Box& statusDot() { return dot_; }
  Gtk::Button& connectButton() { return *connect_; }
  Gtk::Button& disconnectButton() { return *disconnect_; }
  Gtk::Button& openButton() { return *open_; }
  Gtk::Switch& pruneSwitch() { return prune_; }
  Gtk::Label& pruneTitle() { return pruneTitle_; }
  bool busy() const { return busy_; }
  // Whether the dot shows the mounted colour.
  bool dotShowsMounted() const { return dotMounted_; }

  // Why the volume's folder did not open, under its row.
  OpenFailureNote& openFailure() { return openFailure_; }

 private:
  void showMount();
  void setBusy(bool on);
  void ended(const std::string& message, bool logMessage);

  Services services_;
  MirrorConfig config_;
  Gtk::Box dot_;
  Gtk::Label status_;
  Gtk::Button* connect_ = nullptr;
  Gtk::Button* disconnect_ = nullptr;
  Gtk::Button* open_ = nullptr;
  OpenFailureNote openFailure_;
  Gtk::Label pruneTitle_;
  Gtk::Switch prune_;
  Glib::RefPtr<Gtk::CssProvider> dotColor_;
  bool busy_ = false;
  bool dotMounted_ = false;
  ScopedConnection mountChanged_;
  TaskScope scope_;
};

}  // namespace quorvel
