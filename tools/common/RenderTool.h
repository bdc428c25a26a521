#pragma once
// What every render tool does first: settings, data and caches in a scratch folder
// (never the user's), GTK started, the design system's style installed.
#include <gtkmm.h>
#include <gtkmm/init.h>

#include <cstdlib>
#include <string>

#include "base/MainQueue.h"
#include "ui/components/LawStyle.h"

namespace quorvel::tools {

inline bool startRenderTool(const std::string& name) {
  std::string tmpl = "/tmp/quorvel-" + name + "-XXXXXX";
  if (!mkdtemp(tmpl.data())) return false;
  setenv("XDG_CONFIG_HOME", tmpl.c_str(), 1);
  setenv("XDG_DATA_HOME", tmpl.c_str(), 1);
  setenv("XDG_CACHE_HOME", tmpl.c_str(), 1);
  gtk_init();
  Gtk::init_gtkmm_internals();
  markMainThread();
  installLawStyle();
  return true;
}

}  // namespace quorvel::tools
