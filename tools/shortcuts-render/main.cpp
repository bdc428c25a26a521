// quorvel-shortcuts-render: the keyboard-shortcut sheet at its window's size
// (680 × 470), written to PNG, as built without a close action. --bottom scrolls the
// body to its end first; --full draws the whole body without scrolling.
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/tools/quorvel-shortcuts-render --png shortcuts.png
//   (add --bottom or --full for the other two images)
#include <gtkmm.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/MainQueue.h"
#include "common/RenderTool.h"
#include "ui/components/WidgetRender.h"
#include "ui/model/FloatingWindows.h"
#include "ui/palette/ShortcutsSheet.h"

using namespace quorvel;

int main(int argc, char** argv) {
  std::string png = "shortcuts.png";
  bool bottom = false, full = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) png = argv[++i];
    else if (std::strcmp(argv[i], "--bottom") == 0) bottom = true;
    else if (std::strcmp(argv[i], "--full") == 0) full = true;
    else {
      std::fprintf(stderr, "usage: quorvel-shortcuts-render [--png OUT.png] [--bottom] [--full]\n");
      return 2;
    }
  }
  if (!tools::startRenderTool("shortcuts")) return 1;

  const auto& spec = *floatingWindowSpec("shortcuts");
  auto* sheet = Gtk::make_managed<ShortcutsSheet>();
  if (full) sheet->body().set_propagate_natural_height(true);
  WidgetRenderHost host(*sheet, spec.width, full ? -1 : spec.height);
  ScopedAnimationsOff still;
  if (!host.showAndWait()) {
    std::fprintf(stderr, "the sheet could not be drawn\n");
    return 1;
  }
  if (bottom) {
    auto adjustment = sheet->body().get_vadjustment();
    adjustment->set_value(adjustment->get_upper() - adjustment->get_page_size());
    host.waitForFrame();
  }
  if (!saveTexturePng(host.render(*sheet), png)) {
    std::fprintf(stderr, "could not write %s\n", png.c_str());
    return 1;
  }
  std::printf("%s\n", png.c_str());
  return 0;
}
