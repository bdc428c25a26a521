// quorvel-gallery: shows every shared component in every state, or with --png writes
// that page to an image and quits.
#include <gtk/gtk.h>
#include <gtkmm.h>
#include <gtkmm/init.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "base/MainQueue.h"
#include "ui/components/ComponentGallery.h"
#include "ui/components/LawStyle.h"

namespace {

void usage() { std::fprintf(stderr, "usage: quorvel-gallery [--png OUT.png]\n"); }

}  // namespace

int main(int argc, char** argv) {
  std::string png;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) {
      png = argv[++i];
    } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
      usage();
      return 0;
    } else {
      usage();
      return 2;
    }
  }

  if (!png.empty()) {
    gtk_init();
    Gtk::init_gtkmm_internals();
    quorvel::markMainThread();
    if (auto rendered = quorvel::renderComponentGalleryPng(png); !rendered.ok()) {
      std::fprintf(stderr, "quorvel-gallery: %s\n", rendered.error().message.c_str());
      return 1;
    }
    std::printf("%s\n", png.c_str());
    return 0;
  }

  auto app = Gtk::Application::create("com.quorvel.gallery", Gio::Application::Flags::NON_UNIQUE);
  app->signal_activate().connect([app] {
    quorvel::markMainThread();
    quorvel::installLawStyle();
    auto* window = new Gtk::Window();
    window->set_title("Quorvel 组件一览");
    window->set_default_size(1240, 900);
    auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
    auto* gallery = quorvel::makeComponentGallery();
    gallery->set_can_target(false);  // states are shown as set, not as the pointer makes them
    scroller->set_child(*gallery);
    window->set_child(*scroller);
    app->add_window(*window);
    window->signal_hide().connect([window] { delete window; });
    window->present();
  });
  return app->run(1, argv);
}
