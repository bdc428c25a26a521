#include "TestEnv.h"
#include "ServiceTabFixture.h"

#include <libsoup/soup.h>

#include "TestHelpers.h"
#include "core/AppConfig.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "platform/UserDefaults.h"
#include "web/TabController.h"
#include "web/WebEngine.h"

namespace quorvel::test {

bool addWebCookie(AppServices& services, const std::string& name, const std::string& value,
                  const std::string& domain, unsigned ms) {
  SoupCookie* c = soup_cookie_new(name.c_str(), value.c_str(), domain.c_str(), "/", -1);
  bool added = false;
  webkit_cookie_manager_add_cookie(
      webkit_network_session_get_cookie_manager(services.webEngine().network()), c, nullptr,
      [](GObject*, GAsyncResult*, gpointer flag) { *static_cast<bool*>(flag) = true; }, &added);
  soup_cookie_free(c);
  return runMainLoopUntil([&] { return added; }, scaledWait(ms));
}

std::unique_ptr<AppServices> makeTestServices(UserDefaults& defaults, const AppServices::Parts& parts,
                                              std::optional<bool> softwareGL) {
  AppServices::Options o;
  o.softwareGL = softwareGL;
  o.parts = parts;
  o.parts.defaults = &defaults;
  o.mode = AppMode::test;
  o.ephemeralWebData = true;
  return std::make_unique<AppServices>(o);
}

TabLoadWatch::TabLoadWatch(std::shared_ptr<BrowserTab> tab)
    : tab_(std::move(tab)), rose_(std::make_shared<bool>(tab_->isLoading.get())), finished_(std::make_shared<bool>(false)) {
  conn_ = tab_->isLoading.changed().connect([t = tab_.get(), rose = rose_, finished = finished_] {
    if (t->isLoading.get()) *rose = true;
    else if (*rose) *finished = true;
  });
}

TabLoadWatch::~TabLoadWatch() { conn_.disconnect(); }

bool TabLoadWatch::wait(const std::string& path, unsigned ms) {
  bool ok = runMainLoopUntil([&] { return *finished_ && !tab_->isLoading.get() && tab_->currentPath.get() == path; }, scaledWait(ms));
  conn_.disconnect();
  // The finish steps (title, scripts) run in the same turn; let replies arrive.
  drainMainLoop();
  return ok;
}

void ServiceTabFixture::SetUp() {
  service.start();
  defaults.remove("session.tabs.v1");
  defaults.remove("session.tabs.v1.active");
  defaults.remove("recents.v1");
  AppConfig::setServerURL(defaults, service.baseUrl());
  services = makeTestServices(defaults, parts);
  setLogSink([this](const std::string& line) { logs.push_back(line); });
}

void ServiceTabFixture::TearDown() {
  setLogSink({});
  harnesses.clear();
  model.reset();
  drainMainLoop();
  services.reset();
  drainMainLoop();
  service.stop();
}

void ServiceTabFixture::signIn() {
  addWebCookie(*services, TestService::kSessionCookie, service.issueSession(), "127.0.0.1");
}

WebHarness& ServiceTabFixture::show(const std::shared_ptr<BrowserTab>& tab) {
  harnesses.push_back(std::make_unique<WebHarness>(TabController::viewOf(tab->controller())));
  return *harnesses.back();
}

bool ServiceTabFixture::waitLoaded(const std::shared_ptr<BrowserTab>& tab, const std::string& path, unsigned ms) {
  TabLoadWatch watch(tab);
  // Loaded already: nothing asked for is pending (a failed load keeps its address as
  // intended) and the view finished a page at `path`.
  WebKitWebView* view = tab->controller() ? TabController::viewOf(tab->controller()) : nullptr;
  if (view && !tab->isLoading.get() && !tab->intendedURL && tab->currentPath.get() == path &&
      !webkit_web_view_is_loading(view) && webkit_web_view_get_main_resource(view) &&
      webkit_web_view_get_estimated_load_progress(view) == 1.0) {
    drainMainLoop();
    return true;
  }
  return watch.wait(path, ms);
}

bool ServiceTabFixture::openWorkspace(const std::string& path) {
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  TabLoadWatch load(tab);
  show(tab);
  return load.wait(path);
}

int ServiceTabFixture::logCount(const std::string& part) const { return countContaining(logs, part); }

}  // namespace quorvel::test
