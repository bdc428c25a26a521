#include "ui/main/WebViewBox.h"

#include "web/TabController.h"

namespace quorvel {

WebViewBox::WebViewBox() : Gtk::Box(Gtk::Orientation::VERTICAL) {
  set_hexpand(true);
  set_vexpand(true);
  placeholder_.set_vexpand(true);
  placeholder_.set_text("没有打开的页面");
  append(placeholder_);
}

void WebViewBox::showTab(const std::shared_ptr<BrowserTab>& tab) {
  GtkWidget* next = nullptr;
  if (tab) {
    if (WebKitWebView* view = TabController::viewOf(tab->controller())) next = GTK_WIDGET(view);
  }
  if (next == current_ && next && gtk_widget_get_parent(next) == GTK_WIDGET(gobj())) return;
  if (current_ && gtk_widget_get_parent(current_) == GTK_WIDGET(gobj())) gtk_box_remove(gobj(), current_);
  current_.reset();
  if (next) {
    if (GtkWidget* parent = gtk_widget_get_parent(next)) {
      if (GTK_IS_BOX(parent)) gtk_box_remove(GTK_BOX(parent), next);
      else gtk_widget_unparent(next);
    }
    placeholder_.hide();
    gtk_box_append(gobj(), next);
    current_ = GObjectPtr<GtkWidget>::retain(next);
  } else {
    placeholder_.set_text(tab ? "该标签因长时间闲置已自动释放内存" : "没有打开的页面");
    placeholder_.show();
  }
}

}  // namespace quorvel
