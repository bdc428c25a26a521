#pragma once
// Zoom and font size of the workspace's pages, remembered under "webzoom" and
// "fontScale".
#include "base/Published.h"

namespace quorvel {

class BrowserModel;
class UserDefaults;

namespace PageZoomActions {
// Zooms the active tab's page by `delta` within 0.6 … 1.8 and remembers the result;
// nothing without a live active page.
void zoomActive(BrowserModel& model, UserDefaults& defaults, double delta);
// The active page back to 1.0; 1.0 is remembered even without a page.
void actualSize(BrowserModel& model, UserDefaults& defaults);
// The workspace's font scale, every live page's zoom and both remembered values.
void setFontScale(BrowserModel& model, UserDefaults& defaults, Published<double>& fontScale, double scale);
}  // namespace PageZoomActions

}  // namespace quorvel
