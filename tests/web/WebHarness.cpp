#include "TestEnv.h"
#include "WebHarness.h"

#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include "base/MainQueue.h"
#include "web/JsValues.h"

namespace quorvel::test {
namespace {

WebKitNetworkSession* sharedEphemeralSession() {
  static WebKitNetworkSession* session = webkit_network_session_new_ephemeral();
  return session;
}

std::string valueText(JSCValue* v) {
  if (!v || jsc_value_is_undefined(v)) return "undefined";
  if (jsc_value_is_string(v)) {
    gchar* s = jsc_value_to_string(v);
    std::string out = s ? s : "";
    g_free(s);
    return out;
  }
  return JsValues::toJsonText(v);
}

struct Pending {
  bool done = false;
  WebHarness::Result result;
};

void finishCall(JSCValue* v, GError* err, Pending& p) {
  p.done = true;
  if (!v) {
    p.result.ok = false;
    p.result.error = err && err->message ? err->message : "script failed";
    return;
  }
  p.result.ok = true;
  p.result.text = valueText(v);
  g_object_unref(v);
}

using FinishScript = JSCValue* (*)(WebKitWebView*, GAsyncResult*, GError**);

// Starts a script with `start(callback, data)` and waits for its result; `finish` is
// the matching *_finish function.
template <FinishScript finish, class Start>
WebHarness::Result awaitScript(Start&& start, unsigned timeoutMs) {
  auto pending = std::make_shared<Pending>();
  start(
      [](GObject* src, GAsyncResult* res, gpointer data) {
        std::unique_ptr<std::shared_ptr<Pending>> p(static_cast<std::shared_ptr<Pending>*>(data));
        GError* err = nullptr;
        JSCValue* v = finish(WEBKIT_WEB_VIEW(src), res, &err);
        finishCall(v, err, **p);
        g_clear_error(&err);
      },
      new std::shared_ptr<Pending>(pending));
  if (!runMainLoopUntil([&] { return pending->done; }, scaledWait(timeoutMs))) {
    WebHarness::Result r;
    r.error = "timed out after " + std::to_string(timeoutMs) + " ms";
    return r;
  }
  return pending->result;
}

}  // namespace

WebHarness::WebHarness() : WebHarness(Options{}) {}

WebHarness::WebHarness(const Options& options) {
  WebKitUserContentManager* ucm =
      options.contentManager ? WEBKIT_USER_CONTENT_MANAGER(g_object_ref(options.contentManager))
                             : webkit_user_content_manager_new();
  WebKitNetworkSession* session = options.networkSession ? options.networkSession : sharedEphemeralSession();
  auto* view = WEBKIT_WEB_VIEW(
      g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session, "user-content-manager", ucm, nullptr));
  g_object_unref(ucm);
  g_object_ref_sink(view);
  build(view, options.width, options.height);
}

WebHarness::WebHarness(WebKitWebView* adopt, int width, int height) {
  g_object_ref(adopt);
  build(adopt, width, height);
}

void WebHarness::build(WebKitWebView* view, int width, int height) {
  view_ = view;
  window_ = GTK_WINDOW(gtk_window_new());
  gtk_window_set_default_size(window_, width, height);
  GtkWidget* box = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_widget_set_hexpand(GTK_WIDGET(view_), TRUE);
  gtk_widget_set_vexpand(GTK_WIDGET(view_), TRUE);
  gtk_box_append(GTK_BOX(box), GTK_WIDGET(view_));
  gtk_window_set_child(window_, box);
  gtk_window_present(window_);

  signals_.push_back({view_, g_signal_connect(view_, "load-changed",
                                              G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent e, gpointer data) {
                                                if (e == WEBKIT_LOAD_FINISHED) static_cast<LoadState*>(data)->finished++;
                                              }),
                                              state_.get())});
  signals_.push_back(
      {view_, g_signal_connect(view_, "load-failed",
                               G_CALLBACK(+[](WebKitWebView*, WebKitLoadEvent, gchar* uri, GError* err,
                                              gpointer data) -> gboolean {
                                 auto* st = static_cast<LoadState*>(data);
                                 // A load replaced by the next one is not a failure of the test.
                                 if (g_error_matches(err, WEBKIT_NETWORK_ERROR, WEBKIT_NETWORK_ERROR_CANCELLED))
                                   return FALSE;
                                 st->failed = true;
                                 st->failure = std::string(uri ? uri : "") + ": " + (err ? err->message : "");
                                 return FALSE;
                               }),
                               state_.get())});
  drainMainLoop();
}

WebHarness::~WebHarness() {
  for (auto& [obj, id] : signals_)
    if (G_IS_OBJECT(obj) && g_signal_handler_is_connected(obj, id)) g_signal_handler_disconnect(obj, id);
  signals_.clear();
  if (view_) {
    GtkWidget* w = GTK_WIDGET(view_);
    if (GtkWidget* parent = gtk_widget_get_parent(w); parent && GTK_IS_BOX(parent)) gtk_box_remove(GTK_BOX(parent), w);
    g_object_unref(view_);
    view_ = nullptr;
  }
  if (window_) gtk_window_destroy(window_);
  window_ = nullptr;
  drainMainLoop();
}

