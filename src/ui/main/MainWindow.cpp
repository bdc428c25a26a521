#include "ui/main/MainWindow.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/PrivacyLock.h"
#include "ui/main/ContentView.h"

namespace quorvel {

MainWindow::MainWindow(std::shared_ptr<BrowserModel> browser) : browser_(std::move(browser)) {
  set_title("墨衡台");
  set_size_request(1120, 720);
  set_default_size(1280, 820);
  content_ = Gtk::make_managed<ContentView>(browser_, PrivacyLock::shared());
  set_child(*content_);
  set_hide_on_close(true);
  signal_close_request().connect(
      [this] {
        browser_->saveSession();
        logLine(tags::kWindow, "主窗口已隐藏");
        return false;
      },
      false);
}

}  // namespace quorvel
