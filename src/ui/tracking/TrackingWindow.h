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

  // Makes the lookup hand undecided pages to this window; the pages load in the
  // workspace's own session (its cookies), the default session when none is given.
  static void install(WebKitNetworkSession* workspaceSession);
  // Cancels an open window, then opens, centres and presents a new one.
  static std::shared_ptr<TrackingWindow> open(const std::string& number, const std::string& url,
                                              nlohmann::json seed, TrackingQuery::Completion completion);
  // The one open window, or null.
  static std::shared_ptr<TrackingWindow> active();

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
  void captureAndFinish(const std::string& status, const std::string& label);
  void finish(nlohmann::json answer);

  std::string trackingNo_;
  nlohmann::json outcome_;
  TrackingQuery::Completion completion_;
  bool finished_ = false;
  bool deciding_ = false;
  WebKitWebView* webView_ = nullptr;
  unsigned drillTimer_ = 0;
  Gtk::Box content_{Gtk::Orientation::VERTICAL, 0};
  LawSheetHeader header_;
  Gtk::Box buttons_{Gtk::Orientation::HORIZONTAL, 8};
};

}  // namespace quorvel
