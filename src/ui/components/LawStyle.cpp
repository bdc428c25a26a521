#include "ui/components/LawStyle.h"

#include <gtkmm.h>

#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {

void installLawStyle() {
  static bool installed = false;
  if (installed) return;
  auto display = Gdk::Display::get_default();
  if (!display) {
    logLine(tags::kTheme, "no display; style not installed");
    return;
  }
  auto provider = Gtk::CssProvider::create();
  provider->signal_parsing_error().connect(
      [](const Glib::RefPtr<const Gtk::CssSection>& section, const Glib::Error& error) {
        logLine(tags::kTheme, "css: " + std::string(error.what()) + " at " + section->to_string());
      });
  provider->load_from_data(lawStyleCss());
  Gtk::StyleContext::add_provider_for_display(display, provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  installed = true;
}

}  // namespace quorvel
