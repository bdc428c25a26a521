// quorvel-topbar-render: draws the main window's top bar with a few sample tabs (one
// hibernated, one loading, one active) and writes it to a PNG. The pages are stand-ins;
// nothing is loaded and the user's settings are not touched.
#include <gtk/gtk.h>
#include <gtkmm.h>

#include "common/RenderTool.h"
#include "ui/model/WorkspaceViewState.h"
#include <gtkmm/init.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/MainQueue.h"
#include "fakes/FakeWebPage.h"
#include "ui/components/LawStyle.h"
#include "ui/components/WidgetRender.h"
#include "ui/main/WorkspaceTopBar.h"

int main(int argc, char** argv) {
  std::string png = "topbar.png";
  int width = 1440;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) png = argv[++i];
    else if (std::strcmp(argv[i], "--width") == 0 && i + 1 < argc) width = std::atoi(argv[++i]);
    else {
      std::fprintf(stderr, "usage: quorvel-topbar-render [--png OUT.png] [--width PX]\n");
      return 2;
    }
  }
  if (!quorvel::tools::startRenderTool("topbar")) return 1;

  quorvel::UserDefaults defaults(quorvel::UserDefaults::standardFile());
  quorvel::test::FakePages pages{defaults};
  // Every page has history to go back to and answers the badge read with 12 overdue.
  pages.configure = [](quorvel::test::FakeWebPage& p) {
    p.back = true;
    p.answer = [](const std::string&, const nlohmann::json&) {
      return quorvel::JsResult::success(std::string(R"({"overdue": 12, "today": 3})"));
    };
  };
  auto model = pages.model();
  auto viewState = std::make_shared<quorvel::WorkspaceViewState>(pages.defaults);
  model->newTab("/cases", "全局案件中心");
  auto sleeping = model->newTab("/calendar", "开庭日历");
  model->newTab("/contract_detail/118", "房屋租赁合同纠纷（张某诉李某）一审代理");
  auto loading = model->newTab("/finance_dashboard", "财务看板");
  model->newTab("/proceeding/88", "（2024）京0105民初1234号");
  model->selectTab(0);
  model->hibernate(sleeping);
  loading->loadStarted();

  quorvel::WorkspaceTopBar bar(model, viewState);
  Gtk::Box box(Gtk::Orientation::VERTICAL);
  box.add_css_class("law-canvas");
  box.append(bar);
  {
    // The window is as wide as asked; the strip scrolls when the tabs do not fit.
    quorvel::ScopedAnimationsOff noAnimations;
    quorvel::WidgetRenderHost host(box, width, -1);
    auto texture = host.showAndWait() ? host.render(box) : Glib::RefPtr<Gdk::Texture>();
    if (!texture || !quorvel::saveTexturePng(texture, png)) {
      std::fprintf(stderr, "quorvel-topbar-render: could not draw or write %s\n", png.c_str());
      return 1;
    }
  }
  box.remove(bar);
  std::printf("%s\n", png.c_str());
  return 0;
}
