#include "ui/main/MainWindow.h"

#include "ui/main/ContentView.h"
#include "ui/windows/MainWindowController.h"

namespace quorvel {

MainWindow::MainWindow(std::shared_ptr<BrowserModel> browser, std::shared_ptr<WorkspaceViewState> view,
                       FloatingWindowManager& toolWindows, PrivacyLock* lock, TopBarTools tools)
    : browser_(std::move(browser)) {
  set_title("墨衡台");
  set_size_request(1120, 720);
  set_default_size(1280, 820);
  content_ = Gtk::make_managed<ContentView>(browser_, std::move(view), toolWindows, lock, std::move(tools));
  set_child(*content_);
  // Our top bar (with the window controls) is the title bar: no system one above it.
  auto* noTitlebar = Gtk::make_managed<Gtk::Box>();
  noTitlebar->set_visible(false);
  set_titlebar(*noTitlebar);
  // Closing hides the window (WindowMemory installs that with the frame memory).
  set_hide_on_close(true);
  setWindowIdentifier(*this, kMainWindowIdentifier);
}

}  // namespace quorvel
