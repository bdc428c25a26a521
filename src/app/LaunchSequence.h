#pragma once
// What the client does once it has started: the switches it reads, the order and
// delays of the launch steps, the handling of opened links and files and the
// tutorial run. The decisions are plain functions of their inputs; the steps
// themselves are performed by the application through `LaunchSteps`.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Published.h"

namespace quorvel {

class BrowserModel;
class WorkspaceViewState;
class Dialogs;
class UserDefaults;

// Delayed work on the main loop. The application's scheduler is the GLib main
// context; tests record the requests.
class Scheduler {
 public:
  virtual ~Scheduler() = default;
  virtual void after(double seconds, std::function<void()> step) = 0;
};

struct LaunchSwitches {
  std::optional<std::string> openTarget;  // after the first "--open"; absent when it is last
  bool domDump = false;
  bool editTest = false;
  bool selfTest = false;
  bool liveTest = false;
  bool tutorial = false;        // TUT=1
  bool renderAll = false;       // RENDER_ALL=1
  bool renderSheets = false;    // RENDER_SHEETS=1
  bool renderSettings = false;  // RENDER_SETTINGS=1
  bool renderSidebar = false;   // RENDER_SIDEBAR=1

  bool diagnostic() const { return selfTest || liveTest; }

  // A command-line switch is present when an argument equals it exactly; an
  // environment switch is on only when its value is exactly "1".
  static LaunchSwitches parse(const std::vector<std::string>& args,
                              const std::function<std::optional<std::string>(const char*)>& env);
};

// The steps of the launch, each performed by the application.
class LaunchSteps {
 public:
  virtual ~LaunchSteps() = default;
  virtual void activate() = 0;
  // Tells the user when the settings file was found damaged at this start.
  virtual void reportDamagedSettings() = 0;
  virtual void setUpNotifications() = 0;
  virtual void warmUpRecognition() = 0;
  virtual void openTarget(const std::string& target) = 0;
  virtual void runDomDump() = 0;
  virtual void runEditTest() = 0;
  virtual void runTutorial() = 0;
  virtual void renderAll() = 0;
  virtual void renderSheets() = 0;
  virtual void renderSettings() = 0;
  virtual void renderSidebar() = 0;
  virtual void attachWindowMemory() = 0;
  virtual void checkForUpdateIfDue() = 0;
  // Mirror pruning, calendar sync, desktop calendar, inbox watcher, idle lock.
  virtual void startBackgroundServices() = 0;
  // Wires the hot-key actions; registers the keys when `registerKeys`.
  virtual void setUpHotKeys(bool registerKeys) = 0;
  virtual void indexForSearch() = 0;
  virtual void installShortcuts() = 0;
  virtual void startDiagnostics() = 0;
  // Runs `rest` once the first page has loaded (see FirstPageGate).
  virtual void afterFirstPage(std::function<void()> rest) = 0;
};

// Delays of the launch steps, in seconds.
namespace LaunchDelays {
inline constexpr double open = 6.0;
inline constexpr double domDump = 10.0;
inline constexpr double editTest = 8.0;
inline constexpr double render = 1.0;
inline constexpr double renderSidebar = 0.8;
inline constexpr double searchIndex = 7.0;
// The longest the steps that can wait hold back for the first page.
inline constexpr double firstPageCap = 4.0;
}  // namespace LaunchDelays

// Holds the launch steps that can wait until the first page has loaded, so they do not
// compete with it: `rest` runs once, on a later turn, when `loading` has gone on and
// then off again, or after `cap` seconds, whichever comes first. Destroying the gate
// cancels it.
class FirstPageGate {
 public:
  FirstPageGate(const detail::PublishedValue<bool>& loading, Scheduler& scheduler, double cap,
                std::function<void()> rest);
  ~FirstPageGate();
  FirstPageGate(const FirstPageGate&) = delete;
  FirstPageGate& operator=(const FirstPageGate&) = delete;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

// The launch sequence in its order; delayed steps go through `scheduler`. The steps
// that can wait (notifications, recognition warm-up, update check, background
// services, hot keys, diagnostics) go after the first page, in their order. The
// self-check sets up no notifications and checks for no update.
// `hotKeysEnabled` is the user's setting for the global hot keys.
void runLaunchSequence(const LaunchSwitches& switches, LaunchSteps& steps, Scheduler& scheduler, bool hotKeysEnabled);

// ---- Opened links and files --------------------------------------------------------

struct OpenedItems {
  std::vector<std::string> links;  // in their order
  std::vector<std::string> files;  // file addresses, in their order
  // "拖入 Dock 图标的 N 个文件" in its Linux wording; empty without files.
  std::string filesHint() const;
};
// Splits opened addresses: "file:" addresses are files, everything else a link.
OpenedItems partitionOpened(const std::vector<std::string>& uris);

// Files handed over from outside (a "file:" link, another program) are staged for
// upload only after the user said so: the question names each file (the first ten,
// then how many more); `stage` runs on "打开快速归档", nothing else does.
void askBeforeStaging(Dialogs& dialogs, const std::vector<std::string>& paths, std::function<void()> stage);

// An "--open" target: an absolute address (scheme and "//" or a "quorvel:" link)
// goes to the link router; anything else is a page path of the service.
bool isAbsoluteAddress(const std::string& target);

// ---- A damaged settings file ---------------------------------------------------------

// When the first read of `defaults` found its file damaged, an alert says so: the file
// was damaged, where it was kept (or that it stays untouched and nothing is saved),
// that the defaults are in use and which server they reach.
void reportDamagedSettings(const UserDefaults& defaults, Dialogs& dialogs, const std::string& server);

// ---- Tutorial ------------------------------------------------------------------------

// Schedules the unattended tour of the tool windows on `model`, counted from now;
// every step keeps the model alive.
void runTutorialSequence(std::shared_ptr<BrowserModel> model, std::shared_ptr<WorkspaceViewState> view,
                         Scheduler& scheduler);
// Only the exact value "1" turns an environment switch on.
bool environmentSwitchOn(const std::optional<std::string>& value);

}  // namespace quorvel
