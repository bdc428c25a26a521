#include "ui/components/WindowEscapeKey.h"

#include <gtkmm/window.h>

namespace quorvel {

WindowEscapeKey::WindowEscapeKey(Gtk::Widget& sheet, std::function<void()> onEscape)
    : sheet_(sheet), onEscape_(std::move(onEscape)) {
  mapped_ = sheet_.signal_map().connect([this] { watch(); });
  unmapped_ = sheet_.signal_unmap().connect([this] { unwatch(); });
}

WindowEscapeKey::~WindowEscapeKey() {
  mapped_.disconnect();
  unmapped_.disconnect();
  unwatch();
}

void WindowEscapeKey::watch() {
  auto* window = dynamic_cast<Gtk::Window*>(sheet_.get_root());
  if (!window) return;
  unwatch();
  keys_ = Gtk::EventControllerKey::create();
  keys_->set_propagation_phase(Gtk::PropagationPhase::CAPTURE);
  keys_->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType) {
        if (keyval != GDK_KEY_Escape) return false;
        if (onEscape_) onEscape_();
        return true;
      },
      false);
  window->add_controller(keys_);
}

void WindowEscapeKey::unwatch() {
  if (!keys_) return;
  // A window that is already gone took its controllers with it.
  if (auto* widget = keys_->get_widget()) widget->remove_controller(keys_);
  keys_.reset();
}

}  // namespace quorvel
