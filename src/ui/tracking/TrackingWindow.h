#pragma once
// The manual delivery confirmation: the search page live in a normal window, and a
// person decides "delivered" or "returned/abnormal". The page is read, judged and
// photographed, and the lookup's request is answered once.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/window.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <string>

#include "base/Task.h"
#include "features/tracking/TrackingQuery.h"
#include "ui/components/LawSheetHeader.h"

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitNetworkSession WebKitNetworkSession;

namespace quorvel {

class TrackingWindow : public Gtk::Window, public std::enable_shared_from_this<TrackingWindow> {
 public:
  static constexpr const char* kUserAgent =
      "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
      "Version/17.0 Safari/605.1.15";

  TrackingWindow(const std::string& number, const std::string& url, nlohmann::json seed,
                 TrackingQuery::Completion completion, WebKitNetworkSession* session);
  ~TrackingWindow() override;

  // The user's actions (the buttons call these).
  void markSigned() { captureAndFinish("ok", "人工确认已签收"); }
  void markAbnormal() { captureAndFinish("abnormal", "人工确认退回/异常"); }
  void cancel();
  void reload();

  bool answered() const { return finished_; }
  WebKitWebView* webView() const { return webView_; }
  LawSheetHeader& header() { return header_; }

 private:
  friend class TrackingWindows;
  void captureAndFinish(const std::string& status, const std::string& label);
  void finish(nlohmann::json answer);

  std::string trackingNo_;
  nlohmann::json outcome_;
  TrackingQuery::Completion completion_;
  // Tells the owner the window has answered.
  std::function<void(TrackingWindow*)> onFinished_;
  bool finished_ = false;
  bool deciding_ = false;
  WebKitWebView* webView_ = nullptr;
  unsigned drillTimer_ = 0;
  Gtk::Box content_{Gtk::Orientation::VERTICAL, 0};
  LawSheetHeader header_;
  Gtk::Box buttons_{Gtk::Orientation::HORIZONTAL, 8};
};

// The manual confirmations: at most one window open at a time, its pages in the
// workspace's own session (its cookies), the default session when none is given.
// Owned by the composition root, which hands confirmer() to the lookup.
class TrackingWindows {
 public:
  // `drill` (TRACK_TEST_MANUAL=1): each window confirms by itself after a few seconds.
  explicit TrackingWindows(WebKitNetworkSession* workspaceSession, bool drill = false);
  // An open window goes with it, unanswered.
  ~TrackingWindows();
  TrackingWindows(const TrackingWindows&) = delete;
  TrackingWindows& operator=(const TrackingWindows&) = delete;

  // Cancels an open window, then opens, centres and presents a new one.
  std::shared_ptr<TrackingWindow> open(const std::string& number, const std::string& url, nlohmann::json seed,
                                       TrackingQuery::Completion completion);
  // The one open window, or null.
  std::shared_ptr<TrackingWindow> active() const { return active_; }
  // Opens a window for each undecided page, while this object exists.
  TrackingQuery::ManualConfirmer confirmer();

 private:
  WebKitNetworkSession* session_;
  const bool drill_;
  std::shared_ptr<TrackingWindow> active_;
  TaskScope scope_;
};

}  // namespace quorvel
