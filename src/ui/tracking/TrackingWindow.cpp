#include "ui/tracking/TrackingWindow.h"

#include <webkit/webkit.h>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "ui/components/LawButtons.h"

namespace quorvel {
namespace {

constexpr unsigned kDrillDelayMs = 4000;

std::string hintOf(const nlohmann::json& seed) {
  if (seed.is_object() && seed.contains("msg") && seed["msg"].is_string()) return seed["msg"].get<std::string>();
  return "请在下方核对签收状态，确认后点击按钮截图回传";
}

using Weak = std::weak_ptr<TrackingWindow>;

// A step of an async call that holds the window weakly.
template <typename F>
struct WeakStep {
  Weak weak;
  F step;
};

}  // namespace

TrackingWindows::TrackingWindows(WebKitNetworkSession* workspaceSession, bool drill)
    : session_(workspaceSession), drill_(drill) {}

TrackingWindows::~TrackingWindows() = default;

TrackingQuery::ManualConfirmer TrackingWindows::confirmer() {
  return scope_.guard([this](const std::string& number, const std::string& url, nlohmann::json seed,
                             TrackingQuery::Completion done) { open(number, url, std::move(seed), std::move(done)); });
}

std::shared_ptr<TrackingWindow> TrackingWindows::open(const std::string& number, const std::string& url,
                                                      nlohmann::json seed, TrackingQuery::Completion completion) {
  if (auto open = active_) open->cancel();
  auto window = std::make_shared<TrackingWindow>(number, url, std::move(seed), std::move(completion), session_);
  window->onFinished_ = scope_.guard([this](TrackingWindow* finished) {
    if (active_.get() == finished) active_.reset();
  });
  active_ = window;
  if (drill_) {
    Weak weak = window;
    window->drillTimer_ = postToMainAfter(kDrillDelayMs, [weak] {
      if (auto w = weak.lock()) {
        w->drillTimer_ = 0;
        w->captureAndFinish("ok", "演练确认签收");
      }
    });
  }
  window->present();
  return window;
}

TrackingWindow::TrackingWindow(const std::string& number, const std::string& url, nlohmann::json seed,
                               TrackingQuery::Completion completion, WebKitNetworkSession* session)
    : trackingNo_(number),
      outcome_(std::move(seed)),
      completion_(std::move(completion)),
      header_("物流查签核对 · " + number, hintOf(outcome_), "shippingbox.fill") {
  set_title("物流签收人工核对 · " + number);
  set_default_size(960, 700);
  set_size_request(780, 560);
  set_resizable(true);
  add_css_class("law-canvas");

  webView_ = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "network-session",
                                          session ? session : webkit_network_session_get_default(), nullptr));
  g_object_ref_sink(webView_);
  webkit_settings_set_user_agent(webkit_web_view_get_settings(webView_), kUserAgent);
  gtk_widget_set_hexpand(GTK_WIDGET(webView_), TRUE);
  gtk_widget_set_vexpand(GTK_WIDGET(webView_), TRUE);

  auto* refresh = makeLawSecondaryButton("刷新", true);
  auto* abnormal = makeLawSecondaryButton("标记异常并截图", true, true);
  auto* signedButton = makeLawPrimaryButton("确认已签收并截图", true);
  auto* cancelButton = makeLawSecondaryButton("取消", true);
  for (auto* b : {refresh, abnormal, signedButton, cancelButton}) buttons_.append(*b);
  buttons_.set_valign(Gtk::Align::CENTER);
  header_.addTrailing(buttons_);
  // The buttons outlive nothing: each step finds the window through a weak owner.
  auto weakCall = [this](void (TrackingWindow::*action)()) {
    return [this, action] {
      auto self = weak_from_this().lock();
      if (self) (self.get()->*action)();
    };
  };
  refresh->signal_clicked().connect(weakCall(&TrackingWindow::reload));
  abnormal->signal_clicked().connect(weakCall(&TrackingWindow::markAbnormal));
  signedButton->signal_clicked().connect(weakCall(&TrackingWindow::markSigned));
  cancelButton->signal_clicked().connect(weakCall(&TrackingWindow::cancel));

  content_.append(header_);
  gtk_box_append(content_.gobj(), GTK_WIDGET(webView_));
  set_child(content_);
  signal_close_request().connect(
      [this] {
        cancel();
        return true;  // finish hides it; the window object goes with its owner
      },
      false);

  webkit_web_view_load_uri(webView_, url.c_str());
}

