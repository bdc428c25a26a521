#pragma once
// The quick-archive window: every open() orders the previous window out and shows a
// fresh view; the window opened last stays referenced until the next open.
#include <gtkmm/window.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/Task.h"
#include "core/BrowserModel.h"
#include "features/editing/HotFolderWatcher.h"
#include "ui/editing/QuickArchiveView.h"
#include "ui/windows/FrameKeeper.h"

namespace quorvel {

class MainWindowController;
class UserDefaults;

class QuickArchiveWindow : public QuickArchiveOpener {
 public:
  // The window stands above the main window `mainWindow` finds; `frames`: see
  // rememberFramesIn.
  QuickArchiveWindow(const QuickArchiveServices& services, MainWindowController& mainWindow,
                     UserDefaults* frames = nullptr)
      : services_(services), mainWindow_(mainWindow), defaults_(frames) {}
  ~QuickArchiveWindow() override;
  QuickArchiveWindow(const QuickArchiveWindow&) = delete;
  QuickArchiveWindow& operator=(const QuickArchiveWindow&) = delete;

  // Where the window was left is kept under kFrameKey in `defaults` (unset: centred
  // over the main window each time).
  void rememberFramesIn(UserDefaults& defaults) { defaults_ = &defaults; }
  static constexpr const char* kFrameKey = "floating.frame.archive";

  // The workspace model the view reads and uploads through; needed before open().
  void setModel(std::shared_ptr<BrowserModel> model) { model_ = std::move(model); }

  // Main thread. Files may be empty; the hint is shown under the title.
  void open(const std::vector<std::filesystem::path>& urls, const std::string& sourceHint, bool fromHotFolder);
  // The inbox's new files.
  void openQuickArchive(const std::vector<std::filesystem::path>& files, const std::string& hint,
                        bool fromHotFolder) override {
    open(files, hint, fromHotFolder);
  }

  // Each new window, before it is shown (the application adds it to itself).
  sigc::signal<void(Gtk::Window&)>& signalWindowCreated() { return windowCreated_; }

  Gtk::Window* window() { return window_.get(); }
  QuickArchiveView* view() { return view_; }
  bool isVisible() const { return window_ && window_->get_visible(); }
  // Drops the window (tests, shutdown).
  void reset();

  static constexpr const char* kIdentifier = "floating:quick-archive";
  static constexpr const char* kTitle = "快速归档到案件卷宗";

 private:
  void place();

  QuickArchiveServices services_;
  MainWindowController& mainWindow_;
  std::shared_ptr<BrowserModel> model_;
  std::unique_ptr<Gtk::Window> window_;
  std::unique_ptr<FrameKeeper> frame_;  // of window_
  UserDefaults* defaults_ = nullptr;
  QuickArchiveView* view_ = nullptr;
  unsigned generation_ = 0;
  sigc::signal<void(Gtk::Window&)> windowCreated_;
  TaskScope scope_;
};

}  // namespace quorvel
