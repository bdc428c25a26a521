#pragma once
// Editing a case file locally: a copy in the mirror folder, opened in the default
// application and watched every 2 seconds; a saved change is offered for upload,
// checked against the server copy first, and sent back through the mirror's upload.
// Main thread.
#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/Task.h"
#include "features/mirror/MirrorStore.h"
#include "features/volume/CaseFileCache.h"

namespace quorvel {

class AuditLog;
class BrowserModel;
class Clock;
class ConflictPresenter;
class Desktop;
class Dialogs;
class EditingFiles;
class LocalVolume;
class PreviewPresenter;
class WebStore;
class WorkerPool;

// The signed-in workspace the real backend names conflict copies after (its user);
// the mirror's upload sends with its cookies.
using EditWorkspace = MirrorWorkspace;

class EditSession {
 public:
  using Stat = FileStat;
  enum class Mode { replace, suffix };

  // What the session needs of the world: the real one by default, scripted in tests.
  struct Backend {
    // A local copy of `rel` (volume copy or cached), nothing when there is none.
    std::function<Task<std::optional<std::filesystem::path>>(std::string rel)> ensureLocal;
    std::function<std::optional<Stat>(const std::filesystem::path&)> stat;
    // The server copy's state as the server reports it now; nothing when the volume
    // is not reachable or the file is not there.
    std::function<Task<std::optional<Stat>>(std::string rel)> serverStat;
    // Copies the server copy into the new file `dest`: empty, or why it failed;
    // nothing when no volume is mounted.
    std::function<Task<std::optional<std::string>>(std::string rel, std::filesystem::path dest)> copyFromServer;
    std::function<void(const std::filesystem::path&)> openInApp;
    // The service's JSON answer; throws on failure.
    std::function<Task<nlohmann::json>(std::string serverPath, std::filesystem::path local)> upload;
    std::function<std::string()> userName;
    // The root whose "_旧版本" keeps a local copy replaced by the server's.
    std::function<std::filesystem::path()> backupRoot;
    // The repeating 2-second poll.
    std::function<void(std::function<void()> tick)> startTimer;
    std::function<void()> stopTimer;
    // Where the open sessions are kept for the next start (written at once, through a
    // temporary file); empty: they end with the process.
    std::filesystem::path sessionsFile;

    // The case volume, the desktop's applications and the mirror's upload.
    static Backend real(LocalVolume& volume, Desktop& desktop, WorkerPool& workers, MirrorTransfers& mirror,
                        std::shared_ptr<const EditWorkspace> workspace);
  };

  // Questions go to `dialogs` and `conflicts`, the slow copy's panel to `previews`; the
  // files being edited are marked in `editing`; every step is recorded in `audit`;
  // conflict copies are named with `clock`'s time.
  EditSession(Backend backend, Dialogs& dialogs, ConflictPresenter& conflicts, PreviewPresenter& previews,
              EditingFiles& editing, WorkerPool& workers, AuditLog& audit, const Clock& clock);
  ~EditSession();
  EditSession(const EditSession&) = delete;
  EditSession& operator=(const EditSession&) = delete;

  // Starts editing of one server file; an open session is kept and its file shown
  // again. Failures are shown as alerts.
  void openForEdit(const std::string& rel);

  // Takes up the sessions an earlier process left with a changed local copy: each is
  // watched again (and so offered for upload), and its copy is kept from being
  // replaced by the server's. Sessions with nothing changed, or whose copy is gone or
  // outside the copies' folder, are let go.
  void restoreSessions();

  // The server path of a conflict copy: stem + "__本地-" + user ("未知" when empty)
  // + "-" + local "yyyyMMdd-HHmmss" of `at` (+ "." + extension), in the same folder.
  static std::string suffixed(const std::string& path, const std::string& user,
                              std::chrono::system_clock::time_point at);

  bool isEditing(const std::string& rel) const;
  // True while a question and whatever follows it (checks, alerts, the conflict
  // window, the upload) is running.
  bool busy() const;

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace quorvel
