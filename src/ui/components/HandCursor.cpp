#include "ui/components/HandCursor.h"

#include <gdkmm/cursor.h>
#include <gtkmm/eventcontrollermotion.h>

namespace quorvel {

namespace {
constexpr const char* kDataKey = "quorvel-hand-cursor";
}

HandCursorModifier::HandCursorModifier(Gtk::Widget& widget) : widget_(widget) {}

HandCursorModifier& HandCursorModifier::of(Gtk::Widget& widget) {
  GObject* obj = G_OBJECT(widget.gobj());
  if (auto* existing = static_cast<HandCursorModifier*>(g_object_get_data(obj, kDataKey)))
    return *existing;
  auto* modifier = new HandCursorModifier(widget);
  g_object_set_data_full(obj, kDataKey, modifier,
                         [](gpointer p) { delete static_cast<HandCursorModifier*>(p); });
  auto motion = Gtk::EventControllerMotion::create();
  motion->signal_enter().connect([modifier](double, double) { modifier->pointerEvent(true); });
  motion->signal_motion().connect([modifier](double, double) { modifier->pointerEvent(true); });
  motion->signal_leave().connect([modifier] { modifier->pointerEvent(false); });
  widget.add_controller(motion);
  widget.signal_unmap().connect([modifier] { modifier->disappeared(); });
  return *modifier;
}

void HandCursorModifier::pointerEvent(bool inside) {
  if (inside && enabled_) {
    if (!pushed_) push();
  } else if (pushed_) {
    pop();
  }
}

void HandCursorModifier::disappeared() {
  if (pushed_) pop();
}

void HandCursorModifier::push() {
  saved_ = widget_.get_cursor();
  widget_.set_cursor(Gdk::Cursor::create("pointer"));
  pushed_ = true;
}

void HandCursorModifier::pop() {
  widget_.set_cursor(saved_);
  saved_.reset();
  pushed_ = false;
}

Gtk::Widget& lawHandCursor(Gtk::Widget& widget, bool enabled) {
  HandCursorModifier::of(widget).setEnabled(enabled);
  return widget;
}

}  // namespace quorvel
