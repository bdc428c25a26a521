#pragma once
// The client-settings window's content. This build carries the account, appearance,
// volume-and-mirror, calendar-sync and inbox-folder cards; the other cards come with their subsystems, and the window says so.
#include <gtkmm/box.h>
#include <gtkmm/scrolledwindow.h>

#include <functional>
#include <memory>

namespace quorvel {

class AccountCard;
class AppearanceCard;
class AppleCalendarSync;
class BrowserModel;
class Dialogs;
class HotFolderWatcher;
class LocalVolume;
class ToolWindowContent;
class UserDefaults;
class VolumeMirrorCard;
class WorkspaceViewState;

// The services the cards show and change.
struct SettingsServices {
  LocalVolume& volume;
  HotFolderWatcher& inbox;
  AppleCalendarSync& calendar;
  UserDefaults& defaults;
  Dialogs& dialogs;
  WorkspaceViewState& view;
};

class SettingsView : public Gtk::Box {
 public:
  SettingsView(std::function<void()> close, const SettingsServices& services, std::shared_ptr<BrowserModel> browser);
  AccountCard& accountCard() { return *account_; }
  AppearanceCard& appearanceCard() { return *appearance_; }
  VolumeMirrorCard& volumeCard() { return *volume_; }

 private:
  Gtk::ScrolledWindow scroller_;
  Gtk::Box column_{Gtk::Orientation::VERTICAL, 14};
  std::shared_ptr<BrowserModel> browser_;
  AccountCard* account_ = nullptr;
  AppearanceCard* appearance_ = nullptr;
  VolumeMirrorCard* volume_ = nullptr;
};

// Makes the "settings" tool window show this view over the services.
void registerSettingsView(ToolWindowContent& contents, const SettingsServices& services);

}  // namespace quorvel
