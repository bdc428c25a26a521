#include "web/OffscreenCapture.h"

#include <gtk/gtk.h>
#include <nlohmann/json.hpp>
#include <webkit/webkit.h>

#include <algorithm>
#include <vector>

#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "platform/OffscreenWindow.h"
#include "platform/WindowPlacement.h"

namespace quorvel {
namespace {

constexpr int kOffscreenOrigin = -4000;
constexpr unsigned kAfterPreScriptMs = 3500;
constexpr unsigned kAfterResizeMs = 600;
constexpr unsigned kResizeCheckMs = 200;
constexpr int kResizeChecks = 25;

constexpr const char* kMeasureScript =
    "JSON.stringify({\n"
    "  h: Math.min(Math.max(document.body ? document.body.scrollHeight : 900, 900), 4000),\n"
    "  text: (document.body ? document.body.innerText : '').slice(0, 6000)\n"
    "})";

using Weak = std::weak_ptr<OffscreenCapture>;

}  // namespace

struct OffscreenCapture::Impl {
  Weak self;
  GtkWidget* window = nullptr;
  WebKitWebView* view = nullptr;
  _XDisplay* xdisplay = nullptr;
  unsigned long xid = 0;
  Completion completion;
  bool finished = false;
  unsigned timeoutSource = 0;
  double settle = 6.0;
  std::string pageText;
  int targetHeight = 0;
  int resizeChecks = 0;
  std::optional<std::string> preJS;
  SignalHandler loadChanged;
  SignalHandler loadFailed;

  static std::shared_ptr<OffscreenCapture> lock(gpointer data) {
    auto* weak = static_cast<Weak*>(data);
    auto strong = weak->lock();
    delete weak;
    return strong;
  }

  void start(const std::optional<std::string>& url, const std::optional<std::string>& html, double settleSeconds,
             double timeoutSeconds) {
    window = gtk_window_new();
    gtk_window_set_decorated(GTK_WINDOW(window), FALSE);
    gtk_window_set_default_size(GTK_WINDOW(window), kWidth, kHeight);
    gtk_window_set_title(GTK_WINDOW(window), "");
    g_object_set_data(G_OBJECT(window), OffscreenWindow::kObjectDataKey, GINT_TO_POINTER(1));

    // Its own ephemeral session: no cookie or storage of the workspace reaches the
    // page, and nothing of the page stays.
    WebKitNetworkSession* session = webkit_network_session_new_ephemeral();
    view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session", session, nullptr));
    g_object_unref(session);
    webkit_settings_set_user_agent(webkit_web_view_get_settings(view), kUserAgent);
    gtk_widget_set_size_request(GTK_WIDGET(view), kWidth, kHeight);
    gtk_window_set_child(GTK_WINDOW(window), GTK_WIDGET(view));
    loadChanged = SignalHandler(view, g_signal_connect(view, "load-changed", G_CALLBACK(onLoadChanged), this));
    loadFailed = SignalHandler(view, g_signal_connect(view, "load-failed", G_CALLBACK(onLoadFailed), this));

    // Mapped (so the engine lays out and paints at the real size) but outside
    // every screen and untouched by the window manager.
    gtk_widget_realize(window);
    if (auto x11 = x11WindowOf(gtk_native_get_surface(GTK_NATIVE(window))); x11.display) {
      xdisplay = x11.display;
      xid = x11.xid;
      OffscreenWindow::makeOverrideRedirect(xdisplay, xid);
      OffscreenWindow::place(xdisplay, xid, kOffscreenOrigin, kOffscreenOrigin, kWidth, kHeight);
    }
    gtk_widget_set_visible(window, TRUE);
    OffscreenWindow::place(xdisplay, xid, kOffscreenOrigin, kOffscreenOrigin, kWidth, kHeight);

    Weak weak = self;
    timeoutSource = postToMainAfter(static_cast<unsigned>(timeoutSeconds * 1000), [weak] {
      if (auto s = weak.lock()) {
        s->d_->timeoutSource = 0;
        s->d_->finish("timeout", {});
      }
    });

    if (url) webkit_web_view_load_uri(view, url->c_str());
    else if (html) webkit_web_view_load_html(view, html->c_str(), nullptr);
    settle = settleSeconds;
  }

