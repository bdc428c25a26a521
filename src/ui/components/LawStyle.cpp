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

void installLawStyle() {
  static bool installed = false;
  if (installed) return;
  if (!Gdk::Display::get_default()) {
    logLine(tags::kTheme, "no display; style not installed");
    return;
  }
  installed = addDisplayCss(lawStyleCss());
}

}  // namespace quorvel
