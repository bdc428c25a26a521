#include "ui/components/LawStyle.h"

#include <gtkmm.h>

#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {

bool addDisplayCss(const std::string& css, int priorityAbove) {
  auto display = Gdk::Display::get_default();
  if (!display) return false;
  auto provider = Gtk::CssProvider::create();
  provider->signal_parsing_error().connect(
      [](const Glib::RefPtr<const Gtk::CssSection>& section, const Glib::Error& error) {
        logLine(tags::kTheme, "css: " + std::string(error.what()) + " at " + section->to_string());
      });
  provider->load_from_data(css);
  Gtk::StyleContext::add_provider_for_display(display, provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION + priorityAbove);
  return true;
}

bool addDisplayCssOnce(const char* name, const std::function<std::string()>& makeCss, int priorityAbove) {
  auto display = Gdk::Display::get_default();
  if (!display) return false;
  const std::string mark = std::string("quorvel-css-") + name;
  GObject* object = G_OBJECT(display->gobj());
  if (g_object_get_data(object, mark.c_str())) return true;
  // Marked first: a sheet whose building installs another one comes back here.
  g_object_set_data(object, mark.c_str(), GINT_TO_POINTER(1));
  return addDisplayCss(makeCss(), priorityAbove);
}

void installLawStyle() {
  if (!Gdk::Display::get_default()) {
    logLine(tags::kTheme, "no display; style not installed");
    return;
  }
  addDisplayCssOnce("law", lawStyleCss);
}

}  // namespace quorvel
