#pragma once
// The inbox folder: files of accepted types that newly arrive there (once their size
// holds still) open the quick-archive window; after their upload they are moved into
// "_已归档". Main thread.
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/Published.h"
#include "base/Task.h"
#include "platform/Desktop.h"

namespace quorvel {

class FilePanels;
class UserDefaults;

// Where the files the inbox found go: the quick-archive window (the window layer
// implements it).
class QuickArchiveOpener {
 public:
  virtual ~QuickArchiveOpener() = default;
  virtual void openQuickArchive(const std::vector<std::filesystem::path>& files, const std::string& hint,
                                bool fromHotFolder) = 0;
};

class HotFolderWatcher {
 public:
  struct Config {
    bool enabled = false;
    std::string folderPath;  // absolute
    bool moveAfterUpload = true;
    static Config load(const UserDefaults& defaults);  // defaults when missing or undecodable
    void save(UserDefaults& defaults) const;           // "hotfolder.config.v1"
    static std::string defaultFolderPath();
    bool operator==(const Config&) const = default;
  };

  // The configuration lives in `defaults`; a new file is offered once its size held
  // still for `debounceMs`.
  HotFolderWatcher(UserDefaults& defaults, FilePanels& panels, Desktop& desktop, unsigned debounceMs = kDebounceMs);
  ~HotFolderWatcher();
  HotFolderWatcher(const HotFolderWatcher&) = delete;
  HotFolderWatcher& operator=(const HotFolderWatcher&) = delete;

  Published<Config, HotFolderWatcher> config;
  Published<bool, HotFolderWatcher> isWatching{false};
  Published<std::string, HotFolderWatcher> lastEventText{"未开启"};

  // Takes `c` for this run only: the stored configuration stays (a diagnostic's own folder).
  void useForThisRun(Config c) { config.set(std::move(c)); }

  // Set once by the owner of the windows; none: new files are only logged.
  void setOpener(QuickArchiveOpener* opener);
  // A watcher made for a diagnostic logs under the diagnostic's tag, not the inbox's.
  void setLogTag(std::string tag) { logTag_ = std::move(tag); }
  void startIfEnabled(bool diagnosticRun);
  void setEnabled(bool on);
  void chooseFolder();
  // What did not open, and why.
  std::optional<OpenFailure> openFolder();
  void startWatching();
  void stopWatching();
  // After a successful upload from an inbox-opened window: moves those of `files`
  // that lie in the inbox folder into "_已归档"; others stay where they are.
  void archiveProcessedFiles(const std::vector<std::filesystem::path>& files);

  static const std::set<std::string>& allowedExts();
  static constexpr const char* kArchiveFolder = "_已归档";
  static constexpr unsigned kDebounceMs = 1400;

 private:
  struct Impl;
  UserDefaults& defaults_;
  FilePanels& panels_;
  Desktop& desktop_;
  std::string logTag_;
  std::unique_ptr<Impl> impl_;
  // The folder question's answer reaches the watcher only while it lives.
  TaskScope scope_;
};

}  // namespace quorvel
