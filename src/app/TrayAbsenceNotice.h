#pragma once
// Where no tray shows the client (a desktop without a StatusNotifier host), closing
// the main window leaves it running out of sight: the first such close says so, once,
// with a desktop notification that tells how to bring it back.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Task.h"

namespace quorvel {

class DesktopNotifications;
class Dialogs;
class UserDefaults;

class TrayAbsenceNotice {
 public:
  // Set once the notice was given; it is never given again.
  static constexpr const char* kSaidKey = "linux.trayAbsenceNotice.said";
  static constexpr const char* kTitle = "墨衡台仍在运行";

  struct Inputs {
    // Whether a tray shows the client's item now.
    std::function<bool()> trayShown;
    // The global hot keys that work now, as shown to the user ("Alt+Shift+N（悬浮快记）").
    std::function<std::vector<std::string>()> hotKeys;
  };

  // Where no notification server answers, `dialogs` says it.
  TrayAbsenceNotice(UserDefaults& defaults, DesktopNotifications& desktop, Dialogs& dialogs, Inputs inputs);
  ~TrayAbsenceNotice();
  TrayAbsenceNotice(const TrayAbsenceNotice&) = delete;
  TrayAbsenceNotice& operator=(const TrayAbsenceNotice&) = delete;

  // The main window was closed (it hides, the client keeps running).
  void mainWindowClosed();

  static std::string body(const std::vector<std::string>& hotKeys);

 private:
  UserDefaults& defaults_;
  DesktopNotifications& desktop_;
  Dialogs& dialogs_;
  Inputs inputs_;
  bool pending_ = false;
  TaskScope scope_;
};

}  // namespace quorvel
