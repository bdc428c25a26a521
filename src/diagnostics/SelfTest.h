#pragma once
// The offline self-check ("--selftest"): a fixed sequence of checks of the client's own
// rules, page panels, preview cache, tab hibernation and page bridge, each over its
// built-in sample input, written to "selftest.json" in the data folder; then the
// client quits.
#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/Task.h"

namespace quorvel {

class BrowserModel;
class LocalVolume;
class UserDefaults;
class WebEngine;
class WebPage;
class WorkerPool;

class SelfTest {
 public:
  struct Services {
    WebEngine& engine;  // the fresh tab controller of the page-panel check
    UserDefaults& defaults;
    LocalVolume& volume;  // its status line and its preview cache
    WorkerPool& workers;
  };

  // `quit` ends the application once the report is written.
  SelfTest(std::shared_ptr<BrowserModel> browser, Services services, std::function<void()> quit);
  ~SelfTest();
  SelfTest(const SelfTest&) = delete;
  SelfTest& operator=(const SelfTest&) = delete;

  // Logs the start and runs the check 3 s later; once.
  void start();
  // The checks in their order; the report with "failures" and "result".
  Task<nlohmann::json> runAll();
  // Writes the report, logs it and quits 0.3 s later.
  void finish(const nlohmann::json& report);

  // The desktop entry the metadata check reads: the installed one of the client (in the
  // XDG data folders), else the one compiled in; `source` names which.
  static std::optional<std::string> desktopEntry(std::string* source = nullptr);

 private:
  Task<nlohmann::json> pagePanels();
  Task<nlohmann::json> previewCache();
  nlohmann::json hibernation();

  std::shared_ptr<BrowserModel> browser_;
  Services services_;
  std::function<void()> quit_;
  bool started_ = false;
  // The fresh page of the page-panel check, kept until the run ends.
  std::shared_ptr<WebPage> panelsPage_;
  // Deferred steps run only while this object exists.
  TaskScope scope_;
};

}  // namespace quorvel
