// quorvel-todo-render: the to-do sheet and the tray's menu-bar panel with the demo
// service's to-do data, written to PNG. The workspace signs in to the in-process test
// service, reads badges and deadlines through its page like the client does, then
// draws both views.
//
//   xvfb-run -a -s "-screen 0 1600x1000x24" build/tools/quorvel-todo-render \
//       --sheet todo-sheet.png --panel menubar-panel.png [--kind soon] [--filter 王五] [--hover] [--signed-out]
#include <gtk/gtk.h>
#include <gtkmm/init.h>
#include <libsoup/soup.h>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "TestEnv.h"
#include "ui/model/WorkspaceViewState.h"
#include "common/RenderWorkspace.h"
#include "TestService.h"
#include "TestServiceTodos.h"
#include "app/AppServices.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "ui/components/LawStyle.h"
#include "ui/components/WidgetRender.h"
#include "ui/main/MainWindow.h"
#include "ui/todos/TodoSheet.h"
#include "ui/tray/MenuBarView.h"
#include "web/WebEngine.h"

using namespace quorvel;

namespace {
int usage() {
  std::fprintf(stderr,
               "usage: quorvel-todo-render [--sheet FILE] [--panel FILE] [--kind overdue|today|soon|verify|hearings]"
               " [--filter TEXT] [--hover] [--signed-out]\n");
  return 2;
}

void settle(unsigned ms) {
  auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  runMainLoopUntil([&] { return std::chrono::steady_clock::now() >= until; }, ms + 100);
}

Gtk::Widget* firstWithClass(Gtk::Widget& w, const char* cls) {
  if (w.has_css_class(cls)) return &w;
  for (auto* c = w.get_first_child(); c; c = c->get_next_sibling())
    if (auto* found = firstWithClass(*c, cls)) return found;
  return nullptr;
}

// Draws `content` at the given size (-1: natural) and writes it.
bool write(Gtk::Widget& content, int width, int height, const std::string& path,
           const std::function<void()>& beforeShot = {}) {
  WidgetRenderHost host(content, width, height);
  if (!host.showAndWait()) return false;
  if (beforeShot) beforeShot();
  settle(400);
  host.waitForFrame();
  auto texture = host.render(content);
  return texture && saveTexturePng(texture, path);
}
}  // namespace

int main(int argc, char** argv) {
  std::string sheetPng, panelPng, filter;
  TodoKind kind = TodoKind::overdue;
  bool hover = false, signedOut = false;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--sheet") == 0 && i + 1 < argc) sheetPng = argv[++i];
    else if (std::strcmp(argv[i], "--panel") == 0 && i + 1 < argc) panelPng = argv[++i];
    else if (std::strcmp(argv[i], "--filter") == 0 && i + 1 < argc) filter = argv[++i];
    else if (std::strcmp(argv[i], "--kind") == 0 && i + 1 < argc) {
      auto k = TodoKinds::fromRawValue(argv[++i]);
      if (!k) return usage();
      kind = *k;
    } else if (std::strcmp(argv[i], "--hover") == 0) hover = true;
    else if (std::strcmp(argv[i], "--signed-out") == 0) signedOut = true;
    else return usage();
  }
  if (sheetPng.empty() && panelPng.empty()) return usage();

  tools::RenderWorkspace workspace{[](test::TestService& s) { test::useTodoDemoData(s); }, !signedOut};
  auto& services = workspace.services;

  // The main window hosts the tab whose page the reads run in.
  auto model = services.browser();
  auto viewState = services.viewState();
  auto* window = new MainWindow(model, viewState, services.toolWindows(), &services.privacyLock());
  window->set_default_size(1200, 800);
  window->present();
  runMainLoopUntil([&] { return model->account().badges->loaded; }, 20000);
  bool fetched = false;
  model->reads().fetchDeadlines([&] { fetched = true; });
  runMainLoopUntil([&] { return fetched; }, 10000);
  settle(300);
  viewState->todoKind.set(kind);

  int status = 0;
  if (!sheetPng.empty()) {
    auto* sheet = Gtk::make_managed<TodoSheet>(model, viewState);
    if (!filter.empty()) sheet->setFilterText(filter);
    bool ok = write(*sheet, 860, 580, sheetPng, [&] {
      runMainLoopUntil([&] { return !sheet->loading(); }, 10000);
      if (hover) {
        if (auto* card = firstWithClass(sheet->list(), "law-todo-card")) card->set_state_flags(Gtk::StateFlags::PRELIGHT);
        sheet->pill(TodoKind::hearings).set_state_flags(Gtk::StateFlags::PRELIGHT);
      }
    });
    std::printf("%s\n", ok ? sheetPng.c_str() : "sheet render failed");
    if (!ok) status = 1;
  }
  if (!panelPng.empty()) {
    MenuBarView::Actions actions;
    actions.quickCapture = [] {};
    actions.toggleDesktopCalendar = [] {};
    actions.syncCalendarNow = [] {};
    actions.calendarSyncEnabled = [] { return true; };
    MenuBarView view(model, viewState, actions);
    view.refreshRows();
    auto& content = view.content();
    view.window().unset_child();
    auto* frame = Gtk::make_managed<Gtk::Box>();
    frame->add_css_class("law-canvas");
    content.set_margin(16);
    frame->append(content);
    bool ok = write(*frame, -1, -1, panelPng, [&] {
      if (hover) {
        view.counterBox(TodoKind::soon).set_state_flags(Gtk::StateFlags::PRELIGHT);
        view.counterBox(TodoKind::verify).set_state_flags(Gtk::StateFlags::PRELIGHT);
        view.rowButton(MenuBarCommand::quickCapture)->set_state_flags(Gtk::StateFlags::PRELIGHT);
        view.rowButton(MenuBarCommand::quit)->set_state_flags(Gtk::StateFlags::PRELIGHT);
      }
    });
    std::printf("%s\n", ok ? panelPng.c_str() : "panel render failed");
    if (!ok) status = 1;
  }
  delete window;
  return status;
}
