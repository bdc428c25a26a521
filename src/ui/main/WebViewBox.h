#pragma once
#include <gtkmm.h>

#include <memory>

#include "core/BrowserTab.h"
#include "base/GObjectPtr.h"

namespace quorvel {

// Hosts the active tab's web view; a hibernated or missing tab shows a note instead.
class WebViewBox : public Gtk::Box {
 public:
  WebViewBox();
  void showTab(const std::shared_ptr<BrowserTab>& tab);

 private:
  Gtk::Label placeholder_;
  // Our own reference keeps the shown view valid even after its tab released it.
  GObjectPtr<GtkWidget> current_;
};

}  // namespace quorvel
