#pragma once
// The client-settings window's content. This build carries the case-volume and the
// system-integration cards; the other cards come with their subsystems, and the window says so.
#include <gtkmm/box.h>
#include <gtkmm/scrolledwindow.h>

#include <functional>

#include "ui/settings/SystemIntegrationCard.h"

namespace quorvel {

class LocalVolume;
class ToolWindowContent;
class VolumeSettingsSection;

// The services the cards show and change.
struct SettingsServices {
  LocalVolume& volume;
  SystemIntegrationCard::Services integration;
};

class SettingsView : public Gtk::Box {
 public:
  SettingsView(std::function<void()> close, const SettingsServices& services);
  VolumeSettingsSection& volumeSection() { return *volume_; }
  SystemIntegrationCard& integrationCard() { return *integration_; }

 private:
  Gtk::ScrolledWindow scroller_;
  Gtk::Box column_{Gtk::Orientation::VERTICAL, 14};
  VolumeSettingsSection* volume_ = nullptr;
  SystemIntegrationCard* integration_ = nullptr;
};

// Makes the "settings" tool window show this view over the services.
void registerSettingsView(ToolWindowContent& contents, const SettingsServices& services);

}  // namespace quorvel