  static void onLoadChanged(WebKitWebView*, WebKitLoadEvent event, gpointer data) {
    if (event != WEBKIT_LOAD_FINISHED) return;
    static_cast<Impl*>(data)->pageLoaded();
  }

  static gboolean onLoadFailed(WebKitWebView*, WebKitLoadEvent event, gchar*, GError* error, gpointer data) {
    auto* d = static_cast<Impl*>(data);
    auto keep = d->self.lock();
    std::string what = error ? error->message : "";
    bool provisional = event == WEBKIT_LOAD_STARTED || event == WEBKIT_LOAD_REDIRECTED;
    d->finish((provisional ? "provisional-fail: " : "load-fail: ") + what, {});
    return TRUE;  // no error page: the capture is over
  }

  void pageLoaded() {
    Weak weak = self;
    postToMainAfter(static_cast<unsigned>(settle * 1000), [weak] {
      auto s = weak.lock();
      if (!s) return;
      Impl* d = s->d_.get();
      if (!d->view) return;
      if (d->preJS) {
        webkit_web_view_evaluate_javascript(d->view, d->preJS->c_str(), -1, nullptr, nullptr, nullptr,
                                            onPreScriptAnswer, new Weak(weak));
      } else {
        d->expandAndShoot();
      }
    });
  }

  static void onPreScriptAnswer(GObject* source, GAsyncResult* result, gpointer data) {
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    std::string description = "nil";
    if (value) {
      char* text = jsc_value_to_string(value);
      description = text ? text : "";
      g_free(text);
      g_object_unref(value);
    } else if (error) {
      description = std::string("nil (") + error->message + ")";
    }
    if (error) g_error_free(error);
    auto s = lock(data);
    if (!s) return;
    logLine(tags::kShot, "触发查询：" + description);
    postToMainAfter(kAfterPreScriptMs, [s] {
      if (s->d_->view) s->d_->expandAndShoot();
    });
  }

  void expandAndShoot() {
    webkit_web_view_evaluate_javascript(view, kMeasureScript, -1, nullptr, nullptr, nullptr, onMeasured,
                                        new Weak(self));
  }

  static void onMeasured(GObject* source, GAsyncResult* result, gpointer data) {
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (error) g_error_free(error);
    int height = kHeight;
    std::string text;
    if (value && jsc_value_is_string(value)) {
      char* raw = jsc_value_to_string(value);
      auto parsed = nlohmann::json::parse(raw ? raw : "", nullptr, false);
      g_free(raw);
      if (parsed.is_object()) {
        if (parsed.contains("h") && parsed["h"].is_number()) height = static_cast<int>(parsed["h"].get<double>());
        if (parsed.contains("text") && parsed["text"].is_string()) text = parsed["text"].get<std::string>();
      }
    }
    if (value) g_object_unref(value);
    auto s = lock(data);
    if (!s || !s->d_->view) return;
    Impl* d = s->d_.get();
    height = std::clamp(height, kHeight, kMaxHeight);
    d->pageText = text;
    gtk_widget_set_size_request(GTK_WIDGET(d->view), kWidth, height);
    gtk_window_set_default_size(GTK_WINDOW(d->window), kWidth, height);
    OffscreenWindow::place(d->xdisplay, d->xid, kOffscreenOrigin, kOffscreenOrigin, kWidth, height);
    d->targetHeight = height;
    d->resizeChecks = 0;
    postToMainAfter(kAfterResizeMs, [s] { s->d_->shootOnceResized(); });
  }

  // The resize reaches the page's layout later on a busy machine: the snapshot waits
  // until the page reports the new height (or the checks run out, then shoots anyway).
  void shootOnceResized() {
    if (!view || finished) return;
    webkit_web_view_evaluate_javascript(view, "window.innerHeight", -1, nullptr, nullptr, nullptr, onResizeChecked,
                                        new Weak(self));
  }

