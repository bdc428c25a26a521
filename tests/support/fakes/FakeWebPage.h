#pragma once
// A stand-in for a tab's web view: records loads and answers page functions from a
// script the test sets.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/BrowserModel.h"
#include "platform/UserDefaults.h"

namespace quorvel::test {

class FakeWebPage : public WebPage {
 public:
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

  std::optional<std::string> currentURL() const override { return url; }
  bool canGoBack() const override { return back; }
  bool canGoForward() const override { return forward; }
  void loadURL(const Url& u, unsigned) override {
    loads.push_back(u.toString());
    url = u.toString();
  }
  void load(const std::string& path) override {
    if (auto u = urlForServicePath(AppConfig::homeURL(UserDefaults::standard()), path)) loadURL(*u, 60);
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
    done(answer ? answer(body, args) : JsResult::success(std::string("{}")));
  }
};

// Makes fake pages and remembers them, newest last.
struct FakePages {
  std::vector<std::shared_ptr<FakeWebPage>> made;
  std::function<void(FakeWebPage&)> configure;
  PageFactory factory() {
    return [this](const std::shared_ptr<BrowserModel>&, const std::shared_ptr<BrowserTab>&) {
      auto p = std::make_shared<FakeWebPage>();
      if (configure) configure(*p);
      made.push_back(p);
      return p;
    };
  }
};

// A model on https://example.com with fake pages and no saved tabs or recents: it
// starts with the dashboard tab alone.
inline std::shared_ptr<BrowserModel> freshFakeModel(FakePages& pages) {
  UserDefaults::standard().set("serverURL", "https://example.com");
  UserDefaults::standard().remove("session.tabs.v1");
  UserDefaults::standard().remove("recents.v1");
  return BrowserModel::create(pages.factory());
}

inline FakeWebPage* fakeOf(const std::shared_ptr<BrowserTab>& t) {
  return t ? dynamic_cast<FakeWebPage*>(t->webView()) : nullptr;
}

}  // namespace quorvel::test
