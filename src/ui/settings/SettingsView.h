#pragma once
// The client-settings sheet: a header with "完成" (Escape presses it), then the six
// cards in one scrolling column. Each time the sheet comes on screen every card reads
// its figures again.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/scrolledwindow.h>

#include <array>
#include <functional>
#include <memory>
#include <vector>

#include "features/mirror/MirrorStore.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/components/WindowEscapeKey.h"

#include "ui/settings/SystemIntegrationCard.h"

namespace quorvel {

class AccountCard;
class AppearanceCard;
class BrowserModel;
class AuditLog;
class Desktop;
class Dialogs;
class LocalVolume;
class MaintenanceCard;
class StorageCard;
class ToolWindowContent;
class UpdateChecker;
class UserDefaults;
class VolumeMirrorCard;
class WorkerPool;
class WorkspaceViewState;

// The services the cards show and change; all of them outlive the sheet.
struct SettingsServices {
  LocalVolume& volume;
  SystemIntegrationCard::Services integration;
  UserDefaults& defaults;
  WorkerPool& workers;
  Desktop& desktop;
  Dialogs& dialogs;
  UpdateChecker& updates;
  MirrorStore& mirror;
  AuditLog& audit;
  WorkspaceViewState& view;
};

class SettingsView : public Gtk::Box {
 public:
  // `close` is the host's: it drops the window's flag and hides the window.
  SettingsView(std::shared_ptr<BrowserModel> browser, std::function<void()> close, const SettingsServices& services);

  // Every card reads what it shows again.
  void refreshCards();

  LawSheetHeader& header() { return header_; }
  Gtk::Button& doneButton() { return *done_; }
  Gtk::ScrolledWindow& scroller() { return scroller_; }
  // The six cards' places, top to bottom (SettingsCard order).
  const std::array<Gtk::Widget*, 6>& cards() const { return cards_; }
  AccountCard& accountCard() { return *account_; }
  AppearanceCard& appearanceCard() { return *appearance_; }
  VolumeMirrorCard& volumeCard() { return *volume_; }
  StorageCard& storageCard() { return *storage_; }
  MaintenanceCard& maintenanceCard() { return *maintenance_; }
  SystemIntegrationCard& integrationCard() { return *integration_; }

 private:
  void done();

  std::function<void()> close_;
  LawSheetHeader header_;
  Gtk::Button* done_ = nullptr;
  Gtk::ScrolledWindow scroller_;
  Gtk::Box column_;
  std::array<Gtk::Widget*, 6> cards_{};
  std::vector<std::function<void()>> refreshers_;
  AccountCard* account_ = nullptr;
  AppearanceCard* appearance_ = nullptr;
  VolumeMirrorCard* volume_ = nullptr;
  SystemIntegrationCard* integration_ = nullptr;
  StorageCard* storage_ = nullptr;
  MaintenanceCard* maintenance_ = nullptr;
  WindowEscapeKey escape_;
};

// Makes the "settings" tool window show this view over the services.
void registerSettingsView(ToolWindowContent& contents, const SettingsServices& services);

}  // namespace quorvel
