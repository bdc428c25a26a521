#pragma once
// The client-settings window's content. This build carries the case-volume, the
// calendar-sync and the inbox-folder cards; the other cards come with their subsystems, and the window says so.
#include <gtkmm/box.h>
#include <gtkmm/scrolledwindow.h>

#include <functional>

namespace quorvel {

class AppleCalendarSync;
class VolumeSettingsSection;

class SettingsView : public Gtk::Box {
 public:
  SettingsView(std::function<void()> close, AppleCalendarSync& calendar);
  VolumeSettingsSection& volumeSection() { return *volume_; }

 private:
  Gtk::ScrolledWindow scroller_;
  Gtk::Box column_{Gtk::Orientation::VERTICAL, 14};
  VolumeSettingsSection* volume_ = nullptr;
};

// Makes the "settings" tool window show this view over the calendar sync.
void registerSettingsView(AppleCalendarSync& calendar);

}  // namespace quorvel