WebKitUserContentManager* WebHarness::contentManager() const {
  return webkit_web_view_get_user_content_manager(view_);
}

void WebHarness::addUserScript(const std::string& source, WebKitUserScriptInjectionTime when) {
  WebKitUserScript* s =
      webkit_user_script_new(source.c_str(), WEBKIT_USER_CONTENT_INJECT_TOP_FRAME, when, nullptr, nullptr);
  webkit_user_content_manager_add_script(contentManager(), s);
  webkit_user_script_unref(s);
}

void WebHarness::captureMessages(const std::string& name) {
  if (captures_.count(name)) return;
  auto capture = std::make_shared<Capture>();
  captures_[name] = capture;
  WebKitUserContentManager* ucm = contentManager();
  // FALSE just means the owner registered it already; listening works either way.
  webkit_user_content_manager_register_script_message_handler(ucm, name.c_str(), nullptr);
  std::string signal = "script-message-received::" + name;
  signals_.push_back({ucm, g_signal_connect(ucm, signal.c_str(),
                                            G_CALLBACK(+[](WebKitUserContentManager*, JSCValue* v, gpointer data) {
                                              static_cast<Capture*>(data)->messages.push_back(valueText(v));
                                            }),
                                            capture.get())});
}

std::vector<std::string> WebHarness::messages(const std::string& name) {
  captureMessages(name);
  return captures_[name]->messages;
}

void WebHarness::clearMessages(const std::string& name) {
  if (auto it = captures_.find(name); it != captures_.end()) it->second->messages.clear();
}

bool WebHarness::waitForFinished(int before, const std::string& what, unsigned timeoutMs) {
  state_->failed = false;
  bool ok = runMainLoopUntil([&] { return state_->finished > before || state_->failed; }, scaledWait(timeoutMs));
  if (!ok) {
    ADD_FAILURE() << "timed out after " << timeoutMs << " ms waiting for " << what << " to finish loading";
    return false;
  }
  if (state_->failed && state_->finished <= before) {
    // A failed load still ends with LOAD_FINISHED; let it arrive, then report.
    runMainLoopUntil([&] { return state_->finished > before; }, 2000);
    ADD_FAILURE() << "loading " << what << " failed: " << state_->failure;
    return false;
  }
  return true;
}

bool WebHarness::loadURI(const std::string& uri, unsigned timeoutMs) {
  int before = state_->finished;
  state_->failed = false;
  webkit_web_view_load_uri(view_, uri.c_str());
  return waitForFinished(before, uri, timeoutMs);
}

bool WebHarness::loadHTML(const std::string& html, const std::string& baseURI, unsigned timeoutMs) {
  int before = state_->finished;
  state_->failed = false;
  webkit_web_view_load_html(view_, html.c_str(), baseURI.c_str());
  return waitForFinished(before, "HTML at " + baseURI, timeoutMs);
}

bool WebHarness::waitForLoad(unsigned timeoutMs) {
  return waitForFinished(state_->finished, "the next page", timeoutMs);
}

WebHarness::Result WebHarness::call(const std::string& body, const nlohmann::json& args, unsigned timeoutMs) {
  return awaitScript<webkit_web_view_call_async_javascript_function_finish>(
      [&](GAsyncReadyCallback done, gpointer data) {
        webkit_web_view_call_async_javascript_function(view_, body.c_str(), -1, JsValues::toArguments(args), nullptr, nullptr,
                                                       nullptr, done, data);
      },
      timeoutMs);
}

std::string WebHarness::evalText(const std::string& body, const nlohmann::json& args, unsigned timeoutMs) {
  Result r = call(body, args, timeoutMs);
  if (!r.ok) {
    ADD_FAILURE() << "page function failed: " << r.error << "\n--- body ---\n" << body.substr(0, 400);
    return "";
  }
  return r.text;
}

WebHarness::Result WebHarness::run(const std::string& script, unsigned timeoutMs) {
  return awaitScript<webkit_web_view_evaluate_javascript_finish>(
      [&](GAsyncReadyCallback done, gpointer data) {
        webkit_web_view_evaluate_javascript(view_, script.c_str(), -1, nullptr, nullptr, nullptr, done, data);
      },
      timeoutMs);
}

bool WebHarness::waitFor(const std::function<bool()>& pred, unsigned ms) { return runMainLoopUntil(pred, scaledWait(ms)); }

void WebHarness::pump(unsigned ms) {
  runMainLoopUntil([] { return false; }, ms);
}

Glib::ValueBase fileListValue(const std::vector<std::filesystem::path>& paths) {
  GSList* files = nullptr;
  for (const auto& p : paths) files = g_slist_append(files, g_file_new_for_path(p.c_str()));
  Glib::ValueBase v;
  v.init(GDK_TYPE_FILE_LIST);
  g_value_take_boxed(v.gobj(), gdk_file_list_new_from_list(files));
  g_slist_free_full(files, g_object_unref);
  return v;
}

}  // namespace quorvel::test
