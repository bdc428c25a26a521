#pragma once
#include <gtkmm.h>

#include <memory>

#include "core/BrowserTab.h"

namespace quorvel {

// Hosts the active tab's web view; a hibernated or missing tab shows a note instead.
class WebViewBox : public Gtk::Box {
 public:
  WebViewBox();
  ~WebViewBox() override;
  void showTab(const std::shared_ptr<BrowserTab>& tab);

 private:
  Gtk::Label placeholder_;
  GtkWidget* current_ = nullptr;
};

}  // namespace quorvel
