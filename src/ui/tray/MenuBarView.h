#pragma once
// The panel the tray item opens: who is signed in and the client version, the five
// to-do counters (each opens the to-do sheet on its category), and the client's quick
// commands in three sections followed by Quit. It opens near the pointer and closes
// when it loses focus, on Escape, or when asked again. It keeps no data of its own:
// the counters come from the workspace model, every command is a call elsewhere.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include <functional>
#include <map>
#include <memory>

#include "base/GLibPtr.h"
#include "base/Task.h"
#include "core/BrowserModel.h"
#include "ui/model/MenuBarRows.h"
#include "ui/model/WorkspaceViewState.h"

namespace quorvel {

class MenuBarView {
 public:
  // Entry points of the neighbouring subsystems. A command whose entry point is empty
  // is shown disabled, saying it is not available yet. Those marked "default" fall
  // back on the client's own service when left empty.
  struct Actions {
    std::function<void()> quickCapture;           // "悬浮快记待办": empty text, no date
    std::function<void()> screenCapture;          // "屏幕框选 OCR 智提"
    std::function<void()> quickArchive;           // "快速归档": no files, the hint, not from the hot folder
    std::function<void()> toggleDesktopCalendar;  // shows, or hides a shown desktop calendar
    std::function<void()> syncCalendarNow;        // a forced calendar sync run
    std::function<void()> showMainWindow;         // brings the main window forward
    std::function<void()> openFolder;             // the case volume's root folder
    std::function<void()> lock;                   // the privacy lock
    std::function<void()> checkUpdate;            // a check that answers with an alert
    std::function<void()> quit;                   // default: quits the application
    // States the rows show; empty reads as false.
    std::function<bool()> desktopCalendarVisible;
    std::function<bool()> calendarSyncing;
    std::function<bool()> calendarSyncEnabled;
    std::function<bool()> volumeMounted;
  };

  MenuBarView(std::shared_ptr<BrowserModel> model, std::shared_ptr<WorkspaceViewState> view, Actions actions = {});
  ~MenuBarView();
  MenuBarView(const MenuBarView&) = delete;
  MenuBarView& operator=(const MenuBarView&) = delete;

  // Shows the panel near the screen point (x, y), or hides it when it is shown.
  // (0, 0), which some hosts send, stands for the pointer's own position.
  void toggleNear(int x, int y);
  void showNear(int x, int y);
  void hide();
  bool isShown() const;
  // Rebuilds the command rows (titles, badges, spinner): the neighbours call it when
  // the desktop calendar, the sync or the volume changed.
  void refreshRows();

  Gtk::Window& window() { return window_; }
  // The panel's content, for rendering it on its own.
  Gtk::Widget& content() { return content_; }
  Gtk::Button& counterBox(TodoKind kind) { return *boxes_.at(kind).button; }
  std::string counterText(TodoKind kind) const { return boxes_.at(kind).number->get_text(); }
  Gtk::Button* rowButton(MenuBarCommand command) const;
  Gtk::Label& identityLabel() { return identity_; }
  // A failed refresh of the counts: its line and retry button.
  bool failureShown() const { return failure_.get_visible(); }
  std::string failureText() const { return failureText_.get_text(); }
  Gtk::Button& retryButton() { return *retryButton_; }
  const std::vector<MenuBarSection>& sections() const { return sections_; }

 private:
  struct Box {
    Gtk::Button* button = nullptr;
    Gtk::Label* number = nullptr;
  };
  void buildHeader();
  void buildCounters();
  void sync();
  Gtk::Button* makeRow(const MenuBarRow& row);
  std::function<void()> actionFor(MenuBarCommand command);
  void refreshRowsLater();
  void activateMain();
  void openTodo(TodoKind kind);

  std::shared_ptr<BrowserModel> model_;
  std::shared_ptr<WorkspaceViewState> view_;
  Actions actions_;
  Gtk::Window window_;
  Gtk::Box content_;
  Gtk::Box dot_;
  Gtk::Label identity_;
  Gtk::Label updatedAt_;
  std::map<TodoKind, Box> boxes_;
  Gtk::Box* counters_ = nullptr;
  Gtk::Box failure_;
  Gtk::Label failureText_;
  Gtk::Button* retryButton_ = nullptr;
  Gtk::Box commands_;
  std::vector<MenuBarSection> sections_;
  std::map<MenuBarCommand, Gtk::Button*> rows_;
  bool wasActive_ = false;
  ScopedConnection badgesChanged_;
  ScopedConnection failureChanged_;
  TaskScope scope_;
};

}  // namespace quorvel
