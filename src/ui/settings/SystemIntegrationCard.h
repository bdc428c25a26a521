#pragma once
// The settings sheet's card of the client's ties to the desktop: the desktop calendar,
// the calendar and reminder sync with its options, the system-search index, the global
// hot keys, the inbox folder and the idle lock. It keeps no state of its own beyond
// the hot-key switch: every row shows a service's published state and each control
// calls one operation of that service.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/label.h>
#include <gtkmm/switch.h>

#include <map>
#include <memory>
#include <vector>

#include "base/GLibPtr.h"
#include "base/Task.h"
#include "ui/components/LawCard.h"
#include "ui/components/OpenFailureNote.h"

namespace quorvel {

class AppleCalendarSync;
class BrowserModel;
struct CalendarSyncConfig;
class DesktopCalendarWindow;
class Dialogs;
class GlobalHotKeyManager;
class HotFolderWatcher;
class LawSelectableChip;
class PrivacyLock;
class SpotlightIndexer;

class SystemIntegrationCard : public LawCard {
 public:
  // Borrowed; all of them outlive the card.
  struct Services {
    DesktopCalendarWindow& desktopCalendar;
    AppleCalendarSync& calendarSync;
    SpotlightIndexer& spotlight;
    GlobalHotKeyManager& hotKeys;
    HotFolderWatcher& inbox;
    PrivacyLock& privacyLock;
    // The alert before clearing the synced calendars.
    Dialogs& dialogs;
    // The workspace "重建索引" indexes.
    std::weak_ptr<BrowserModel> browser;
  };

  explicit SystemIntegrationCard(Services services);
  ~SystemIntegrationCard() override;

  // Reads every row again from its service (the hot-key switch from the stored flag).
  void refresh();

  Gtk::Button& desktopCalendarButton() { return *calendarButton_; }
  Gtk::Switch& autoShowSwitch() { return autoShow_; }
  Gtk::Label& syncStatus() { return syncStatus_; }
  Gtk::Button& syncButton() { return *syncButton_; }
  Gtk::Switch& syncSwitch() { return syncSwitch_; }
  Gtk::Box& syncOptions() { return options_; }
  Gtk::CheckButton& foldDeadlinesOption() { return fold_; }
  Gtk::CheckButton& hearingsOnlyOption() { return hearingsOnly_; }
  Gtk::CheckButton& syncRemindersOption() { return reminders_; }
  Gtk::CheckButton& writeBackOption() { return writeBack_; }
  Gtk::Button& clearButton() { return *clearButton_; }
  Gtk::Label& searchSubtitle() { return searchSubtitle_; }
  Gtk::Button& reindexButton() { return *reindexButton_; }
  Gtk::Switch& searchSwitch() { return searchSwitch_; }
  // Why "重建索引" is unavailable, shown beside it while system search is off.
  Gtk::Label& reindexOffNote() { return reindexOff_; }
  Gtk::Switch& hotKeySwitch() { return hotKeySwitch_; }
  Gtk::Label& inboxPath() { return inboxPath_; }
  Gtk::Button& chooseFolderButton() { return *chooseButton_; }
  Gtk::Button& openFolderButton() { return *openButton_; }
  Gtk::Switch& inboxSwitch() { return inboxSwitch_; }
  // Why the inbox folder did not open, under its row.
  OpenFailureNote& inboxOpenFailure() { return inboxOpenFailure_; }
  // The chip of 0, 5, 15 or 30 minutes.
  LawSelectableChip& idleChip(int minutes) { return *chips_.at(minutes); }

 private:
  void buildDesktopCalendarRow();
  void buildCalendarSyncRows();
  void buildSearchRow();
  void buildHotKeyRow();
  void buildInboxRow();
  void buildIdleLockRow();
  void observe();

  void showDesktopCalendar();
  void showCalendarSync();
  void showSearch();
  void showInbox();
  void showIdleLock();
  // An option written into the sync's configuration (stored, the timer restarted while
  // the sync is on); `syncAfter` also starts a forced run, so the calendar is rebuilt
  // with the new rule at once.
  void changeSyncOption(bool CalendarSyncConfig::*field, bool on, bool syncAfter);
  void confirmClear();

  Services services_;
  Gtk::Button* calendarButton_ = nullptr;
  Gtk::Switch autoShow_;
  Gtk::Label syncStatus_;
  Gtk::Button* syncButton_ = nullptr;
  Gtk::Switch syncSwitch_;
  Gtk::Box options_{Gtk::Orientation::VERTICAL, 6};
  Gtk::CheckButton fold_;
  Gtk::CheckButton hearingsOnly_;
  Gtk::CheckButton reminders_;
  Gtk::CheckButton writeBack_;
  Gtk::Button* clearButton_ = nullptr;
  Gtk::Label searchSubtitle_;
  Gtk::Button* reindexButton_ = nullptr;
  Gtk::Label reindexOff_;
  Gtk::Switch searchSwitch_;
  Gtk::Switch hotKeySwitch_;
  Gtk::Label inboxPath_;
  Gtk::Button* chooseButton_ = nullptr;
  Gtk::Button* openButton_ = nullptr;
  Gtk::Switch inboxSwitch_;
  OpenFailureNote inboxOpenFailure_;
  std::map<int, LawSelectableChip*> chips_;
  std::vector<ScopedConnection> connections_;
  TaskScope scope_;
};

}  // namespace quorvel
