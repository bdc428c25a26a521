#pragma once
// A real web view in a shown window, for tests that run page scripts or drive a tab.
//
// Everything runs on the default GLib main context: every wait below iterates it
// (runMainLoopUntil), so a TestService in the same process keeps answering meanwhile.
// Waits that time out record a GoogleTest failure naming what was awaited and return
// false (or an error result); they never hang a test.
//
//   WebHarness h;                                  // own view, own content manager
//   h.captureMessages("action");                   // before the page loads
//   h.addUserScript(src, WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END);
//   ASSERT_TRUE(h.loadHTML(html, "http://localhost/"));
//   EXPECT_EQ(h.evalText("return document.title;"), "…");
//   ASSERT_TRUE(h.waitFor([&] { return h.messages("action").size() == 1; }, 2000));
//
// To drive a view made elsewhere (e.g. TabController::makeWebView()), pass it to the
// adopting constructor: the harness shows it in its window (inside a GtkBox, so the
// owner may remove it again), and loads, evaluation and message capture work on it.
#include <glibmm/value.h>
#include <webkit/webkit.h>

#include <filesystem>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace quorvel::test {

class WebHarness {
 public:
  struct Options {
    // The view's content manager; nullptr: a fresh one. The harness takes its own reference.
    WebKitUserContentManager* contentManager = nullptr;
    // nullptr: one ephemeral session shared by all harnesses of the process.
    WebKitNetworkSession* networkSession = nullptr;
    int width = 1200;
    int height = 800;
  };

  // Outcome of a script run: `text` is a string result as it is, any other value as
  // its JSON text ("null", "undefined" for those two); `error` holds the exception.
  struct Result {
    bool ok = false;
    std::string text;
    std::string error;
  };

  WebHarness();
  explicit WebHarness(const Options& options);
  // Shows an existing view (the harness holds a reference until it is destroyed).
  explicit WebHarness(WebKitWebView* adopt, int width = 1200, int height = 800);
  ~WebHarness();
  WebHarness(const WebHarness&) = delete;
  WebHarness& operator=(const WebHarness&) = delete;

  WebKitWebView* view() const { return view_; }
  GtkWindow* window() const { return window_; }
  WebKitUserContentManager* contentManager() const;

  // Adds a main-frame user script; it applies from the next load on.
  void addUserScript(const std::string& source, WebKitUserScriptInjectionTime when);

  // Registers the script-message handler `name` (when the content manager does not
  // have it yet) and records every message posted to it from now on. Call before the
  // load when the page looks the handler up while loading.
  void captureMessages(const std::string& name);
  // Messages recorded for `name`, oldest first: strings as posted, other values as
  // JSON text. Starts capturing `name` when it was not captured yet.
  std::vector<std::string> messages(const std::string& name);
  void clearMessages(const std::string& name);

  // Load and wait for WEBKIT_LOAD_FINISHED. A failed load (other than one cancelled by
  // a newer load) or a time-out is a test failure (and false).
  bool loadURI(const std::string& uri, unsigned timeoutMs = 15000);
  bool loadHTML(const std::string& html, const std::string& baseURI = "http://localhost/",
                unsigned timeoutMs = 15000);
  // Waits for the next finished load started by something else (a click, a redirect, a
  // controller's load()).
  bool waitForLoad(unsigned timeoutMs = 15000);
  // Finished loads since the harness was made.
  int finishedLoads() const { return state_->finished; }

  // Runs `body` as the body of an async function (it may await; its `return` is the
  // result). `args` (a JSON object of strings, numbers, booleans) become its named
  // arguments, as the tab controller passes them.
  Result call(const std::string& body, const nlohmann::json& args = nlohmann::json::object(),
              unsigned timeoutMs = 10000);
  // call(), with an exception or time-out recorded as a test failure (the result is then "").
  std::string evalText(const std::string& body, const nlohmann::json& args = nlohmann::json::object(),
                       unsigned timeoutMs = 10000);
  // Evaluates a whole script (e.g. a self-invoking page script) and waits for it.
  Result run(const std::string& script, unsigned timeoutMs = 10000);

  // Iterates the main context until pred holds or ms pass; returns pred(). No failure
  // is recorded: assert on the result.
  bool waitFor(const std::function<bool()>& pred, unsigned ms);
  // Iterates the main context for ms (lets page timers and observers run).
  void pump(unsigned ms);

 private:
  struct LoadState {
    int finished = 0;
    bool failed = false;
    std::string failure;
  };
  struct Capture {
    std::vector<std::string> messages;
  };

  void build(WebKitWebView* view, int width, int height);
  bool waitForFinished(int before, const std::string& what, unsigned timeoutMs);

  GtkWindow* window_ = nullptr;
  WebKitWebView* view_ = nullptr;
  std::shared_ptr<LoadState> state_ = std::make_shared<LoadState>();
  std::map<std::string, std::shared_ptr<Capture>> captures_;
  std::vector<std::pair<gpointer, gulong>> signals_;
};

// A drop of local files, as the toolkit hands it to a drop target.
Glib::ValueBase fileListValue(const std::vector<std::filesystem::path>& paths);

}  // namespace quorvel::test
