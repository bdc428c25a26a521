#pragma once
// What the mirror store's parts work with, and the signed-in workspace it reads
// through. Main thread.
#include <functional>
#include <memory>
#include <string>

#include "base/Task.h"

namespace quorvel {

class AuditLog;
class BrowserModel;
class Clock;
class Dialogs;
class Desktop;
class LocalVolume;
class UserDefaults;
class WebStore;
class WorkerPool;
namespace http {
class DownloadSession;
}

// The application's services (or a test's); all of them outlive the store's work.
struct MirrorServices {
  UserDefaults& defaults;
  Dialogs& dialogs;
  Desktop& desktop;
  LocalVolume& volume;
  WorkerPool& workers;
  AuditLog& audit;
  const Clock& clock;
  // Where files are fetched, with MirrorTransfers::kTransferTimeoutSeconds as its stall limit.
  const http::DownloadSession& downloads;
};

// The signed-in workspace: its model is read for the service's lists, its web views'
// cookie store goes with native requests. Filled in by the composition root once the
// web engine and the model exist (they are made after the store); either may stay
// empty (no page to read, no cookies).
struct MirrorWorkspace {
  std::weak_ptr<BrowserModel> model;
  WebStore* webStore = nullptr;
};

// Keeps the whole store alive while a chain of one of its parts runs.
using MirrorKeepAlive = std::function<std::shared_ptr<const void>()>;

}  // namespace quorvel
