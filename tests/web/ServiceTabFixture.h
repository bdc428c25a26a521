#pragma once
// A workspace whose tabs are real web views against an in-process test service:
// signing in through the shared web store, showing a tab's view, waiting for a tab's
// load, and the log lines written meanwhile.
#include <gtest/gtest.h>
#include <sigc++/sigc++.h>

#include <memory>
#include <string>
#include <vector>

#include "TestHelpers.h"
#include "TestService.h"
#include "ui/model/WorkspaceViewState.h"
#include "WebHarness.h"
#include "app/AppServices.h"
#include "core/BrowserModel.h"
#include "platform/UserDefaults.h"

namespace quorvel::test {

// Adds a cookie to the web store of `services`; false when the store did not confirm
// it in time.
bool addWebCookie(AppServices& services, const std::string& name, const std::string& value,
                  const std::string& domain, unsigned ms = 5000);

// The services as the tests run them: over the test's `defaults`, quiet dialogs,
// nothing opened on the desktop, web data in memory.
// `parts`: the test's own stand-ins (see AppServices::Parts).
std::unique_ptr<AppServices> makeTestServices(UserDefaults& defaults, const AppServices::Parts& parts = {},
                                              std::optional<bool> softwareGL = std::nullopt);

// Watches one load of a tab from the moment it is made: the loading flag has to drop
// after it rose (or was already up).
class TabLoadWatch {
 public:
  explicit TabLoadWatch(std::shared_ptr<BrowserTab> tab);
  ~TabLoadWatch();
  TabLoadWatch(const TabLoadWatch&) = delete;
  TabLoadWatch& operator=(const TabLoadWatch&) = delete;

  // Waits for that load to finish on `path`, then lets the finish steps' replies
  // arrive.
  bool wait(const std::string& path, unsigned ms = 15000);

 private:
  std::shared_ptr<BrowserTab> tab_;
  std::shared_ptr<bool> rose_;
  std::shared_ptr<bool> finished_;
  sigc::connection conn_;
};

class ServiceTabFixture : public ::testing::Test {
 protected:
  ServiceTabFixture() = default;
  // Kept for the callers' readability: tests always run with alerts as log lines.
  explicit ServiceTabFixture(bool /*quietDialogs*/) {}

  void SetUp() override;
  void TearDown() override;

  // Signs in by putting a fresh session of the service into the web store.
  void signIn();
  // Shows a tab's view in a window, as the main window does.
  WebHarness& show(const std::shared_ptr<BrowserTab>& tab);
  // Waits until the tab shows `path` loaded: a load asked for by path (a new tab,
  // loadInActive, a click to another page) may have ended already while the view was
  // shown. A reload of the page shown needs a TabLoadWatch made before it.
  bool waitLoaded(const std::shared_ptr<BrowserTab>& tab, const std::string& path, unsigned ms = 15000);

  // Makes the workspace and shows its first tab; true once it loaded `path`.
  bool openWorkspace(const std::string& path);

  int logCount(const std::string& part) const;
  bool logged(const std::string& part) const { return logCount(part) > 0; }

  TestService service;
  // The settings of the case's home, which the services are built over.
  UserDefaults defaults{UserDefaults::standardFile()};
  // The test's own stand-ins, set before SetUp builds the services.
  AppServices::Parts parts;
  std::unique_ptr<AppServices> services;
  std::shared_ptr<BrowserModel> model;
  std::shared_ptr<WorkspaceViewState> viewState = std::make_shared<WorkspaceViewState>(defaults);
  std::vector<std::unique_ptr<WebHarness>> harnesses;
  std::vector<std::string> logs;
};

}  // namespace quorvel::test
