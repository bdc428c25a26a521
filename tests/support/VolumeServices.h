#pragma once
// The case volume and what it works with, built by a test over its own defaults:
// alerts are logged and nothing opens on the desktop unless the test hands in its
// own; GVfs's password questions go to `passwords` (none: a mount ends as cancelled).
#include "base/WorkerPool.h"
#include "fakes/SettableClock.h"
#include "core/AuditLog.h"
#include "core/Dialogs.h"
#include "features/mirror/MirrorStore.h"
#include "features/volume/LocalVolume.h"
#include "features/volume/PreviewPresenter.h"
#include "platform/Desktop.h"
#include "platform/Http.h"
#include "platform/Mounts.h"

namespace quorvel::test {

// The test's own stand-ins; unset ones are the logging kind.
struct VolumeParts {
  Dialogs* dialogs = nullptr;
  Desktop* desktop = nullptr;
  PreviewPresenter* previews = nullptr;
  PasswordPrompter* passwords = nullptr;
};

class VolumeServices {
 public:
  explicit VolumeServices(UserDefaults& d, VolumeParts parts = {})
      : defaults(d),
        dialogs(parts.dialogs ? *parts.dialogs : loggedAlerts_),
        desktop(parts.desktop ? *parts.desktop : loggedDesktop_),
        desktopPreviews_(desktop),
        previews(parts.previews ? *parts.previews : desktopPreviews_),
        volume(defaults, dialogs, desktop, previews, parts.passwords, workers) {}
  // Background work still running ends before what it was given goes.
  ~VolumeServices() { workers.drain(); }
  VolumeServices(const VolumeServices&) = delete;
  VolumeServices& operator=(const VolumeServices&) = delete;

  MirrorServices mirror() { return MirrorServices{defaults, dialogs, desktop, volume, workers, audit, clock, downloads}; }

  UserDefaults& defaults;
  WorkerPool workers{2};
  SettableClock clock;
  AuditLog audit{AuditLog::defaultFile(), clock};
  http::DownloadSession downloads{MirrorStore::kTransferTimeoutSeconds};

 private:
  LoggingDialogs loggedAlerts_;
  LoggingDesktop loggedDesktop_;

 public:
  Dialogs& dialogs;
  Desktop& desktop;

 private:
  DesktopPreviewPresenter desktopPreviews_;

 public:
  PreviewPresenter& previews;
  LocalVolume volume;
};

}  // namespace quorvel::test
