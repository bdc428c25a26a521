#pragma once
// The case volume (卷宗盘): the firm's WebDAV share mounted through GVfs, where it
// is, how server paths map onto it, and the file actions the pages trigger. The
// mount state is read afresh on every call. Main thread unless said otherwise.
#include <sigc++/signal.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "base/Task.h"
#include "core/Dialogs.h"
#include "features/volume/PreviewCache.h"
#include "platform/Desktop.h"

namespace quorvel {

class Dialogs;
class PasswordPrompter;
class PreviewPresenter;
class UserDefaults;
class WorkerPool;

class LocalVolume {
 public:
  using Completion = std::function<void(bool ok, const std::string& message)>;

  // What the last main-thread look saw, for work off the main thread.
  struct Snapshot {
    std::optional<std::filesystem::path> root;
    std::optional<std::string> streamURI;  // mounted without a local path
  };

  // The share's address and a root override come from `defaults`; GVfs's password
  // questions go to `passwords` (none: a mount that needs one ends as cancelled).
  LocalVolume(UserDefaults& defaults, Dialogs& dialogs, Desktop& desktop, PreviewPresenter& previews,
              PasswordPrompter* passwords, WorkerPool& workers);
  ~LocalVolume();
  LocalVolume(const LocalVolume&) = delete;
  LocalVolume& operator=(const LocalVolume&) = delete;

  // The local copies of single case files, kept at the places this volume maps to.
  PreviewCache& cache() { return cache_; }

  // The share's address: the "volume.shareURL" setting when usable, else the
  // deployment's share.
  std::string shareURI() const;
  // The mounted volume's root folder (override, the share's FUSE path, a GVfs mount
  // of the service's host); nothing while it is not connected.
  std::optional<std::filesystem::path> mountedRoot();
  // Mounted, with or without a local path (GVfs without FUSE is read through GIO).
  bool isMounted();
  // The mounted root, else the mirror folder when it exists.
  std::optional<std::filesystem::path> workRoot();
  std::optional<std::filesystem::path> mapToLocal(const std::string& rel);
  std::string statusText();

  Snapshot snapshot();        // main thread: looks now
  Snapshot lastSeen() const;  // any thread

  // Opens the mounted volume, else the local mirror; what did not open, and why (an
  // alert covers nothing being connected).
  // `over`: the window whose button asked, for that alert.
  std::optional<OpenFailure> openRoot(AlertOwner over = {});
  void reveal(const std::string& rel);
  void preview(const std::string& rel);
  // The result step of "open the proceeding's folder": `value` is the page's
  // folderRelPath when it was text, `error` the evaluation error, if any; the
  // completion gets the opened folder's path or nothing.
  void openCurrentProceedingFolder(const std::optional<std::string>& value, const std::optional<std::string>& error,
                                   std::function<void(std::optional<std::string>)> completion = {});

  // Mounts the share (our password dialog answers GVfs); completion once, main thread.
  void connect(Completion completion);
  // Unmounts it; with `forgetPassword` a password saved for the share is removed too.
  void disconnect(Completion completion, bool forgetPassword = false);

  // The alert shown whenever the case volume is needed but not connected.
  void alertNotConnected(AlertOwner over = {});

  // Emitted after a connect or disconnect finished (the top bar, the settings).
  sigc::signal<void()>& stateChanged() { return stateChanged_; }

 private:
  struct Runs;
  void alertOk(const std::string& title, const std::string& text, AlertOwner over = {});

  UserDefaults& defaults_;
  Dialogs& dialogs_;
  Desktop& desktop_;
  PreviewPresenter& previews_;
  PasswordPrompter* passwords_;
  WorkerPool& workers_;
  PreviewCache cache_;
  mutable std::mutex seenMutex_;
  Snapshot seen_;
  sigc::signal<void()> stateChanged_;
  // Connects, disconnects and previews still running reach the volume only while it lives.
  TaskScope scope_;
};

}  // namespace quorvel
