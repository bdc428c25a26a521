#include "ui/main/WebViewBox.h"

#include "ui/main/Placeholders.h"
#include "web/TabController.h"

namespace quorvel {

WebViewBox::WebViewBox() : Gtk::Box(Gtk::Orientation::VERTICAL) {
  set_hexpand(true);
  set_vexpand(true);
  placeholder_.set_vexpand(true);
  placeholder_.set_text("没有打开的页面");
  append(placeholder_);
}

void WebViewBox::clearPlaceholder() {
  if (hibernated_) {
    remove(*hibernated_);
    hibernated_ = nullptr;
    hibernatedTab_.reset();
  }
}

void WebViewBox::showTab(const std::shared_ptr<BrowserTab>& tab) {
  GtkWidget* next = tab ? GTK_WIDGET(TabController::viewOf(tab->controller())) : nullptr;
  if (next == current_ && next && gtk_widget_get_parent(next) == GTK_WIDGET(gobj())) return;
  if (!next && tab && hibernated_ && hibernatedTab_.lock() == tab) return;
  if (current_ && gtk_widget_get_parent(current_) == GTK_WIDGET(gobj())) gtk_box_remove(gobj(), current_);
  current_.reset();
  clearPlaceholder();
  if (next) {
    if (GtkWidget* parent = gtk_widget_get_parent(next)) {
      if (GTK_IS_BOX(parent)) gtk_box_remove(GTK_BOX(parent), next);
      else gtk_widget_unparent(next);
    }
    placeholder_.hide();
    gtk_box_append(gobj(), next);
    current_ = GObjectPtr<GtkWidget>::retain(next);
  } else if (tab) {
    placeholder_.hide();
    std::weak_ptr<BrowserTab> weak = tab;
    hibernated_ = Gtk::make_managed<HibernatedView>(tab, [this, weak] {
      if (auto t = weak.lock(); t && onWake_) onWake_(t);
    });
    hibernatedTab_ = tab;
    append(*hibernated_);
  } else {
    placeholder_.show();
  }
}

}  // namespace quorvel
