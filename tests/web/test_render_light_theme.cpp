// The view renders draw in the light theme whatever the desktop sets (a dark theme or a
// dark preference in the settings, or GTK_THEME), in a window that is mapped but kept off
// every screen. Widgets that a dark theme changes: an address field, switches, a check box.
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtkmm/box.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/entry.h>
#include <gtkmm/settings.h>
#include <gtkmm/switch.h>

#include "TestHelpers.h"
#include "diagnostics/PreviewRenders.h"
#include "platform/OffscreenWindow.h"
#include "platform/WindowPlacement.h"
#include "ui/components/WidgetRender.h"

// Last: its macros clash with the toolkit's and the test framework's names.
#include <X11/Xlib.h>

using namespace quorvel;

namespace {

constexpr int kWidth = 360, kHeight = 220;

Gtk::Widget* sampleForm() {
  auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 8);
  auto* address = Gtk::make_managed<Gtk::Entry>();
  address->set_text("https://law.quorvel.cn");
  // No caret: it blinks, and the images are compared pixel by pixel.
  address->set_can_focus(false);
  box->append(*address);
  auto* on = Gtk::make_managed<Gtk::Switch>();
  on->set_active(true);
  on->set_halign(Gtk::Align::START);
  box->append(*on);
  auto* off = Gtk::make_managed<Gtk::Switch>();
  off->set_halign(Gtk::Align::START);
  box->append(*off);
  auto* check = Gtk::make_managed<Gtk::CheckButton>("开机自动启动");
  check->set_active(true);
  box->append(*check);
  return box;
}

// The same widgets drawn the plain way, in whatever theme is in effect.
RenderedPixels plainRender() {
  Gtk::Widget* form = sampleForm();
  WidgetRenderHost host(*form, kWidth, kHeight);
  if (!host.showAndWait()) return {};
  host.waitForFrame();
  return texturePixels(host.render(*form));
}

RenderedPixels forcedRender(const std::function<void()>& shown = {}) {
  return texturePixels(PreviewRenders::renderImage(*sampleForm(), kWidth, kHeight, shown));
}

// Puts the test's own theme settings back as they were.
class SettingsKept {
 public:
  SettingsKept() : settings_(Gtk::Settings::get_default()) {
    theme_ = settings_->property_gtk_theme_name().get_value();
    dark_ = settings_->property_gtk_application_prefer_dark_theme().get_value();
  }
  ~SettingsKept() {
    g_unsetenv("GTK_THEME");
    settings_->property_gtk_theme_name().set_value(theme_);
    settings_->property_gtk_application_prefer_dark_theme().set_value(dark_);
    drainMainLoop();
  }
  Gtk::Settings& operator*() { return *settings_; }

 private:
  Glib::RefPtr<Gtk::Settings> settings_;
  Glib::ustring theme_;
  bool dark_ = false;
};

}  // namespace

TEST(RenderLightTheme, ADarkThemeInTheSettingsOrInGtkThemeLeavesTheRenderLight) {
  SettingsKept settings;
  (*settings).property_gtk_theme_name().set_value("Adwaita");
  (*settings).property_gtk_application_prefer_dark_theme().set_value(false);
  const RenderedPixels light = plainRender();
  ASSERT_GT(light.width, 0);
  EXPECT_EQ(RenderedPixels::countDifferent(light, forcedRender()), 0);

  {
    SCOPED_TRACE("a dark theme and dark preference in the test's own settings");
    (*settings).property_gtk_theme_name().set_value("Adwaita-dark");
    (*settings).property_gtk_application_prefer_dark_theme().set_value(true);
    // Drawn plainly, the widgets turn dark: the setting is in effect.
    EXPECT_GT(RenderedPixels::countDifferent(light, plainRender()), 2000);
    EXPECT_EQ(RenderedPixels::countDifferent(light, forcedRender()), 0);
    // The desktop's choice is back after the render.
    EXPECT_EQ((*settings).property_gtk_theme_name().get_value(), "Adwaita-dark");
    EXPECT_TRUE((*settings).property_gtk_application_prefer_dark_theme().get_value());
  }
  {
    SCOPED_TRACE("GTK_THEME=Adwaita:dark, which outranks the settings");
    g_setenv("GTK_THEME", "Adwaita:dark", TRUE);
    (*settings).property_gtk_theme_name().set_value("Adwaita");
    (*settings).property_gtk_application_prefer_dark_theme().set_value(false);
    EXPECT_GT(RenderedPixels::countDifferent(light, plainRender()), 2000);
    EXPECT_EQ(RenderedPixels::countDifferent(light, forcedRender()), 0);
  }
}

TEST(RenderLightTheme, TheRenderWindowIsMappedOffEveryScreenAndUnmanaged) {
  bool inspected = false;
  RenderedPixels image = forcedRender([&] {
    GtkWidget* found = nullptr;
    GListModel* toplevels = gtk_window_get_toplevels();
    for (guint i = 0; i < g_list_model_get_n_items(toplevels); ++i) {
      auto* window = GTK_WIDGET(g_list_model_get_item(toplevels, i));
      if (g_object_get_data(G_OBJECT(window), OffscreenWindow::kObjectDataKey) && gtk_widget_get_mapped(window))
        found = window;
      g_object_unref(window);
    }
    ASSERT_TRUE(found) << "no render window";
    X11Window x11 = x11WindowOf(gtk_native_get_surface(GTK_NATIVE(found)));
    ASSERT_TRUE(x11.display);
    XWindowAttributes attrs{};
    ASSERT_TRUE(XGetWindowAttributes(x11.display, x11.xid, &attrs));
    EXPECT_TRUE(attrs.override_redirect);
    EXPECT_EQ(attrs.map_state, IsViewable);
    int x = 0, y = 0;
    Window child = 0;
    XTranslateCoordinates(x11.display, x11.xid, DefaultRootWindow(x11.display), 0, 0, &x, &y, &child);
    // Entirely left of and above the root window.
    EXPECT_LT(x + attrs.width, 0);
    EXPECT_LT(y + attrs.height, 0);
    inspected = true;
  });
  EXPECT_TRUE(inspected);
  EXPECT_EQ(image.width, kWidth);
  EXPECT_EQ(image.height, kHeight);
}
