// quorvel-settings-render: the client-settings sheet at its window's size, written to
// PNG once per screenful while scrolling from the top to the last card. The mirror
// folder holds the demo firm's case files with a few backups in "_旧版本"; the
// workspace has three tabs of which two are hibernated; the maintenance card is
// unfolded unless --folded.
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/tools/quorvel-settings-render --prefix settings
//   (writes settings-1.png, settings-2.png, …)
#include <gtkmm.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "MirrorDemoTree.h"
#include "app/AppServices.h"
#include "base/MainQueue.h"
#include "common/RenderWorkspace.h"
#include "ui/main/MainWindow.h"
#include "core/BrowserModel.h"
#include "features/mirror/MirrorFormats.h"
#include "features/mirror/StorageStats.h"
#include "platform/UserDefaults.h"
#include "ui/components/WidgetRender.h"
#include "ui/model/FloatingWindows.h"
#include "ui/settings/MaintenanceCard.h"
#include "ui/settings/SettingsView.h"
#include "ui/settings/StorageCard.h"

using namespace quorvel;
namespace fs = std::filesystem;

namespace {
void writeFile(const fs::path& path, const std::string& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << bytes;
}

// The demo contracts' files in the mirror folder, and every second one backed up once.
void fillMirror(const fs::path& root) {
  int n = 0;
  for (const auto& contract : test::mirrorDemoTree()) {
    if (contract.folder.empty()) continue;
    fs::path folder = root / test::mirrorDemoTail(contract.folder);
    for (const auto& file : contract.files) {
      writeFile(folder / file.rel, file.bytes);
      if (n++ % 2 == 0) writeFile(root / MirrorRules::kOldVersions / fs::path(file.rel).filename(), file.bytes + file.bytes);
    }
  }
}
}  // namespace

int main(int argc, char** argv) {
  std::string prefix = "settings";
  bool folded = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--prefix") == 0 && i + 1 < argc) prefix = argv[++i];
    else if (std::strcmp(argv[i], "--folded") == 0) folded = true;
    else {
      std::fprintf(stderr, "usage: quorvel-settings-render [--prefix OUT] [--folded]\n");
      return 2;
    }
  }
  // The demo service, signed in: the account card shows its user and firm.
  tools::RenderWorkspace workspace;
  auto& services = workspace.services;
  // The mirror lies in the tool's scratch folder, never in the user's documents.
  MirrorConfig mirror = MirrorConfig::load(services.defaults());
  mirror.rootPath = (fs::path(std::getenv("XDG_DATA_HOME")) / "墨衡台卷宗").string();
  mirror.save(services.defaults());
  fillMirror(mirror.rootPath);

  auto model = services.browser();
  // The main window hosts the tab whose page the account is read in.
  auto* window = new MainWindow(model, services.viewState(), services.toolWindows(), &services.privacyLock());
  window->set_default_size(1200, 800);
  window->present();
  runMainLoopUntil([&] { return model->account().badges->loaded; }, 20000);
  model->newTab("/contracts", "合同管理");
  model->newTab("/calendar", "日程");
  model->hibernateOthers();

  SettingsServices settings = services.settingsServices();
  const auto& spec = *floatingWindowSpec("settings");
  auto* sheet = Gtk::make_managed<SettingsView>(model, [] {}, settings);
  if (!folded) sheet->maintenanceCard().setUnfolded(true);
  WidgetRenderHost host(*sheet, spec.width, spec.height);
  ScopedAnimationsOff still;
  if (!host.showAndWait()) {
    std::fprintf(stderr, "the sheet could not be drawn\n");
    return 1;
  }
  if (!runMainLoopUntil([&] { return sheet->storageCard().stats().stats.get().has_value(); }, 10000)) {
    std::fprintf(stderr, "the storage count did not finish\n");
    return 1;
  }
  host.waitForFrame();

  auto adjustment = sheet->scroller().get_vadjustment();
  for (int page = 1;; ++page) {
    std::string png = prefix + "-" + std::to_string(page) + ".png";
    if (!saveTexturePng(host.render(*sheet), png)) {
      std::fprintf(stderr, "could not write %s\n", png.c_str());
      return 1;
    }
    std::printf("%s\n", png.c_str());
    double last = adjustment->get_upper() - adjustment->get_page_size();
    if (adjustment->get_value() >= last) break;
    adjustment->set_value(std::min(last, adjustment->get_value() + adjustment->get_page_size() * 0.8));
    host.waitForFrame();
  }
  return 0;
}
