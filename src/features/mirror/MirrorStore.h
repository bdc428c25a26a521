#pragma once
// The local mirror of case folders: the account's contracts, the manifest of the
// chosen contract digested into folders with ticks, the differences against the
// mirror folder, downloads into it, and the old copies in "_旧版本". Not a
// singleton: each user creates its own (MirrorStore::create()), which reads the
// settings once. Main thread.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "base/Published.h"
#include "base/Task.h"
#include "features/mirror/MirrorFormats.h"
#include "features/mirror/MirrorNodes.h"
#include "platform/Desktop.h"

namespace quorvel {

class AuditLog;
class BrowserModel;
class Clock;
class Dialogs;
class LocalVolume;
class UserDefaults;
class WebStore;
class WorkerPool;
namespace http {
class DownloadSession;
}

// What a mirror store works with (the application's, or a test's); all of it outlives
// the store's work.
struct MirrorServices {
  UserDefaults& defaults;
  Dialogs& dialogs;
  Desktop& desktop;
  LocalVolume& volume;
  WorkerPool& workers;
  AuditLog& audit;
  const Clock& clock;
  // Where files are fetched, with MirrorStore::kTransferTimeoutSeconds as its stall limit.
  const http::DownloadSession& downloads;
};

class MirrorStore : public std::enable_shared_from_this<MirrorStore> {
 public:
  // How long a transfer may stall before it fails.
  static constexpr unsigned kTransferTimeoutSeconds = 300;

  struct AccessMode {
    bool mounted = false;
    std::filesystem::path root;  // the volume root, or the mirror folder
  };
  struct Counts {
    long long count = 0;  // files (removed ones for prune/clear)
    long long bytes = 0;
    bool operator==(const Counts&) const = default;
  };
  // Reads a service path and returns the reply text (the page's own fetch).
  using Fetcher = std::function<Task<std::string>(const std::string& path)>;

  using Services = MirrorServices;

  static std::shared_ptr<MirrorStore> create(const Services& services);

  // The case volume the store reads through when it is mounted.
  LocalVolume& volume() const { return services_.volume; }

  Published<MirrorConfig> config;
  Published<std::vector<MirrorNode>> contracts;
  Published<std::vector<MirrorClientNode>> clients;
  Published<std::vector<MirrorDiff>> diffs;
  Published<std::vector<MirrorFolder>> folders;
  Published<std::set<std::string>> selectedFolders;
  Published<std::optional<long long>> selectedContract;
  Published<bool> busy{false};
  Published<std::string> progressText;
  Published<int> done{0};
  Published<int> total{0};
  Published<std::optional<std::string>> lastError;
  Published<int> volumeRevision{0};
  Published<bool> mountMismatch{false};
  Published<std::string> mountCheckNote;

  // The workspace model through which the service is read (weak).
  std::weak_ptr<BrowserModel> browser;
  // The web views' cookie store for native requests; may stay null (no cookies).
  WebStore* webStore = nullptr;
  // Replaces the page read (tests, diagnostics).
  Fetcher fetcher;

  AccessMode accessMode() const;
  std::filesystem::path root() const;
  void ensureRoot();
  // What did not open, and why (for the window to say).
  std::optional<OpenFailure> openRoot();
  // Takes a folder the user picked as the mirror root, saves, reloads the contract.
  void chooseRoot(const std::filesystem::path& folder);

  Task<void> loadNodes();
  Task<MirrorManifest> manifest(long long contract);
  void selectContract(std::optional<long long> id);
  void toggleFolder(const std::string& name);
  long long selectedFoldersBytes() const;
  Task<void> check();
  std::optional<std::filesystem::path> localURL(const MirrorFile& file) const;
  Task<void> verifyMount();
  void refreshVolume();

  Task<void> cacheAll();
  Task<void> downloadDiffs();
  // One file into `local`, through a temporary file beside it; an old copy goes to
  // "_旧版本" first. Throws AppError.
  Task<void> download(const std::string& serverPath, const std::filesystem::path& local);

  Counts oldVersionInfo() const;
  Counts pruneOldVersions(long long olderThanDays);
  Task<Counts> clearOldVersions(bool confirm);
  // The launch step: prunes when the settings ask for it.
  void autoPruneIfNeeded();

  // Sends one file to the service's case storage under `serverPath`; the answer
  // object when its "ok" is true, else AppError("Upload", status, …).
  Task<nlohmann::json> uploadFile(const std::string& serverPath, const std::filesystem::path& local);

  static std::string folderKey(const std::string& rel) { return MirrorRules::folderKey(rel); }
  static long long freeSpace(const std::filesystem::path& at);

 private:
  explicit MirrorStore(const Services& services);
  Task<std::string> fetch(const std::string& path);
  Task<std::string> siteCookieHeader();
  Task<void> loadSelection(long long id, unsigned generation);
  bool heldByEditSession(const std::filesystem::path& local) const;
  void applyDigest(const MirrorManifest& m, MirrorRules::FolderDigest digest);
  void writeSnapshot(const MirrorManifest& m);
  class Running;
  // A cache or a fill of differences is already running: a second one would write the
  // same files beside it.
  bool refuseSecondTransfer() const;

  Services services_;
  unsigned selectionGeneration_ = 0;
  int running_ = 0;
  bool transferring_ = false;
};

}  // namespace quorvel
