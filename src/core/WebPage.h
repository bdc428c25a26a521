#pragma once
#include <nlohmann/json.hpp>

#include <functional>
#include <optional>
#include <string>

#include "base/Result.h"
#include "base/Url.h"

namespace quorvel {

// The answer of an awaited page function: a value, or the web view's own error.
struct JsResult : Result<nlohmann::json> {
  using Result::Result;

  static JsResult success(nlohmann::json v) { return JsResult(std::move(v)); }
  static JsResult failure(AppError error) { return JsResult(std::move(error)); }
  static JsResult failure(std::string domain, int code, std::string message) {
    return JsResult(AppError(std::move(domain), code, std::move(message)));
  }
  bool isText() const { return ok() && value().is_string(); }
  std::string text() const { return isText() ? value().get<std::string>() : std::string(); }
};

// What the workspace model needs of one tab's live page. The real one is the
// tab's web-view controller; tests use a fake.
class WebPage {
 public:
  virtual ~WebPage() = default;
  virtual std::optional<std::string> currentURL() const = 0;
  virtual bool canGoBack() const = 0;
  virtual bool canGoForward() const = 0;
  // Loads an absolute address with the default cache policy and a time-out.
  virtual void loadURL(const Url& url, unsigned timeoutSeconds) = 0;
  // Loads a service path ("/x?y") on the home address.
  virtual void load(const std::string& path) = 0;
  virtual void stopLoading() = 0;
  // History and reload of the page shown.
  virtual void goBack() = 0;
  virtual void goForward() = 0;
  virtual void reload() = 0;
  virtual bool isInWindow() const = 0;
  virtual void focus() = 0;
  // Removes script handlers and user scripts and detaches the page from its tab.
  virtual void teardown() = 0;
  // Runs an async function body in the page's own world with named arguments.
  virtual void callAsyncFunction(const std::string& body, const nlohmann::json& args,
                                 std::function<void(JsResult)> done) = 0;
};

}  // namespace quorvel
