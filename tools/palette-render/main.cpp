// quorvel-palette-render: the command palette with the demo service's contracts and
// clients, written to PNG: every entry, a filtered list and the empty state. The
// workspace signs in to the in-process test service and the palette reads the nodes
// through its page like the client does.
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/tools/quorvel-palette-render
//       --all palette-all.png --filtered palette-filtered.png --empty palette-empty.png
//       [--query 华盛] [--empty-query 不存在的客户] [--category 客户] [--select 3] [--hover]
// (one command line).
#include <gtk/gtk.h>
#include <gtkmm/init.h>
#include <libsoup/soup.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "TestEnv.h"
#include "TestService.h"
#include "app/AppServices.h"
#include "base/MainQueue.h"
#include "common/RenderWorkspace.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "ui/components/LawStyle.h"
#include "ui/components/WidgetRender.h"
#include "ui/main/MainWindow.h"
#include "ui/model/WorkspaceViewState.h"
#include "ui/palette/CommandPaletteView.h"
#include "ui/palette/PaletteRow.h"
#include "web/WebEngine.h"

using namespace quorvel;

namespace {
int usage() {
  std::fprintf(stderr,
               "usage: quorvel-palette-render [--all FILE] [--filtered FILE] [--empty FILE] [--query TEXT]"
               " [--empty-query TEXT] [--category 全部|功能|合同|客户] [--select N] [--hover]\n");
  return 2;
}

void settle(unsigned ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  runMainLoopUntil([&] { return std::chrono::steady_clock::now() >= until; }, ms + 100);
}

struct Look {
  std::string query;
  CommandPalette::Category category = CommandPalette::Category::all;
  int select = 0;
  bool hover = false;
};

// One palette in the given state, drawn at its window's size.
bool write(const std::shared_ptr<BrowserModel>& model, const Look& look, const std::string& path) {
  auto* view = Gtk::make_managed<CommandPaletteView>(CommandPalette::servicesOver(model, {}), CommandPalette::Actions{});
  WidgetRenderHost host(*view, 600, 460);
  if (!host.showAndWait()) return false;
  runMainLoopUntil([&] { return !view->palette().loading.get(); }, 10000);
  view->palette().chooseCategory(look.category);
  view->searchField().set_text(look.query);
  for (int i = 0; i < look.select; ++i) view->palette().selectNext();
  if (look.hover) {
    view->pill(CommandPalette::Category::client).set_state_flags(Gtk::StateFlags::PRELIGHT);
    const auto& rows = view->rows();
    if (rows.size() > static_cast<std::size_t>(look.select) + 1) rows[look.select + 1]->setHovered(true);
  }
  settle(400);
  host.waitForFrame();
  auto texture = host.render(*view);
  return texture && saveTexturePng(texture, path);
}
}  // namespace

int main(int argc, char** argv) {
  std::string allPng, filteredPng, emptyPng;
  Look filtered{"华盛"};
  Look empty{"不存在的客户"};
  Look all;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--all") == 0 && i + 1 < argc) allPng = argv[++i];
    else if (std::strcmp(argv[i], "--filtered") == 0 && i + 1 < argc) filteredPng = argv[++i];
    else if (std::strcmp(argv[i], "--empty") == 0 && i + 1 < argc) emptyPng = argv[++i];
    else if (std::strcmp(argv[i], "--query") == 0 && i + 1 < argc) filtered.query = argv[++i];
    else if (std::strcmp(argv[i], "--empty-query") == 0 && i + 1 < argc) empty.query = argv[++i];
    else if (std::strcmp(argv[i], "--category") == 0 && i + 1 < argc) {
      auto c = CommandPalette::categoryFromRawValue(argv[++i]);
      if (!c) return usage();
      all.category = *c;
    } else if (std::strcmp(argv[i], "--select") == 0 && i + 1 < argc) all.select = std::atoi(argv[++i]);
    else if (std::strcmp(argv[i], "--hover") == 0) all.hover = filtered.hover = true;
    else return usage();
  }
  if (allPng.empty() && filteredPng.empty() && emptyPng.empty()) return usage();

  tools::RenderWorkspace workspace;
  auto& services = workspace.services;

  // The main window hosts the tab whose page the palette reads the nodes in.
  auto model = services.browser();
  auto* window = new MainWindow(model, services.viewState(), services.toolWindows(), &services.privacyLock());
  window->set_default_size(1200, 800);
  window->present();
  runMainLoopUntil([&] { return model->account().badges->loaded; }, 20000);

  int status = 0;
  for (const auto& [png, look] : {std::pair{allPng, all}, std::pair{filteredPng, filtered}, std::pair{emptyPng, empty}}) {
    if (png.empty()) continue;
    bool ok = write(model, look, png);
    std::printf("%s\n", ok ? png.c_str() : ("render failed: " + png).c_str());
    if (!ok) status = 1;
  }
  delete window;
  return status;
}
