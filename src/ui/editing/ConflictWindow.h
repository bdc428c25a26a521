#pragma once
// The conflict window: the locally edited copy of a case file beside the server's
// current copy, and the user's one decision about them. It never uploads, copies or
// deletes anything; the caller acts on the choice. At most one is open at a time.
#include <gtkmm/window.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/Task.h"
#include "features/volume/CaseFileCache.h"
#include "features/editing/ConflictChoice.h"

namespace quorvel {

class ConflictCompareView;
class Desktop;
class PreviewCache;
class PreviewPresenter;
class WindowConflictPresenter;
class WorkerPool;

// One conflict's window (the presenter's host window with a fresh view).
class ConflictWindow {
 public:
  using Choice = ConflictChoice;
  using Completion = std::function<void(Choice)>;
  // The server copy's size and time as the server reports them now (main thread).
  using FreshStat = std::function<Task<std::optional<FileStat>>()>;

  ~ConflictWindow();
  ConflictWindow(const ConflictWindow&) = delete;
  ConflictWindow& operator=(const ConflictWindow&) = delete;

  Gtk::Window& window() { return *window_; }
  const std::optional<std::string>& serverURL() const { return serverURL_; }
  // Both copies were looked at (facts and thumbnails shown or given up).
  bool versionsLoaded() const;

 private:
  friend class WindowConflictPresenter;
  ConflictWindow(WindowConflictPresenter& owner, const std::string& rel, const std::filesystem::path& localURL,
                 std::optional<std::string> serverURL, Completion completion, FreshStat freshServerStat);
  // Reports the choice once and hides the window; later calls do nothing.
  void finish(Choice choice);

  WindowConflictPresenter& owner_;
  Gtk::Window* window_ = nullptr;
  ConflictCompareView* view_ = nullptr;
  std::optional<std::string> serverURL_;
  Completion completion_;
  bool finished_ = false;
  // What the view's buttons hold: they reach the controller only while it lives.
  TaskScope scope_;
};

// The edit session's conflict window: one host window reused for every conflict, at
// most one conflict shown at a time.
class WindowConflictPresenter : public ConflictPresenter {
 public:
  // Copies open through `desktop` and preview through `previews`; they are read on
  // `workers`; the server copy of `rel` is found through `cache`.
  WindowConflictPresenter(Desktop& desktop, PreviewPresenter& previews, WorkerPool& workers, PreviewCache& cache);
  ~WindowConflictPresenter() override;
  WindowConflictPresenter(const WindowConflictPresenter&) = delete;
  WindowConflictPresenter& operator=(const WindowConflictPresenter&) = delete;

  // Main thread. Shows the window and returns at once; `completion` runs exactly once,
  // later. A window still open is finished with `cancel` first. The server copy is the
  // case volume's file for `rel` (none without a volume or a mapping).
  void open(const std::string& rel, const std::filesystem::path& localURL, Completion completion) override;
  // The same with the server copy's place given: a path, or an address GIO reads
  // (a volume mounted without a local path). Without `freshServerStat` the server
  // copy's facts are read at that place.
  void open(const std::string& rel, const std::filesystem::path& localURL, std::optional<std::string> serverURL,
            Completion completion, ConflictWindow::FreshStat freshServerStat = {});
  // The window open now, if any.
  ConflictWindow* active() { return active_.get(); }

  Desktop& desktop() { return desktop_; }
  PreviewPresenter& previews() { return previews_; }
  WorkerPool& workers() { return workers_; }

 private:
  friend class ConflictWindow;
  struct Host;
  Desktop& desktop_;
  PreviewPresenter& previews_;
  WorkerPool& workers_;
  PreviewCache& cache_;
  std::unique_ptr<Host> host_;
  std::unique_ptr<ConflictWindow> active_;
};

}  // namespace quorvel
