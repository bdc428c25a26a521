#pragma once
// The main window: "墨衡台", at least 1120 × 720, the root view as its content.
// Closing hides it (the application keeps running) after saving the tab session.
#include <gtkmm.h>

#include <memory>

#include "core/BrowserModel.h"

#include "ui/main/WorkspaceTopBar.h"

namespace quorvel {

class ContentView;
class FloatingWindowManager;
class PrivacyLock;
class WorkspaceViewState;

class MainWindow : public Gtk::ApplicationWindow {
 public:
  // `toolWindows`: where the tool windows open. `lock`: the privacy lock whose cover
  // the window shows (nullptr: none).
  MainWindow(std::shared_ptr<BrowserModel> browser, std::shared_ptr<WorkspaceViewState> view,
             FloatingWindowManager& toolWindows, PrivacyLock* lock, TopBarTools tools = {});
  ContentView& content() { return *content_; }

 private:
  std::shared_ptr<BrowserModel> browser_;
  ContentView* content_ = nullptr;
};

}  // namespace quorvel
