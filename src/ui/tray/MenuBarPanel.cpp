#include "ui/tray/MenuBarPanel.h"

#include <gdk/x11/gdkx.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/stylecontext.h>

#include "core/DockMenu.h"
#include "core/Theme.h"
#include "ui/components/LawBadges.h"
#include "ui/components/LawButtons.h"
#include "ui/components/HandCursor.h"
#include "ui/main/WindowFrame.h"

// Last: its macros clash with the C++ headers above.
#include <X11/Xlib.h>

namespace quorvel {
namespace {

void installPanelCss() {
  static bool done = false;
  if (done) return;
  done = true;
  std::string css =
      ".law-menubar-panel { background-color: " + LawTheme::surface.css() + "; border: 1px solid " +
      LawTheme::borderLight.css() + "; border-radius: 12px; }\n"
      "window.law-menubar-window { background: transparent; }\n"
      // Without a compositor the corners outside the rounding would show black.
      ".law-menubar-panel.law-square { border-radius: 0; }\n"
      ".law-menubar-count { background-color: " + LawTheme::surfaceMuted.css() + "; border: 1px solid " +
      LawTheme::borderLight.css() + "; border-radius: 10px; padding: 8px 6px 7px 6px; }\n"
      ".law-menubar-count .law-count-number { font-size: 20px; font-weight: 700; font-feature-settings: \"tnum\"; }\n"
      ".law-menubar-count .law-count-caption { font-size: 11.5px; color: " + LawTheme::textTertiary.css() + "; }\n"
      ".law-menubar-count.law-tone-red .law-count-number { color: " + LawTheme::danger.css() + "; }\n"
      ".law-menubar-count.law-tone-amber .law-count-number { color: " + LawTheme::warning.css() + "; }\n"
      ".law-menubar-count.law-tone-violet .law-count-number { color: " + LawColor::rgb8(124, 58, 237).css() + "; }\n"
      ".law-menubar-count .law-count-number.law-zero { color: " + LawTheme::textMuted.css() + "; }\n";
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data(css);
  Gtk::StyleContext::add_provider_for_display(Gdk::Display::get_default(), provider,
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

// The pointer's screen position on X11; nothing elsewhere.
std::optional<std::pair<int, int>> pointerPosition(Gtk::Window& window) {
  GdkDisplay* display = gtk_widget_get_display(GTK_WIDGET(window.gobj()));
  if (!GDK_IS_X11_DISPLAY(display)) return std::nullopt;
  Display* x = gdk_x11_display_get_xdisplay(display);
  Window root = 0, child = 0;
  int rx = 0, ry = 0, wx = 0, wy = 0;
  unsigned mask = 0;
  if (!XQueryPointer(x, DefaultRootWindow(x), &root, &child, &rx, &ry, &wx, &wy, &mask)) return std::nullopt;
  return std::make_pair(rx, ry);
}

void setCount(Gtk::Label& label, long long n) {
  label.set_text(std::to_string(n));
  if (n > 0) label.remove_css_class("law-zero");
  else label.add_css_class("law-zero");
}

}  // namespace

MenuBarPanel::MenuBarPanel(std::shared_ptr<BrowserModel> model, std::function<void()> onOpenDashboard)
    : model_(std::move(model)), onOpenDashboard_(std::move(onOpenDashboard)), content_(Gtk::Orientation::VERTICAL, 12) {
  installPanelCss();
  window_.set_title("墨衡台");
  window_.set_decorated(false);
  window_.set_resizable(false);
  window_.add_css_class("law-menubar-window");

  content_.add_css_class("law-menubar-panel");
  content_.set_size_request(300, -1);

  auto* header = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  header->set_margin_start(14);
  header->set_margin_end(14);
  header->set_margin_top(14);
  header->append(*Gtk::make_managed<BrandBadge>(32, 20));
  auto* titles = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 1);
  titles->set_valign(Gtk::Align::CENTER);
  auto* title = Gtk::make_managed<Gtk::Label>("墨衡台");
  title->add_css_class("law-sheet-header-title");
  title->set_xalign(0);
  subtitle_.add_css_class("law-sheet-header-subtitle");
  subtitle_.set_xalign(0);
  subtitle_.set_ellipsize(Pango::EllipsizeMode::END);
  titles->append(*title);
  titles->append(subtitle_);
  header->append(*titles);
  content_.append(*header);

  auto* counts = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  counts->set_homogeneous(true);
  counts->set_margin_start(14);
  counts->set_margin_end(14);
  counts->append(*countTile(overdue_, "超期", "red"));
  counts->append(*countTile(today_, "今日到期", "amber"));
  counts->append(*countTile(soon_, "3 天内", "violet"));
  content_.append(*counts);

  openButton_ = makeLawPrimaryButton("打开工作台", false, LawIconKind::dashboard);
  openButton_->set_margin_start(14);
  openButton_->set_margin_end(14);
  openButton_->set_margin_bottom(14);
  lawHandCursor(*openButton_);
  openButton_->signal_clicked().connect([this] {
    hide();
    if (onOpenDashboard_) onOpenDashboard_();
  });
  content_.append(*openButton_);
  window_.set_child(content_);

  auto keys = Gtk::EventControllerKey::create();
  keys->signal_key_pressed().connect(
      [this](guint keyval, guint, Gdk::ModifierType) {
        if (keyval != GDK_KEY_Escape) return false;
        hide();
        return true;
      },
      false);
  window_.add_controller(keys);
  window_.property_is_active().signal_changed().connect([this] {
    // Focus moved elsewhere (a click outside): close like a menu does.
    if (window_.is_active()) wasActive_ = true;
    else if (wasActive_) hide();
  });
  window_.signal_close_request().connect(
      [this] {
        hide();
        return true;
      },
      false);

  badgesChanged_ = model_->badges.changed().connect([this] { refresh(); });
  refresh();
}

MenuBarPanel::~MenuBarPanel() = default;

Gtk::Box* MenuBarPanel::countTile(Gtk::Label& number, const char* caption, const char* tone) {
  auto* tile = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  tile->add_css_class("law-menubar-count");
  tile->add_css_class(std::string("law-tone-") + tone);
  number.add_css_class("law-count-number");
  auto* label = Gtk::make_managed<Gtk::Label>(caption);
  label->add_css_class("law-count-caption");
  tile->append(number);
  tile->append(*label);
  return tile;
}

void MenuBarPanel::refresh() {
  const BadgeCounts& b = model_->badges.get();
  setCount(overdue_, b.overdue);
  setCount(today_, b.today);
  setCount(soon_, b.soon);
  std::string sub;
  if (b.loginRequired) sub = "尚未登录，计数暂不可用";
  else if (!b.loaded) sub = "待办计数尚未刷新";
  else if (!b.user.empty()) sub = b.firm.empty() ? b.user : b.user + " · " + b.firm;
  else sub = "待办概览";
  subtitle_.set_text(sub);
}

bool MenuBarPanel::isShown() const { return window_.get_visible(); }

void MenuBarPanel::toggleNear(int x, int y) {
  if (isShown()) hide();
  else showNear(x, y);
}

void MenuBarPanel::showNear(int x, int y) {
  refresh();
  if (window_.get_display()->is_composited()) content_.remove_css_class("law-square");
  else content_.add_css_class("law-square");
  wasActive_ = false;
  gtk_widget_realize(GTK_WIDGET(window_.gobj()));
  if (x == 0 && y == 0)
    if (auto p = pointerPosition(window_)) std::tie(x, y) = *p;
  int minW = 0, natW = 0, minH = 0, natH = 0, b1 = 0, b2 = 0;
  content_.measure(Gtk::Orientation::HORIZONTAL, -1, minW, natW, b1, b2);
  content_.measure(Gtk::Orientation::VERTICAL, natW, minH, natH, b1, b2);
  if (auto placement = placementFor(window_); placement && placement->canPosition())
    placement->setFrame(menuBarPanelFrame(x, y, natW, natH, placement->screenVisibleFrames()));
  window_.present();
}

void MenuBarPanel::hide() {
  wasActive_ = false;
  window_.set_visible(false);
}

}  // namespace quorvel
