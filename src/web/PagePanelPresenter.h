#pragma once
// The page's own panels (alert, confirm, prompt, the file input) as the tab
// controller hands them on. The windowed presenter lives in ui/.
#include <webkit/webkit.h>

namespace quorvel {

class PagePanelPresenter {
 public:
  virtual ~PagePanelPresenter() = default;
  // `view` is the web view asking; the panel is modal to its window.
  virtual void showScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog) = 0;
  virtual void chooseFiles(WebKitWebView* view, WebKitFileChooserRequest* request) = 0;
};

// Shows nothing: an alert is acknowledged, a confirm answered "no", a prompt answered
// with its default text and a file input cancelled, at once (diagnostic runs and tests).
class QuietPagePanels : public PagePanelPresenter {
 public:
  void showScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog) override;
  void chooseFiles(WebKitWebView* view, WebKitFileChooserRequest* request) override;
};

}  // namespace quorvel
