#pragma once
// A stand-in for a tab's web view: records loads and answers page functions from a
// script the test sets.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/WorkerPool.h"
#include "core/AuditLog.h"
#include "core/BrowserModel.h"
#include "fakes/SettableClock.h"
#include "platform/UserDefaults.h"

namespace quorvel::test {

class FakeWebPage : public WebPage {
 public:
  explicit FakeWebPage(const UserDefaults& defaults) : defaults_(defaults) {}

  std::optional<std::string> url;
  std::vector<std::string> loads;
  bool tornDown = false;
  bool inWindow = false;
  int focusCount = 0;
  bool back = false, forward = false;
  int backCount = 0, forwardCount = 0, reloadCount = 0;
  // Answer for page functions; default: the text "{}".
  std::function<JsResult(const std::string& body, const nlohmann::json& args)> answer;
  std::vector<std::string> calledBodies;
  // While set, page functions get no answer: their completions wait in `unanswered`
  // (a page whose scripts are stuck).
  bool silent = false;
  std::vector<std::function<void(JsResult)>> unanswered;

  std::optional<std::string> currentURL() const override { return url; }
  bool canGoBack() const override { return back; }
  bool canGoForward() const override { return forward; }
  void loadURL(const Url& u, unsigned) override {
    loads.push_back(u.toString());
    url = u.toString();
  }
  void load(const std::string& path) override {
    if (auto u = urlForServicePath(AppConfig::homeURL(defaults_), path)) loadURL(*u, 60);
  }
  void stopLoading() override {}
  void goBack() override { ++backCount; }
  void goForward() override { ++forwardCount; }
  void reload() override { ++reloadCount; }
  bool isInWindow() const override { return inWindow; }
  void focus() override { ++focusCount; }
  void teardown() override { tornDown = true; }
  void callAsyncFunction(const std::string& body, const nlohmann::json& args,
                         std::function<void(JsResult)> done) override {
    calledBodies.push_back(body);
    if (silent) {
      unanswered.push_back(std::move(done));
      return;
    }
    done(answer ? answer(body, args) : JsResult::success(std::string("{}")));
  }

 private:
  const UserDefaults& defaults_;
};

// Makes fake pages and remembers them, newest last; holds what a test model keeps
// beside its pages: the defaults (a temporary home's), a worker, a clock the test may
// set and an audit log in the data folder.
struct FakePages {
  explicit FakePages(UserDefaults& d) : defaults(d) {}

  UserDefaults& defaults;
  WorkerPool workers{1};
  SettableClock clock;
  AuditLog audit{AuditLog::defaultFile(), clock};
  std::vector<std::shared_ptr<FakeWebPage>> made;
  std::function<void(FakeWebPage&)> configure;

  // A model over these pages, the defaults and the audit log.
  std::shared_ptr<BrowserModel> model(WebStore* store = nullptr, AppMode mode = AppMode::normal) {
    return BrowserModel::create(factory(), services(), store, mode);
  }
  BrowserModel::Services services() { return {defaults, audit, workers, clock}; }
  PageFactory factory() {
    return [this](const std::shared_ptr<BrowserModel>&, const std::shared_ptr<BrowserTab>&) {
      auto p = std::make_shared<FakeWebPage>(defaults);
      if (configure) configure(*p);
      made.push_back(p);
      return p;
    };
  }
};

// A model on https://example.com with fake pages and no saved tabs or recents: it
// starts with the dashboard tab alone.
inline std::shared_ptr<BrowserModel> freshFakeModel(FakePages& pages) {
  pages.defaults.set("serverURL", "https://example.com");
  pages.defaults.remove("session.tabs.v1");
  pages.defaults.remove("recents.v1");
  return pages.model();
}

inline FakeWebPage* fakeOf(const std::shared_ptr<BrowserTab>& t) {
  return t ? dynamic_cast<FakeWebPage*>(t->webView()) : nullptr;
}

}  // namespace quorvel::test
