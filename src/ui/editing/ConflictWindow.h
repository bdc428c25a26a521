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

class ConflictWindow {
 public:
  using Choice = ConflictChoice;
  using Completion = std::function<void(Choice)>;
  // The server copy's size and time as the server reports them now (main thread).
  using FreshStat = std::function<Task<std::optional<FileStat>>()>;

  // Main thread. Shows the window and returns at once; `completion` runs exactly once,
  // later. A window still open is finished with `cancel` first. The server copy is the
  // case volume's file for `rel` (none without a volume or a mapping).
  static void open(const std::string& rel, const std::filesystem::path& localURL, Completion completion);
  // The same with the server copy's place given: a path, or an address GIO reads
  // (a volume mounted without a local path). Without `freshServerStat` the server
  // copy's facts are read at that place.
  static void open(const std::string& rel, const std::filesystem::path& localURL,
                   std::optional<std::string> serverURL, Completion completion, FreshStat freshServerStat = {});
  // The window open now, if any.
  static ConflictWindow* active();
  // Makes the window the edit session's conflict presenter for the process.
  static void install();

  ~ConflictWindow();
  ConflictWindow(const ConflictWindow&) = delete;
  ConflictWindow& operator=(const ConflictWindow&) = delete;

  Gtk::Window& window() { return *window_; }
  const std::optional<std::string>& serverURL() const { return serverURL_; }
  // Both copies were looked at (facts and thumbnails shown or given up).
  bool versionsLoaded() const;

 private:
  ConflictWindow(const std::string& rel, const std::filesystem::path& localURL,
                 std::optional<std::string> serverURL, Completion completion, FreshStat freshServerStat);
  // Reports the choice once and hides the window; later calls do nothing.
  void finish(Choice choice);

  Gtk::Window* window_ = nullptr;
  ConflictCompareView* view_ = nullptr;
  std::optional<std::string> serverURL_;
  Completion completion_;
  bool finished_ = false;
  // What the view's buttons hold: they reach the controller only while it lives.
  std::shared_ptr<ConflictWindow*> self_;
};

}  // namespace quorvel
