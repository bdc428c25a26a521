#pragma once
// The bar above the pages of the main window, and its title bar: sidebar toggle and
// page navigation, the tab strip, the tool buttons, and the window's own controls.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/windowcontrols.h>
#include <gtkmm/windowhandle.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/GLibPtr.h"
#include "core/BrowserModel.h"
#include "core/Dialogs.h"
#include "ui/main/TabStrip.h"
#include "ui/model/WorkspaceViewState.h"

namespace quorvel {

// Adds the bar's style sheet to the display once.
void installTopBarStyle();

// A square icon button of the bar: a symbol drawn with our line icon or a freedesktop
// symbolic icon, the tooltip (shortcut in Linux form) as its accessible name.
class TopIconBtn : public Gtk::Button {
 public:
  TopIconBtn(const std::string& symbol, const std::string& tip, std::function<void()> action,
             bool disabled = false);

  const std::string& symbol() const { return symbol_; }
  bool disabled() const { return !get_sensitive(); }
  void setDisabled(bool disabled);
  void setTip(const std::string& tip);
  std::string tip() const { return get_tooltip_text(); }

 private:
  std::string symbol_;
  std::function<void()> action_;
};

// A labelled button of the bar's tool group; the caller fills label().
class TopCapsuleBtn : public Gtk::Button {
 public:
  TopCapsuleBtn(const std::string& tip, std::function<void()> action);

  Gtk::Box& label() { return label_; }
  std::string tip() const { return get_tooltip_text(); }

 private:
  Gtk::Box label_;
  std::function<void()> action_;
};

// Entry points of the subsystems the tool buttons reach. An empty one means the
// subsystem is not in this build: the button then says so in an alert.
struct TopBarTools {
  // Desktop calendar: whether its window exists and is shown; show it; hide it.
  std::function<bool()> desktopCalendarHasWindow;
  std::function<bool()> desktopCalendarVisible;
  std::function<void()> showDesktopCalendar;
  std::function<void()> hideDesktopCalendar;
  // Whether the case volume is mounted (empty: not mounted).
  std::function<bool()> volumeMounted;
  // Quick archive window: files, source hint, from the hot folder.
  std::function<void(const std::vector<std::string>&, const std::string&, bool)> openQuickArchive;
  // Screen text recognition of a region the user frames.
  std::function<void()> captureAndAnalyze;
  // Locks the workspace (clears an earlier unlock error first).
  std::function<void()> lockWorkspace;
  // The sidebar's "切换账号" (empty: the button does nothing).
  std::function<void()> switchAccount;
  // Where a missing subsystem is said to be unavailable (none: the log only).
  Dialogs* dialogs = nullptr;
};

class WorkspaceTopBar : public Gtk::WindowHandle {
 public:
  WorkspaceTopBar(std::shared_ptr<BrowserModel> model, std::shared_ptr<WorkspaceViewState> view,
                  TopBarTools tools = {});
  ~WorkspaceTopBar() override;

  // The sidebar's state, owned by the root view: the toggle's tooltip and the gap
  // before the buttons follow it.
  bool sidebarShown() const { return sidebarShown_; }
  void setSidebarShown(bool shown);
  // The toggle was clicked: the new state the root view should show.
  sigc::signal<void(bool shown)>& signalSidebarToggled() { return sidebarToggled_; }

  // Reads the desktop calendar's visibility and the volume's mount state again.
  void refreshToolState();

  TopIconBtn& sidebarButton() { return *sidebar_; }
  TopIconBtn& backButton() { return *back_; }
  TopIconBtn& forwardButton() { return *forward_; }
  TopIconBtn& reloadButton() { return *reload_; }
  TabStrip& tabStrip() { return *strip_; }
  TopCapsuleBtn& searchButton() { return *search_; }
  TopCapsuleBtn& todoButton() { return *todo_; }
  TopCapsuleBtn& calendarButton() { return *calendar_; }
  TopCapsuleBtn& volumeButton() { return *volume_; }
  TopIconBtn& quickArchiveButton() { return *archive_; }
  TopIconBtn& recognitionButton() { return *ocr_; }
  TopIconBtn& lockButton() { return *lock_; }
  // Holds the application's primary menu button, between the tools and the window
  // controls.
  Gtk::Box& menuSlot() { return menuSlot_; }
  // The red overdue count on the to-do button (hidden below 1).
  Gtk::Label& overduePill() { return pill_; }
  bool calendarDotShown() const { return calendarDot_.get_visible(); }
  bool volumeDotMounted() const { return volumeDot_.has_css_class("law-dot-success"); }
  bool sidebarGapShown() const { return gap_.get_visible(); }

 private:
  void buildTools();
  void syncNavigation();
  void syncOverdue();
  void openToolWindow(Published<bool>& flag, const std::string& name);
  void toggleCalendar();
  void openQuickArchive();
  void recognize();
  void lock();

  std::shared_ptr<BrowserModel> model_;
  std::shared_ptr<WorkspaceViewState> view_;
  // A missing subsystem is said to be unavailable here, or in the log.
  void notAvailable(const std::string& title, const std::string& text);

  TopBarTools tools_;
  LoggingDialogs loggedAlerts_;
  bool sidebarShown_ = true;
  Gtk::Box row_;
  Gtk::Box gap_;
  Gtk::Box menuSlot_;
  Gtk::Box nav_;
  Gtk::Box separator_;
  Gtk::Box spacer_;
  Gtk::Box toolGroup_;
  Gtk::Label pill_;
  Gtk::Box calendarDot_;
  Gtk::Widget* calendarGlyph_ = nullptr;
  Gtk::Box volumeDot_;
  Gtk::WindowControls controls_;
  std::unique_ptr<TopIconBtn> sidebar_, back_, forward_, reload_;
  std::unique_ptr<TabStrip> strip_;
  std::unique_ptr<TopCapsuleBtn> search_, todo_, calendar_, volume_;
  std::unique_ptr<TopIconBtn> archive_, ocr_, lock_;
  std::vector<ScopedConnection> connections_;
  sigc::signal<void(bool)> sidebarToggled_;
};

}  // namespace quorvel