  static void onResizeChecked(GObject* source, GAsyncResult* result, gpointer data) {
    GError* error = nullptr;
    JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
    if (error) g_error_free(error);
    int shown = value && jsc_value_is_number(value) ? jsc_value_to_int32(value) : 0;
    if (value) g_object_unref(value);
    auto s = lock(data);
    if (!s) return;
    Impl* d = s->d_.get();
    if (!d->view || d->finished) return;
    if (shown < d->targetHeight && ++d->resizeChecks < kResizeChecks) {
      postToMainAfter(kResizeCheckMs, [s] { s->d_->shootOnceResized(); });
      return;
    }
    webkit_web_view_get_snapshot(d->view, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
                                 onSnapshot, new Weak(s));
  }

  static void onSnapshot(GObject* source, GAsyncResult* result, gpointer data) {
    GError* error = nullptr;
    GdkTexture* texture = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, &error);
    auto image = GObjectPtr<GdkTexture>::adopt(texture);
    std::string message = error ? error->message : "";
    if (error) g_error_free(error);
    auto s = lock(data);
    if (!s) return;
    if (!message.empty() && !image) s->d_->finish("snapshot-fail: " + message, {});
    else s->d_->finish("ok", image);
  }

  void finish(const std::string& reason, GObjectPtr<GdkTexture> image) {
    if (finished) return;
    finished = true;
    auto keep = self.lock();  // the completion drops the last owner
    if (timeoutSource) cancelTimer(std::exchange(timeoutSource, 0));
    if (view) {
      loadChanged.disconnect();
      loadFailed.disconnect();
      webkit_web_view_stop_loading(view);
      view = nullptr;
    }
    if (window) gtk_window_destroy(GTK_WINDOW(std::exchange(window, nullptr)));
    long chars = g_utf8_strlen(pageText.c_str(), static_cast<gssize>(pageText.size()));
    logLine(tags::kShot, reason + " 文字=" + std::to_string(chars) + " 字 图=" + (image ? "有" : "无"));
    auto done = std::move(completion);
    completion = nullptr;
    if (done) done(image, reason == "ok" ? pageText : pageText + "\n[" + reason + "]");
  }
};

OffscreenCapture::OffscreenCapture() : d_(std::make_unique<Impl>()) {}

OffscreenCapture::~OffscreenCapture() {
  if (d_->timeoutSource) cancelTimer(d_->timeoutSource);
  if (d_->window) gtk_window_destroy(GTK_WINDOW(d_->window));
}

std::optional<std::string> OffscreenCapture::pngData(GdkTexture* image) {
  if (!image) return std::nullopt;
  GBytes* bytes = gdk_texture_save_to_png_bytes(image);
  if (!bytes) return std::nullopt;
  gsize size = 0;
  const auto* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
  std::string out(data ? data : "", data ? size : 0);
  g_bytes_unref(bytes);
  if (out.empty()) return std::nullopt;
  return out;
}

OffscreenCaptures::~OffscreenCaptures() {
  scope_.end();
  // Each capture's window and timer go with it; its answer is never given.
  for (auto& c : active_) c->d_->completion = nullptr;
}

void OffscreenCaptures::launch(std::optional<std::string> url, std::optional<std::string> html, double settle,
                               double timeout, std::optional<std::string> preJS,
                               OffscreenCapture::Completion completion) {
  auto capture = std::shared_ptr<OffscreenCapture>(new OffscreenCapture());
  capture->d_->self = capture;
  capture->d_->preJS = std::move(preJS);
  active_.push_back(capture);
  OffscreenCapture* raw = capture.get();
  capture->d_->completion =
      scope_.guard([this, raw, completion = std::move(completion)](GObjectPtr<GdkTexture> image, std::string text) {
        std::erase_if(active_, [raw](const auto& c) { return c.get() == raw; });
        if (completion) completion(std::move(image), std::move(text));
      });
  capture->d_->start(url, html, settle, timeout);
}

void OffscreenCaptures::capture(const std::string& url, double settle, double timeout,
                                std::optional<std::string> preJS, OffscreenCapture::Completion completion) {
  launch(url, std::nullopt, settle, timeout, std::move(preJS), std::move(completion));
}

void OffscreenCaptures::captureHtml(const std::string& html, double settle, double timeout,
                                    std::optional<std::string> preJS, OffscreenCapture::Completion completion) {
  launch(std::nullopt, html, settle, timeout, std::move(preJS), std::move(completion));
}

}  // namespace quorvel
