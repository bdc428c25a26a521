#include "ui/windows/WindowFrame.h"

#include <gtkmm/eventcontrollermotion.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/gesturedrag.h>

#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "platform/WindowFrameRules.h"

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

constexpr double kResizeBorder = 6;   // pixels of the border that resize
constexpr double kResizeCorner = 18;  // pixels along each side that count as the corner

GdkSurfaceEdge surfaceEdge(FrameEdge edge) {
  switch (edge) {
    case FrameEdge::north: return GDK_SURFACE_EDGE_NORTH;
    case FrameEdge::south: return GDK_SURFACE_EDGE_SOUTH;
    case FrameEdge::east: return GDK_SURFACE_EDGE_EAST;
    case FrameEdge::west: return GDK_SURFACE_EDGE_WEST;
    case FrameEdge::northWest: return GDK_SURFACE_EDGE_NORTH_WEST;
    case FrameEdge::northEast: return GDK_SURFACE_EDGE_NORTH_EAST;
    case FrameEdge::southWest: return GDK_SURFACE_EDGE_SOUTH_WEST;
    case FrameEdge::southEast:
    case FrameEdge::none: break;
  }
  return GDK_SURFACE_EDGE_SOUTH_EAST;
}

const char* resizeCursor(FrameEdge edge) {
  switch (edge) {
    case FrameEdge::north: return "n-resize";
    case FrameEdge::south: return "s-resize";
    case FrameEdge::east: return "e-resize";
    case FrameEdge::west: return "w-resize";
    case FrameEdge::northWest: return "nw-resize";
    case FrameEdge::northEast: return "ne-resize";
    case FrameEdge::southWest: return "sw-resize";
    case FrameEdge::southEast: return "se-resize";
    case FrameEdge::none: break;
  }
  return nullptr;
}

// Buttons, fields, sliders and the like keep a press that starts on them.
bool isControl(GtkWidget* widget, GtkWidget* window) {
  for (; widget && widget != window; widget = gtk_widget_get_parent(widget))
    if (GTK_IS_BUTTON(widget) || GTK_IS_CHECK_BUTTON(widget) || GTK_IS_SWITCH(widget) || GTK_IS_EDITABLE(widget) ||
        GTK_IS_RANGE(widget) || GTK_IS_SCROLLBAR(widget) || GTK_IS_TEXT_VIEW(widget) || GTK_IS_DROP_DOWN(widget))
      return true;
  return false;
}

struct DragFrame {
  Gtk::Window& window;
  std::function<bool()> movable;
  FrameEdge shownEdge = FrameEdge::none;
  Gtk::GestureClick* resize = nullptr;  // both owned by the window
  Gtk::GestureDrag* move = nullptr;

  // The window manager holds the pointer from here: the release never reaches us, so
  // both gestures start afresh.
  void handedOver() {
    resize->reset();
    move->reset();
  }

  FrameEdge edgeAt(double x, double y) const {
    if (!movable()) return FrameEdge::none;
    return frameEdgeAt(x, y, window.get_width(), window.get_height(), kResizeBorder, kResizeCorner);
  }
  // A press on the window itself, not in a popover that lies over it.
  bool onWindow(Gtk::EventController& controller) const {
    auto event = controller.get_current_event();
    return event && event->get_surface() == window.get_surface();
  }
  GdkToplevel* toplevel() const {
    GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window.gobj()));
    return surface && GDK_IS_TOPLEVEL(surface) ? GDK_TOPLEVEL(surface) : nullptr;
  }
  // Window coordinates to the surface's, which also hold a shadow the toolkit draws.
  std::pair<double, double> onSurface(double x, double y) const {
    double dx = 0, dy = 0;
    gtk_native_get_surface_transform(GTK_NATIVE(window.gobj()), &dx, &dy);
    return {x + dx, y + dy};
  }
  void showCursorFor(FrameEdge edge) {
    if (edge == shownEdge) return;
    shownEdge = edge;
    if (const char* name = resizeCursor(edge)) window.set_cursor(name);
    else window.set_cursor(Glib::RefPtr<Gdk::Cursor>());
  }
};

}  // namespace

