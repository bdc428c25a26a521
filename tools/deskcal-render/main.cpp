// quorvel-deskcal-render: the desktop calendar panel with the demo service's schedule,
// written to one PNG: the month view on the wallpaper (glass), the upcoming list in
// front of other windows, and the error state of a feed that could not be read.
//
//   xvfb-run -a build/tools/quorvel-deskcal-render --png deskcal.png [--font-scale 1.15]
#include <gtk/gtk.h>
#include <gtkmm.h>
#include <gtkmm/init.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "TestHelpers.h"
#include "TestServiceCalendar.h"
#include "base/AppError.h"
#include "base/MainQueue.h"
#include "core/BrowserModel.h"
#include "features/calendar/ICSParser.h"
#include "fakes/FakeWebPage.h"
#include "features/calendar/DesktopCalendarModel.h"
#include "platform/UserDefaults.h"
#include "ui/calendar/DesktopCalendarView.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/components/LawStyle.h"
#include "ui/components/WidgetRender.h"

using namespace quorvel;

namespace {

std::unique_ptr<DesktopCalendarModel> makeStore(bool failing) {
  DesktopCalendarModel::Services s;
  s.fetchLiveEvents = [failing](bool) -> Task<std::vector<ICSEvent>> {
    if (failing) throw AppError("AppleCal", 2, "未在订阅页找到日历订阅链接，请确认已登录并开通日历订阅");
    co_return ICSParser::parse(test::demoCalendarFeed());
  };
  s.deadlines = [] { return Deadlines{}; };
  s.after = [](unsigned, std::function<void()>) {};
  return std::make_unique<DesktopCalendarModel>(std::move(s));
}

Gtk::Widget* panel(DesktopCalendarView* view) {
  auto* frame = Gtk::make_managed<Gtk::Box>();
  frame->set_size_request(392, 650);
  view->set_hexpand(true);
  frame->append(*view);
  return frame;
}

}  // namespace

int main(int argc, char** argv) {
  std::string png = "deskcal.png";
  double fontScale = 1.0;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) png = argv[++i];
    else if (std::strcmp(argv[i], "--font-scale") == 0 && i + 1 < argc) fontScale = std::atof(argv[++i]);
    else {
      std::fprintf(stderr, "usage: quorvel-deskcal-render [--png OUT.png] [--font-scale 0.9|1.0|1.15]\n");
      return 2;
    }
  }
  char tmpl[] = "/tmp/quorvel-deskcal-XXXXXX";
  if (!mkdtemp(tmpl)) return 1;
  setenv("XDG_CONFIG_HOME", tmpl, 1);
  setenv("XDG_DATA_HOME", tmpl, 1);
  setenv("XDG_CACHE_HOME", tmpl, 1);

  gtk_init();
  Gtk::init_gtkmm_internals();
  markMainThread();
  installLawStyle();

  UserDefaults workspaceDefaults(UserDefaults::standardFile());
  test::FakePages pages{workspaceDefaults};
  auto model = test::freshFakeModel(pages);
  quorvel::Published<double> workspaceScale{fontScale};
  UserDefaults defaults{std::string(tmpl) + "/dc.json"};

  auto live = makeStore(false);
  auto failed = makeStore(true);
  test::runToEnd(live->refresh(false));
  test::runToEnd(failed->refresh(false));

  DesktopCalendarWindow glassWin(defaults, *live, nullptr, {}, &workspaceScale);
  glassWin.setPlacement(DesktopCalendarPlacement::desktop);
  auto* month = Gtk::make_managed<DesktopCalendarView>(model, *live, glassWin);

  UserDefaults defaults2{std::string(tmpl) + "/dc2.json"};
  DesktopCalendarWindow frontWin(defaults2, *live, nullptr, {}, &workspaceScale);
  frontWin.setPlacement(DesktopCalendarPlacement::floating);
  frontWin.setPositionLocked(true);
  auto* upcoming = Gtk::make_managed<DesktopCalendarView>(model, *live, frontWin);
  upcoming->setScope(DesktopListScope::upcoming);
  upcoming->setFilter(DesktopFilterKind::all);

  UserDefaults defaults3{std::string(tmpl) + "/dc3.json"};
  DesktopCalendarWindow errWin(defaults3, *failed, nullptr, {}, &workspaceScale);
  errWin.setPlacement(DesktopCalendarPlacement::normal);
  auto* error = Gtk::make_managed<DesktopCalendarView>(model, *failed, errWin);

  for (auto* v : {month, upcoming, error}) v->syncNow();

  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 28);
  row->set_margin(28);
  row->append(*panel(month));
  row->append(*panel(upcoming));
  row->append(*panel(error));
  auto* wallpaper = Gtk::make_managed<Gtk::Box>();
  wallpaper->add_css_class("law-sidebar-backdrop");
  wallpaper->append(*row);

  if (auto rendered = renderWidgetToPng(*wallpaper, png); !rendered.ok()) {
    std::fprintf(stderr, "render failed: %s\n", rendered.error().message.c_str());
    return 1;
  }
  std::printf("%s\n", png.c_str());
  return 0;
}
