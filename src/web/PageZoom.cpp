#include "web/PageZoom.h"

#include <webkit/webkit.h>

#include "core/BrowserModel.h"
#include "core/MenuCommands.h"
#include "platform/UserDefaults.h"
#include "web/TabController.h"

namespace quorvel::PageZoomActions {
namespace {
WebKitWebView* activeView(BrowserModel& model) {
  auto tab = model.activeTab();
  return tab && tab->webView() ? TabController::viewOf(tab->webView()) : nullptr;
}
}  // namespace

void zoomActive(BrowserModel& model, UserDefaults& defaults, double delta) {
  auto* view = activeView(model);
  if (!view) return;
  double zoom = PageZoom::stepped(webkit_web_view_get_zoom_level(view), delta);
  webkit_web_view_set_zoom_level(view, zoom);
  defaults.set("webzoom", zoom);
}

void actualSize(BrowserModel& model, UserDefaults& defaults) {
  if (auto* view = activeView(model)) webkit_web_view_set_zoom_level(view, 1.0);
  defaults.set("webzoom", 1.0);
}

void setFontScale(BrowserModel& model, UserDefaults& defaults, Published<double>& fontScale, double scale) {
  fontScale.set(scale);
  defaults.set("fontScale", scale);
  // Released tabs take it when they wake (their new page reads "webzoom").
  for (const auto& tab : model.tabs().get())
    if (tab->webView())
      if (auto* view = TabController::viewOf(tab->webView())) webkit_web_view_set_zoom_level(view, scale);
  defaults.set("webzoom", scale);
}

}  // namespace quorvel::PageZoomActions
