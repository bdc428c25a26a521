#pragma once
// The pointing-hand cursor on hover. GTK shows a widget's own cursor only while the
// pointer is over it; the modifier "pushes" the hand by saving the widget's cursor and
// setting "pointer", and "pops" by restoring what it saved. It never pushes twice and
// never restores what it did not replace.

#include <gtkmm/widget.h>

namespace quorvel {

class HandCursorModifier {
 public:
  // The modifier of `widget`, created on first use; it lives as long as the widget.
  static HandCursorModifier& of(Gtk::Widget& widget);

  bool enabled() const { return enabled_; }
  // Takes effect at the next pointer event, as the pointer itself decides the cursor.
  void setEnabled(bool enabled) { enabled_ = enabled; }
  bool pushed() const { return pushed_; }

  // Pointer entered (inside = true), moved inside (true) or left (false).
  void pointerEvent(bool inside);
  // The widget left the screen.
  void disappeared();

 private:
  explicit HandCursorModifier(Gtk::Widget& widget);
  void push();
  void pop();

  Gtk::Widget& widget_;
  bool enabled_ = true;
  bool pushed_ = false;
  Glib::RefPtr<Gdk::Cursor> saved_;
};

// Gives `widget` the hand cursor while hovered (or, with enabled false, none).
// Calling it again changes the flag of the same modifier. Returns the widget.
Gtk::Widget& lawHandCursor(Gtk::Widget& widget, bool enabled = true);

}  // namespace quorvel
