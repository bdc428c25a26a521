// quorvel-archive-render: the quick-archive window's content in two states, written
// to PNG: empty (no files yet, the targets from the workspace) and with three files,
// a chosen proceeding and a finished upload.
//
//   xvfb-run -a build/tools/quorvel-archive-render --empty archive-empty.png --files archive-files.png \
//       [--screen screen.png]
//
// --screen also opens the real window on the display with its "扫描 / 粘贴…" menu open
// and captures the screen (ImageMagick's import).
#include <gtk/gtk.h>
#include <gtkmm.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "TestHelpers.h"
#include "TestService.h"
#include "common/RenderTool.h"
#include "common/ServedFakeWorkspace.h"
#include "base/Clock.h"
#include "base/MainQueue.h"
#include "core/AuditLog.h"
#include "core/BrowserModel.h"
#include "core/FilePanels.h"
#include "features/editing/HotFolderWatcher.h"
#include "base/WorkerPool.h"
#include "platform/Desktop.h"
#include "platform/Scanner.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"
#include "ui/components/WidgetRender.h"
#include "ui/editing/QuickArchiveView.h"
#include "ui/editing/QuickArchiveWindow.h"
#include "ui/windows/MainWindowController.h"

using namespace quorvel;
namespace fs = std::filesystem;

namespace {

bool write(QuickArchiveView& view, const std::string& path) {
  auto* frame = Gtk::make_managed<Gtk::Box>();
  frame->set_size_request(QuickArchiveView::kWidth, QuickArchiveView::kHeight);
  view.set_hexpand(true);
  frame->append(view);
  WidgetRenderHost host(*frame);
  if (!host.showAndWait()) return false;
  if (!saveTexturePng(host.render(*frame), path)) {
    std::fprintf(stderr, "could not write %s\n", path.c_str());
    return false;
  }
  std::printf("%s\n", path.c_str());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  std::string empty = "archive-empty.png", files = "archive-files.png", screen;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--empty") == 0 && i + 1 < argc) empty = argv[++i];
    else if (std::strcmp(argv[i], "--files") == 0 && i + 1 < argc) files = argv[++i];
    else if (std::strcmp(argv[i], "--screen") == 0 && i + 1 < argc) screen = argv[++i];
    else {
      std::fprintf(stderr, "usage: quorvel-archive-render [--empty OUT.png] [--files OUT.png] [--screen OUT.png]\n");
      return 2;
    }
  }
  if (!quorvel::tools::startRenderTool("archive")) return 1;

  tools::ServedFakeWorkspace workspace;
  test::TestService& service = workspace.service;
  test::FakePages& pages = workspace.pages;
  auto& model = workspace.model;
  model->account().rememberProceeding(1188, "远航物流诉港丰货代运输合同纠纷");
  model->account().rememberProceeding(1042, "（2026）京0105民初1123号 · 一审");
  model->account().rememberProceeding(987, "陈某劳动争议仲裁");
  model->newTab("/proceeding/1207/detail", "刘某诉华盛科技买卖合同纠纷");
  runMainLoopUntil([] { return false; }, 100);

  // Nothing is asked or opened on the desktop.
  CancellingFilePanels panels;
  LoggingDesktop desktop;
  HotFolderWatcher inbox(pages.defaults, panels, desktop);
  Scanner scanner;
  WorkerPool workers(1);
  SystemClock clock;
  AuditLog audit(AuditLog::defaultFile(), clock);
  const QuickArchiveServices services{panels, inbox, scanner, workers, audit};
  auto* first = Gtk::make_managed<QuickArchiveView>(services, model, std::vector<fs::path>{}, "拖拽文件或扫描文稿直传卷宗",
                                                    false, [] {});
  if (!write(*first, empty)) return 1;
  if (getenv("ARCHIVE_DEBUG"))
    for (auto* w = first->targetList().get_first_child(); w; w = w->get_next_sibling()) {
      auto* box = w->get_first_child();
      auto* texts = box->get_first_child()->get_next_sibling();
      auto* title = texts->get_first_child();
      int mn, nat, a, b;
      title->measure(Gtk::Orientation::HORIZONTAL, -1, mn, nat, a, b);
      std::printf("row %d box %d texts %d title %d nat %d\n", w->get_width(), box->get_width(), texts->get_width(), title->get_width(), nat);
    }

  fs::path dir = fs::temp_directory_path() / "quorvel-archive-render";
  fs::create_directories(dir);
  std::vector<fs::path> three = {dir / "民事起诉状（华盛科技买卖合同纠纷）定稿.pdf", dir / "证据目录及证据说明.docx",
                                 dir / "银行转账记录截图.png"};
  test::writeFile(three[0], std::string(184320, 'p'));
  test::writeFile(three[1], std::string(36864, 'd'));
  test::writeFile(three[2], std::string(1572864, 'i'));
  auto* second = Gtk::make_managed<QuickArchiveView>(services, model, three, "拖入任务栏图标的 3 个文件", false, [] {});
  service.setPrefixRoute("/api/proc_quick_upload/",
                         [](const test::RecordedRequest&) { return test::Reply::json(R"({"success":true,"count":3})"); });
  second->selectTarget(1188);
  second->uploadAll();
  runMainLoopUntil([&] { return !second->uploading(); }, 10000);
  if (!write(*second, files)) return 1;

  if (!screen.empty()) {
    MainWindowController mainWindow(pages.defaults);
    QuickArchiveWindow archive(services, mainWindow);
    archive.setModel(model);
    archive.open(three, "来自热文件夹「墨衡台收件箱」", true);
    runMainLoopUntil([] { return false; }, 1500);
    archive.view()->scanButton().button().activate();
    runMainLoopUntil([] { return false; }, 1200);
    if (std::system(("import -window root " + screen).c_str()) != 0) return 1;
    std::printf("%s\n", screen.c_str());
    archive.reset();
  }
  fs::remove_all(dir);
  return 0;
}
