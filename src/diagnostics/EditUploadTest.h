#pragma once
// The edit-and-upload check ("--edittest"): a scratch file goes into the firm's case
// storage on the service twice, is downloaded and compared after each upload, and is
// deleted again; the report says how each step went.
#include <nlohmann/json.hpp>

#include <functional>
#include <memory>

#include "base/Task.h"
#include "features/mirror/MirrorStore.h"

namespace quorvel {

class BrowserModel;
class Clock;
class UserDefaults;
class WebStore;

namespace EditUploadTest {

// What the check works with; all of it outlives the check.
struct Services {
  // The workspace model: its badge counts and its active page.
  BrowserModel& browser;
  // The mirror's transfers, which send the uploads with the workspace's cookies.
  MirrorTransfers& mirror;
  // The service's address.
  UserDefaults& defaults;
  // The scratch file's name is stamped with its time.
  const Clock& clock;
  // The web views' cookies (the downloads and the delete); only the service's travel.
  WebStore& webStore;
  // The owner's scope: the check stops, and hands nothing over, once it ends.
  TaskScope& scope;
};

// Runs the check on the main loop and hands the report to `then`, once (never when
// its owner went first).
void run(Services services, std::function<void(nlohmann::json)> then);

}  // namespace EditUploadTest
}  // namespace quorvel
