// quorvel-capture-render: the quick-capture form against the demo service, written
// to one PNG with three states: a line being typed (its date recognised), a save the
// service refused, and a save that went through.
//
//   xvfb-run -a build/tools/quorvel-capture-render --png capture.png [--screen screen.png]
//
// --screen also shows the real panel on the display with its date picker open and
// captures the screen (ImageMagick's import).
#include <gtk/gtk.h>
#include <gtkmm.h>

#include "common/RenderTool.h"
#include "common/ServedFakeWorkspace.h"
#include <gtkmm/init.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "TestHelpers.h"
#include "TestService.h"
#include "base/MainQueue.h"
#include "core/BrowserModel.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"
#include "ui/capture/QuickCapturePanel.h"
#include "ui/capture/QuickCaptureView.h"
#include "ui/components/LawStyle.h"
#include "ui/components/WidgetRender.h"

using namespace quorvel;

namespace {

Gtk::Widget* titled(const char* caption, QuickCaptureView& view) {
  auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
  auto* label = Gtk::make_managed<Gtk::Label>(caption);
  label->set_xalign(0);
  label->add_css_class("law-sheet-header-subtitle");
  box->append(*label);
  auto* frame = Gtk::make_managed<Gtk::Box>();
  frame->add_css_class("law-card");
  frame->set_overflow(Gtk::Overflow::HIDDEN);
  frame->append(view);
  box->append(*frame);
  return box;
}

}  // namespace

int main(int argc, char** argv) {
  std::string png = "quick-capture.png", screen;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--png") == 0 && i + 1 < argc) png = argv[++i];
    else if (std::strcmp(argv[i], "--screen") == 0 && i + 1 < argc) screen = argv[++i];
    else {
      std::fprintf(stderr, "usage: quorvel-capture-render [--png OUT.png] [--screen OUT.png]\n");
      return 2;
    }
  }
  if (!quorvel::tools::startRenderTool("capture")) return 1;

  tools::ServedFakeWorkspace workspace;
  test::TestService& service = workspace.service;
  test::FakePages& pages = workspace.pages;
  auto& model = workspace.model;
  model->account().rememberProceeding(1207, "刘某诉华盛科技买卖合同纠纷");
  model->account().rememberProceeding(1188, "远航物流仲裁案");
  model->account().rememberProceeding(1042, "（2026）京0105民初1123号");

  auto* typed = Gtk::make_managed<QuickCaptureView>(model, "", std::nullopt, [] {});
  typed->entry().set_text("下周五前核对华盛案证据目录并提交补充质证意见");
  typed->setTodoType(QuickCapture::TodoTypeOption::fatal);

  auto* failed = Gtk::make_managed<QuickCaptureView>(model, "后天开庭前准备代理词", std::nullopt, [] {});
  failed->setTodoType(QuickCapture::TodoTypeOption::hearing);
  auto* saved = Gtk::make_managed<QuickCaptureView>(model, "明天交答辩状", std::nullopt, [] {});

  auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 18);
  column->add_css_class("law-canvas");
  column->set_margin(0);
  auto* inner = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 18);
  inner->set_margin(24);
  inner->append(*titled("输入时识别日期", *typed));
  inner->append(*titled("服务端拒绝（HTTP 500）", *failed));
  inner->append(*titled("保存成功", *saved));
  column->append(*inner);

  service.setRoute("/api/quick_add_todo", [](const test::RecordedRequest&) {
    return test::Reply::text("服务器繁忙，请稍后再试（错误编号 QA-5021，请联系律所管理员）", 500);
  });
  failed->submit();
  runMainLoopUntil([&] { return !failed->submitting(); }, 10000);
  service.setRoute("/api/quick_add_todo",
                   [](const test::RecordedRequest&) { return test::Reply::json(R"({"success":true,"id":5521})"); });
  saved->submit();
  runMainLoopUntil([&] { return !saved->submitting(); }, 10000);

  if (auto rendered = renderWidgetToPng(*column, png); !rendered.ok()) {
    std::fprintf(stderr, "%s\n", rendered.error().message.c_str());
    return 1;
  }
  std::printf("%s\n", png.c_str());

  if (!screen.empty()) {
    QuickCapturePanel panel;
    panel.setModel(model);
    panel.show("下周五前核对华盛案证据目录");
    runMainLoopUntil([] { return false; }, 600);
    panel.view()->dateButton().activate();
    runMainLoopUntil([] { return false; }, 600);
    if (std::system(("import -window root " + screen).c_str()) != 0) return 1;
    std::printf("%s\n", screen.c_str());
    panel.reset();
  }
  return 0;
}
