#include "ui/preview/PreviewHUD.h"

#include "platform/WindowPlacement.h"
#include "ui/windows/WindowFrame.h"
#include "ui/preview/PreviewStyle.h"

namespace quorvel {
namespace {
constexpr int kWidth = 250;
constexpr int kHeight = 48;

Gtk::Window* activeWindow() {
  for (auto* w : Gtk::Window::list_toplevels())
    if (w->is_active() && w->get_visible()) return w;
  return nullptr;
}

// No focus on map, no input, a notification-type window: the key window stays key.
void makeNonActivating(Gtk::Window& w) {
  auto surface = w.get_surface();
  if (!surface) return;
  cairo_region_t* empty = cairo_region_create();
  gdk_surface_set_input_region(surface->gobj(), empty);
  cairo_region_destroy(empty);
  makeNotificationWindow(surface->gobj());
}
}  // namespace

PreviewHUD::PreviewHUD(const std::string& text) : body_(Gtk::Orientation::HORIZONTAL, 10) {
  installPreviewStyle();
  panel_.set_decorated(false);
  panel_.set_resizable(false);
  panel_.set_focusable(false);
  panel_.set_can_focus(false);
  panel_.add_css_class("law-hud");
  panel_.set_title("正在准备");
  body_.add_css_class("law-hud-body");
  body_.set_valign(Gtk::Align::CENTER);
  body_.set_size_request(kWidth, kHeight);
  spinner_.start();
  label_.set_text(text);
  label_.add_css_class("law-hud-text");
  label_.set_single_line_mode(true);
  label_.set_ellipsize(Pango::EllipsizeMode::END);
  label_.set_max_width_chars(26);
  label_.set_xalign(0);
  label_.set_hexpand(true);
  body_.append(spinner_);
  body_.append(label_);
  panel_.set_child(body_);
  panel_.signal_realize().connect([this] { makeNonActivating(panel_); });
  place();
}

PreviewHUD::~PreviewHUD() { close(); }

void PreviewHUD::place() {
  Gtk::Window* over = activeWindow();
  gtk_widget_realize(GTK_WIDGET(panel_.gobj()));
  placement_ = placementFor(panel_);
  if (placement_ && placement_->canPosition()) {
    Rect target{0, 0, double(kWidth), double(kHeight)};
    Rect centre;
    std::unique_ptr<WindowPlacement> overPlacement = over ? placementFor(*over) : nullptr;
    if (overPlacement) {
      centre = overPlacement->frame();
    } else if (auto screens = placement_->screenVisibleFrames(); !screens.empty()) {
      centre = screens.front();
    }
    target.x = centre.x + (centre.width - target.width) / 2;
    target.y = centre.y + (centre.height - target.height) / 2;
    placement_->setFrame(target);
    placement_->setKeepAbove(true);
  }
  panel_.set_visible(true);
}

void PreviewHUD::close() {
  placement_.reset();
  if (panel_.get_visible()) panel_.set_visible(false);
}

}  // namespace quorvel
