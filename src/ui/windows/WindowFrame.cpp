#include "ui/windows/WindowFrame.h"

#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"

#include <gtk/gtk.h>

namespace quorvel {
namespace {

// Without X11 a client neither reads nor sets its position: sizes only.
class SizeOnlyPlacement : public WindowPlacement {
 public:
  explicit SizeOnlyPlacement(Gtk::Window& window) : window_(window) {
    widthChanged_ = window.property_default_width().signal_changed().connect([this] { frameChanged_.emit(); });
    heightChanged_ = window.property_default_height().signal_changed().connect([this] { frameChanged_.emit(); });
  }
  Rect frame() const override {
    int w = window_.get_width(), h = window_.get_height();
    if (w <= 0 || h <= 0) window_.get_default_size(w, h);
    return Rect{0, 0, double(w), double(h)};
  }
  void setFrame(const Rect& f) override { window_.set_default_size(int(f.width), int(f.height)); }
  // A Wayland compositor decides the stacking itself.
  void setKeepAbove(bool) override {}
  bool keptAbove() const override { return false; }
  std::vector<Rect> screenVisibleFrames() const override {
    std::vector<Rect> out;
    GListModel* monitors = gdk_display_get_monitors(gtk_widget_get_display(GTK_WIDGET(window_.gobj())));
    for (guint i = 0; i < g_list_model_get_n_items(monitors); ++i) {
      auto* monitor = static_cast<GdkMonitor*>(g_list_model_get_item(monitors, i));
      GdkRectangle g;
      gdk_monitor_get_geometry(monitor, &g);
      out.push_back(Rect{double(g.x), double(g.y), double(g.width), double(g.height)});
      g_object_unref(monitor);
    }
    return out;
  }
  bool canPosition() const override { return false; }

 private:
  Gtk::Window& window_;
  ScopedConnection widthChanged_;
  ScopedConnection heightChanged_;
};

}  // namespace

std::unique_ptr<WindowPlacement> placementFor(Gtk::Window& window) {
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window.gobj()));
  if (!surface) return nullptr;
  if (auto x11 = x11PlacementFor(surface)) return x11;
  static bool logged = false;
  if (!logged) {
    logged = true;
    logLine(tags::kWindow, "当前显示后端不是 X11，窗口位置无法读写，只记住窗口大小", LogLevel::warning);
  }
  return std::make_unique<SizeOnlyPlacement>(window);
}

}  // namespace quorvel

namespace quorvel {

Gtk::Window* WeakWindow::get() const {
  gpointer p = g_weak_ref_get(&ref_);
  if (!p) return nullptr;
  // Someone else keeps it alive; this reference only guarded the read.
  g_object_unref(p);
  return Glib::wrap(static_cast<GtkWindow*>(p));
}

}  // namespace quorvel