void allowMoveAndResizeByDragging(Gtk::Window& window, std::function<bool()> movable) {
  auto frame = std::make_shared<DragFrame>(DragFrame{window, std::move(movable)});
  auto resize = Gtk::GestureClick::create();
  auto move = Gtk::GestureDrag::create();
  frame->resize = resize.get();
  frame->move = move.get();

  // The border, before the control under it sees the press.
  resize->set_button(GDK_BUTTON_PRIMARY);
  resize->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  resize->signal_pressed().connect([frame, gesture = resize.get()](int, double x, double y) {
    FrameEdge edge = frame->onWindow(*gesture) ? frame->edgeAt(x, y) : FrameEdge::none;
    GdkToplevel* toplevel = frame->toplevel();
    if (edge == FrameEdge::none || !toplevel) {
      gesture->set_state(Gtk::EventSequenceState::DENIED);
      return;
    }
    gesture->set_state(Gtk::EventSequenceState::CLAIMED);
    auto [sx, sy] = frame->onSurface(x, y);
    gdk_toplevel_begin_resize(toplevel, surfaceEdge(edge), gesture->get_device() ? gesture->get_device()->gobj() : nullptr,
                              GDK_BUTTON_PRIMARY, sx, sy, gesture->get_current_event_time());
    frame->handedOver();
  });
  window.add_controller(resize);

  // The background: a drag past the threshold hands the window to the window manager.
  move->set_button(GDK_BUTTON_PRIMARY);
  move->signal_drag_begin().connect([frame, gesture = move.get()](double x, double y) {
    GtkWidget* top = GTK_WIDGET(frame->window.gobj());
    // Let go at once: a denied drag stays stuck when the control takes the release.
    if (!frame->movable() || !frame->onWindow(*gesture) || isControl(gtk_widget_pick(top, x, y, GTK_PICK_DEFAULT), top))
      gesture->reset();
  });
  move->signal_drag_update().connect([frame, gesture = move.get()](double dx, double dy) {
    GtkWidget* top = GTK_WIDGET(frame->window.gobj());
    if (!gtk_drag_check_threshold(top, 0, 0, int(dx), int(dy))) return;
    GdkToplevel* toplevel = frame->toplevel();
    if (!toplevel || !frame->movable()) return;
    gesture->set_state(Gtk::EventSequenceState::CLAIMED);
    double x = 0, y = 0;
    gesture->get_start_point(x, y);
    auto [sx, sy] = frame->onSurface(x, y);
    gdk_toplevel_begin_move(toplevel, gesture->get_device() ? gesture->get_device()->gobj() : nullptr,
                            GDK_BUTTON_PRIMARY, sx, sy, gesture->get_current_event_time());
    frame->handedOver();
  });
  window.add_controller(move);

  auto motion = Gtk::EventControllerMotion::create();
  motion->signal_enter().connect([frame](double x, double y) { frame->showCursorFor(frame->edgeAt(x, y)); });
  motion->signal_motion().connect([frame](double x, double y) { frame->showCursorFor(frame->edgeAt(x, y)); });
  motion->signal_leave().connect([frame] { frame->showCursorFor(FrameEdge::none); });
  window.add_controller(motion);
}

std::unique_ptr<WindowPlacement> placementFor(Gtk::Window& window) {
  GdkSurface* surface = gtk_native_get_surface(GTK_NATIVE(window.gobj()));
  if (!surface) return nullptr;
  if (auto x11 = x11PlacementFor(surface)) return x11;
  // Said once per display, which remembers it.
  GObject* display = G_OBJECT(gdk_surface_get_display(surface));
  if (!g_object_get_data(display, "quorvel-size-only-logged")) {
    g_object_set_data(display, "quorvel-size-only-logged", GINT_TO_POINTER(1));
    logLine(tags::kWindow, "当前显示后端不是 X11，窗口位置无法读写，只记住窗口大小", LogLevel::warning);
  }
  return std::make_unique<SizeOnlyPlacement>(window);
}

}  // namespace quorvel

namespace quorvel {

Gtk::Window* WeakWindow::get() const {
  GtkWindow* window = ref_.get();
  return window ? Glib::wrap(window) : nullptr;
}

}  // namespace quorvel
