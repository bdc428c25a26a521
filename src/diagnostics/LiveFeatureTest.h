#pragma once
// The live check against a running service ("--livetest"): signs in inside the
// workspace's page, exercises ten features in order, writes "livetest.json" into the
// data folder and quits.
#include <functional>
#include <memory>
#include <string>

#include "base/Task.h"

namespace quorvel {

class BrowserModel;
class CalendarStoreSlot;
class GlobalHotKeyManager;
class HotFolderWatcher;
class PrivacyLock;
class ScreenCaptureOCR;
class UserDefaults;
class WorkerPool;

// What the check works with; everything outlives the run (the application's services).
struct LiveCheckServices {
  std::shared_ptr<BrowserModel> browser;
  UserDefaults& defaults;
  WorkerPool& workers;
  PrivacyLock& lock;
  // Recognition of a screen region, as the screen capture runs it.
  ScreenCaptureOCR& screenCapture;
  // The calendar store whose access the report tells.
  CalendarStoreSlot& calendarStore;
  // The application's link router (shows the window, loads the page); true when handled.
  std::function<bool(const std::string& url)> routeLink;
  // The application's one hot-key manager: the check registers its keys and gives them
  // back (a diagnostic run holds none otherwise); null: not checked.
  GlobalHotKeyManager* hotKeys = nullptr;
  // An inbox watcher of its own (the client's kind, not watching yet).
  std::function<std::unique_ptr<HotFolderWatcher>()> makeInboxWatcher;
  std::function<void()> quit;
  // The owner's scope: the run stops when it ends.
  TaskScope& scope;
};

namespace LiveFeatureTest {
// Does nothing unless "--livetest" was given; otherwise logs its start and, 2.5 s
// later, runs the check, writes the report and quits 0.3 s after writing it.
void start(bool liveTestSwitch, const LiveCheckServices& services);
}  // namespace LiveFeatureTest

}  // namespace quorvel
