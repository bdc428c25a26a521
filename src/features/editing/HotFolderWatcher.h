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

namespace quorvel {

class HotFolderWatcher {
 public:
  struct Config {
    bool enabled = false;
    std::string folderPath;  // absolute
    bool moveAfterUpload = true;
    static Config load();    // defaults when missing or undecodable
    void save() const;       // "hotfolder.config.v1"
    static std::string defaultFolderPath();
    bool operator==(const Config&) const = default;
  };
  // Opens the quick-archive window: files, hint, fromHotFolder (set by the app).
  using Opener = std::function<void(const std::vector<std::filesystem::path>&, const std::string&, bool)>;

  static HotFolderWatcher& shared();

  Published<Config> config;
  Published<bool> isWatching{false};
  Published<std::string> lastEventText{"未开启"};

  void setOpener(Opener opener);
  void startIfEnabled(bool diagnosticRun);
  void setEnabled(bool on);
  void chooseFolder();
  void openFolder();
  void startWatching();
  void stopWatching();
  // After a successful upload from an inbox-opened window: moves those of `files`
  // that lie in the inbox folder into "_已归档"; others stay where they are.
  void archiveProcessedFiles(const std::vector<std::filesystem::path>& files);

  static const std::set<std::string>& allowedExts();
  static constexpr const char* kArchiveFolder = "_已归档";
  static constexpr unsigned kDebounceMs = 1400;

  // Tests shorten the scan delay (kDebounceMs otherwise).
  void setDebounceForTesting(unsigned ms);

 private:
  HotFolderWatcher();
  ~HotFolderWatcher();
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace quorvel
