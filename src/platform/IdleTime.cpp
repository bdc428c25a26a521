#include "platform/IdleTime.h"

#include <X11/Xlib.h>
#include <X11/extensions/scrnsaver.h>

#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {

// The display connection is opened at the first question, not at start: the idle
// lock's first check comes long after the first page has loaded.
X11IdleTime::X11IdleTime() = default;

X11IdleTime::~X11IdleTime() {
  if (display_) XCloseDisplay(static_cast<Display*>(display_));
}

std::optional<double> X11IdleTime::secondsSinceInput() {
  if (!opened_) {
    opened_ = true;
    display_ = XOpenDisplay(nullptr);
  }
  auto* display = static_cast<Display*>(display_);
  int event = 0, error = 0;
  if (!display || !XScreenSaverQueryExtension(display, &event, &error)) {
    if (!warned_) logLine(tags::kLock, "无法读取空闲时间（没有 X11 屏保扩展），不会自动锁定", LogLevel::warning);
    warned_ = true;
    return std::nullopt;
  }
  XScreenSaverInfo* info = XScreenSaverAllocInfo();
  if (!info) return std::nullopt;
  std::optional<double> seconds;
  if (XScreenSaverQueryInfo(display, DefaultRootWindow(display), info)) seconds = info->idle / 1000.0;
  XFree(info);
  return seconds;
}

}  // namespace quorvel