TrackingWindow::~TrackingWindow() {
  if (drillTimer_) cancelTimer(drillTimer_);
  if (webView_) g_object_unref(webView_);
}

void TrackingWindow::reload() {
  if (webView_) webkit_web_view_reload(webView_);
}

void TrackingWindow::cancel() {
  nlohmann::json answer = outcome_.is_object() ? outcome_ : nlohmann::json::object();
  answer["status"] = "unknown";
  answer["msg"] = "已取消人工核对";
  finish(std::move(answer));
}

void TrackingWindow::captureAndFinish(const std::string& status, const std::string& label) {
  // One decision: a second click (or the drill) while reading and shooting is ignored.
  if (finished_ || deciding_) return;
  deciding_ = true;
  using Step = WeakStep<std::pair<std::string, std::string>>;
  webkit_web_view_evaluate_javascript(
      webView_, "document.body ? document.body.innerText : ''", -1, nullptr, nullptr, nullptr,
      [](GObject* source, GAsyncResult* result, gpointer data) {
        std::unique_ptr<Step> step(static_cast<Step*>(data));
        GError* error = nullptr;
        JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(source), result, &error);
        std::string text;
        if (value && jsc_value_is_string(value)) {
          char* s = jsc_value_to_string(value);
          text = s ? s : "";
          g_free(s);
        }
        if (value) g_object_unref(value);
        if (error) g_error_free(error);
        auto self = step->weak.lock();
        if (!self || self->finished_) return;
        const auto& [status, label] = step->step;
        nlohmann::json answer = TrackingJudge::judge(text, self->trackingNo_);
        bool judgedDelivered = answer["status"] == "ok";
        answer["status"] = status;
        // Keep the judged message only for a page that itself shows the delivery.
        if (status == "abnormal" || !judgedDelivered) answer["msg"] = label;
        answer["tracking_no"] = self->trackingNo_;
        answer["source"] = TrackingJudge::kManualSourceName;
        const char* uri = webkit_web_view_get_uri(self->webView_);
        if (uri && *uri) answer["sourceUrl"] = uri;
        else if (self->outcome_.is_object() && self->outcome_.contains("sourceUrl"))
          answer["sourceUrl"] = self->outcome_["sourceUrl"];
        else answer["sourceUrl"] = "";
        using Shot = WeakStep<nlohmann::json>;
        webkit_web_view_get_snapshot(
            self->webView_, WEBKIT_SNAPSHOT_REGION_VISIBLE, WEBKIT_SNAPSHOT_OPTIONS_NONE, nullptr,
            [](GObject* source, GAsyncResult* result, gpointer data) {
              std::unique_ptr<Shot> shot(static_cast<Shot*>(data));
              GError* error = nullptr;
              GdkTexture* texture = webkit_web_view_get_snapshot_finish(WEBKIT_WEB_VIEW(source), result, &error);
              if (error) g_error_free(error);
              auto self = shot->weak.lock();
              if (self && !self->finished_)
                TrackingQuery::attachEvidence(shot->step, texture, self->trackingNo_, TrackingJudge::kManualSourceName);
              if (texture) g_object_unref(texture);
              if (self) self->finish(std::move(shot->step));
            },
            new Shot{self, std::move(answer)});
      },
      new Step{weak_from_this(), {status, label}});
}

void TrackingWindow::finish(nlohmann::json answer) {
  if (finished_) return;
  finished_ = true;
  if (drillTimer_) cancelTimer(std::exchange(drillTimer_, 0));
  auto keep = shared_from_this();
  if (webView_) webkit_web_view_stop_loading(webView_);
  set_visible(false);
  if (auto finished = std::exchange(onFinished_, nullptr)) finished(this);
  auto done = std::move(completion_);
  completion_ = nullptr;
  logLine(tags::kTrack, "人工核对结果 " + trackingNo_ + " " + answer.value("status", ""));
  if (done) done(std::move(answer));
  // Released on a later turn, not inside its own button or script step.
  postToMain([keep] {});
}

}  // namespace quorvel
