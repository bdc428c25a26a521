#include "core/MainWindowHook.h"

#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel::MainWindowHook {
namespace {
std::function<void()>& handler() {
  static std::function<void()> h;
  return h;
}
}  // namespace

void setShowHandler(std::function<void()> show) { handler() = std::move(show); }

void show() {
  // A copy: the handler may replace itself while it runs.
  if (auto h = handler()) {
    h();
    return;
  }
  logLine(tags::kWindow, "没有可显示的主窗口");
}

}  // namespace quorvel::MainWindowHook
