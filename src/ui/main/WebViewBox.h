#pragma once
#include <gtkmm.h>

#include <functional>
#include <memory>

#include "base/GObjectPtr.h"
#include "core/BrowserTab.h"

namespace quorvel {

class HibernatedView;

// Hosts one tab's web view; a released tab shows its placeholder (with the wake
// button), a missing tab a short note.
class WebViewBox : public Gtk::Box {
 public:
  WebViewBox();
  void showTab(const std::shared_ptr<BrowserTab>& tab);
  // What the placeholder's "恢复这个标签" does.
  void setOnWake(std::function<void(const std::shared_ptr<BrowserTab>&)> onWake) { onWake_ = std::move(onWake); }
  HibernatedView* hibernatedView() const { return hibernated_; }

 private:
  void clearPlaceholder();

  Gtk::Label placeholder_;
  HibernatedView* hibernated_ = nullptr;
  std::weak_ptr<BrowserTab> hibernatedTab_;
  std::function<void(const std::shared_ptr<BrowserTab>&)> onWake_;
  // Our own reference keeps the shown view valid even after its tab released it.
  GObjectPtr<GtkWidget> current_;
};

}  // namespace quorvel
