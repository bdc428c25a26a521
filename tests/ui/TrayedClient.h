#pragma once
// The built client as a desktop with a tray runs it: the status-notifier watcher, the
// demo service and the client as the session's one instance, signed in with the
// dashboard loaded. Callers skip first where the watcher is not installed.
#include <gio/gio.h>

#include <filesystem>
#include <memory>
#include <string>

#include "ChildProcess.h"
#include "TestEnv.h"

namespace quorvel::test {

struct TrayedClient {
  Child watcher{{"status-notifier-watcher"}, G_SUBPROCESS_FLAGS_NONE};
  DemoService service;
  TempHome home;
  std::filesystem::path err = home.root() / "stderr.txt";
  std::unique_ptr<Child> client;

  // Starts the client and waits for its dashboard's counts; false when it did not
  // come that far.
  bool start() {
    if (service.baseUrl().empty()) return false;
    client = std::make_unique<Child>(std::vector<std::string>{QUORVEL_APP_EXE, "--server-url", service.baseUrl()},
                                     G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err, /*separateInstance=*/false);
    return waitForLine(err, "[Quorvel][BADGE] 超期=", 60000);
  }
};

}  // namespace quorvel::test
