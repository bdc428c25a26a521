// The screen-recognition result window: a stubbed capture tool and a fake recogniser
// bring it up with the extracted signals; its buttons copy, open the workspace page
// or fill the quick to-do; a new result replaces it; the view's look in its fixed
// size. One case reads a rendered court notice with the real recogniser when the
// machine has it.
#include <gdkmm/clipboard.h>
#include <gdkmm/display.h>
#include <gtest/gtest.h>
#include <gtkmm/shortcutcontroller.h>
#include <pango/pangocairo.h>

#include <cstdlib>
#include <fstream>

#include "CaptureToolStub.h"
#include "ClipboardRead.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "TextFreeArea.h"
#include "core/BrowserModel.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeWebPage.h"
#include "base/WorkerPool.h"
#include "features/recognition/ScreenCaptureOCR.h"
#include "platform/ocr/TesseractPool.h"
#include "ui/components/WidgetRender.h"
#include "ui/recognition/ScreenOCRResultView.h"
#include "ui/recognition/ScreenOCRResultWindow.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

constexpr const char* kNoticeText =
    "北京市朝阳区人民法院\n开庭通知\n案号: (2024) 京0105民初23817号\n开庭时间 : 2024年3月5日 14:30 第七法庭\n"
    "请将证据材料寄至本院，顺丰运单 SF3052918847601，截止 2024-02-28";

void click(Gtk::Button& b) { g_signal_emit_by_name(b.gobj(), "clicked"); }


// Presses Escape on the view through its own shortcut.
bool pressEscape(ScreenOCRResultView& view) {
  bool pressed = false;
  auto controllers = view.observe_controllers();
  for (guint i = 0; i < controllers->get_n_items() && !pressed; ++i) {
    GObject* item = static_cast<GObject*>(g_list_model_get_item(controllers->gobj(), i));
    if (GTK_IS_SHORTCUT_CONTROLLER(item)) {
      GListModel* shortcuts = G_LIST_MODEL(item);
      for (guint j = 0; j < g_list_model_get_n_items(shortcuts) && !pressed; ++j) {
        auto* shortcut = GTK_SHORTCUT(g_list_model_get_item(shortcuts, j));
        GtkShortcutTrigger* trigger = gtk_shortcut_get_trigger(shortcut);
        if (GTK_IS_KEYVAL_TRIGGER(trigger) && gtk_keyval_trigger_get_keyval(GTK_KEYVAL_TRIGGER(trigger)) == GDK_KEY_Escape)
          pressed = gtk_shortcut_action_activate(gtk_shortcut_get_action(shortcut), GTK_SHORTCUT_ACTION_EXCLUSIVE,
                                                 GTK_WIDGET(view.gobj()), nullptr);
        g_object_unref(shortcut);
      }
    }
    g_object_unref(item);
  }
  return pressed;
}

class ScreenOCRWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    model = freshFakeModel(pages);
    results = std::make_unique<ScreenOCRResultWindow>(dialogs, ScreenOCRResultWindow::Hooks{
        [this] { return model; }, [this](const std::string& prefill) { prefills.push_back(prefill); }, {}});
  }

  ScreenOCRResultView& show(const std::string& text) {
    results->present(extractSignals(text));
    EXPECT_TRUE(waitUntil([&] { return results->activeWindow()->get_mapped(); }, 5000));
    return *results->activeView();
  }
  const ScreenOCRResultView::Row* row(const std::string& item) {
    for (const auto& r : results->activeView()->rows())
      if (r.item == item) return &r;
    return nullptr;
  }

  TempHome home;
  FakePages pages{home.defaults()};
  FakeDialogs dialogs;
  TesseractPools pools;
  WorkerPool workers{2};
  std::shared_ptr<BrowserModel> model;
  std::unique_ptr<ScreenOCRResultWindow> results;
  std::vector<std::string> prefills;
};

TEST_F(ScreenOCRWindowTest, StubbedCaptureShowsTheExtractedSignals) {
  CaptureToolStub tools;
  auto image = tools.dir() / "region.png";
  writeBlankPng(image);
  tools.installCopying("maim", image);
  ScreenCaptureOCR service(dialogs, workers, {AppMode::normal, [](const std::string&) { return std::string(kNoticeText); },
                            [this](const LegalOCRSignals& s) { results->present(s); }, {}});
  service.captureAndAnalyze();
  ASSERT_TRUE(waitUntil([&] { return results->activeWindow() && results->activeWindow()->get_mapped(); },
                               15000));

  auto* window = results->activeWindow();
  EXPECT_EQ(window->get_title(), "屏幕识别 · 案号 / 单号 / 日期智提");
  auto& view = *results->activeView();
  std::vector<std::pair<OCRSignalSection::Kind, std::string>> shown;
  for (const auto& r : view.rows()) {
    shown.emplace_back(r.kind, r.chip->get_text());
    EXPECT_TRUE(r.chip->get_mapped());
  }
  using K = OCRSignalSection::Kind;
  EXPECT_EQ(shown, (decltype(shown){{K::caseNumbers, "(2024)京0105民初23817号"},
                                    {K::trackingNumbers, "SF3052918847601"},
                                    {K::dates, "2024年3月5日 14:30"},
                                    {K::dates, "2024-02-28"}}));
  EXPECT_EQ(row("SF3052918847601")->button->get_label(), "查签收");
  EXPECT_EQ(std::string(view.textBlock().get_text()), kNoticeText);
}

TEST_F(ScreenOCRWindowTest, SectionButtonsCopyAndOpenTheirPage) {
  // No tab open: the page opens in a new one.
  for (auto tabs = model->tabs().get(); !tabs.empty(); tabs = model->tabs().get()) model->close(tabs.front());
  show(kNoticeText);
  click(*row("(2024)京0105民初23817号")->button);
  EXPECT_FALSE(results->activeWindow()->get_visible());
  EXPECT_EQ(readClipboardText(), "(2024)京0105民初23817号");
  ASSERT_EQ(model->tabs().get().size(), 1u);
  EXPECT_EQ(model->activePath().get(), "/cases");
  EXPECT_EQ(model->activeTab()->title.get(), "新标签");

  show(kNoticeText);
  click(*row("SF3052918847601")->button);
  EXPECT_EQ(readClipboardText(), "SF3052918847601");
  EXPECT_EQ(model->tabs().get().size(), 1u) << "the active tab is reused";
  EXPECT_EQ(model->activePath().get(), "/logistics");
  EXPECT_TRUE(prefills.empty());
}

TEST_F(ScreenOCRWindowTest, TodoButtonsFillTheQuickCapture) {
  show("开庭通知\n2024-03-05 地点");
  click(*row("2024-03-05")->button);
  EXPECT_FALSE(results->activeWindow()->get_visible());

  std::string hundred;
  for (int i = 0; i < 50; ++i) hundred += "案a";
  auto& view = show(hundred);
  click(view.todoButton());
  ASSERT_EQ(prefills.size(), 2u);
  EXPECT_EQ(prefills[0], "2024-03-05 开庭通知 2024-03-05 地点");
  std::string sixty;
  for (int i = 0; i < 30; ++i) sixty += "案a";
  EXPECT_EQ(prefills[1], sixty);

  // Without a quick-capture panel the user is told so instead.
  ScreenOCRResultWindow bare(dialogs, {[this] { return model; }, {}, {}});
  bare.present(extractSignals("开庭通知 2024-03-05"));
  click(bare.activeView()->todoButton());
  ASSERT_EQ(dialogs.shown.size(), 1u);
  EXPECT_EQ(dialogs.shown[0].title, "快捷记待办暂不可用");
}

TEST_F(ScreenOCRWindowTest, CopyEscapeAndReplacement) {
  auto& first = show(kNoticeText);
  click(first.copyButton());
  EXPECT_EQ(first.copyButton().get_label(), "已复制");
  EXPECT_EQ(readClipboardText(), std::string(kNoticeText));
  EXPECT_TRUE(results->activeWindow()->get_visible());

  ASSERT_TRUE(pressEscape(first));
  EXPECT_FALSE(results->activeWindow()->get_visible());

  // A second result, while the first window is shown, hides it and shows a fresh view.
  results->activeWindow()->present();
  ASSERT_TRUE(waitUntil([&] { return results->activeWindow()->get_mapped(); }, 5000));
  show(kNoticeText);
  EXPECT_TRUE(results->activeWindow()->get_visible());
  EXPECT_EQ(results->activeView()->copyButton().get_label(), "复制全部文字");
  int visible = 0;
  for (auto* w : Gtk::Window::list_toplevels())
    if (w->get_visible() && w->get_title() == ScreenOCRResultWindow::kTitle) ++visible;
  EXPECT_EQ(visible, 1);
}

TEST_F(ScreenOCRWindowTest, EmptyAndSignalFreeTexts) {
  auto& empty = show("  \n ");
  EXPECT_EQ(empty.signalsCard(), nullptr);
  EXPECT_EQ(std::string(empty.textBlock().get_text()), ScreenOCRResultView::kEmptyNotice);
  EXPECT_TRUE(empty.textBlock().has_css_class("law-ocr-empty"));
  EXPECT_FALSE(empty.copyButton().get_sensitive());
  EXPECT_FALSE(empty.todoButton().get_sensitive());

  auto& plain = show("没有任何要素的一段文字");
  EXPECT_EQ(plain.signalsCard(), nullptr);
  EXPECT_TRUE(plain.copyButton().get_sensitive());
}

TEST_F(ScreenOCRWindowTest, ViewRendersAtItsFixedSizeWithTintedChips) {
  auto* view = Gtk::make_managed<ScreenOCRResultView>(extractSignals(kNoticeText));
  WidgetRenderHost host(*view, ScreenOCRResultView::kWidth, ScreenOCRResultView::kHeight);
  ASSERT_TRUE(host.showAndWait());
  auto texture = host.render(*view);
  ASSERT_TRUE(texture);
  if (const char* dir = std::getenv("QUORVEL_RENDER_DIR")) saveTexturePng(texture, std::string(dir) + "/screen-ocr.png");
  auto pixels = texturePixels(texture);
  EXPECT_EQ(pixels.width, ScreenOCRResultView::kWidth);
  EXPECT_EQ(pixels.height, ScreenOCRResultView::kHeight);

  // Each chip is filled with its section colour at 0.1 over the white card, read
  // beside its text.
  const TextFreeArea noText(*view);
  for (const auto& r : view->rows()) {
    const auto p = noText.pointIn(*r.chip);
    ASSERT_TRUE(p) << r.item;
    uint32_t px = pixels.at(p->x, p->y);
    LawColor colour = ocrSignalSections()[static_cast<int>(r.kind)].color;
    auto expect = [&](double c) { return static_cast<int>(255 * (0.9 + 0.1 * c) + 0.5); };
    EXPECT_NEAR(static_cast<int>((px >> 16) & 0xFF), expect(colour.r), 3) << r.item;
    EXPECT_NEAR(static_cast<int>((px >> 8) & 0xFF), expect(colour.g), 3) << r.item;
    EXPECT_NEAR(static_cast<int>(px & 0xFF), expect(colour.b), 3) << r.item;
  }
}

// ---- With the real recogniser ---------------------------------------------------------

void renderNotice(const fs::path& path) {
  cairo_surface_t* s = cairo_image_surface_create(CAIRO_FORMAT_RGB24, 1000, 280);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 1, 1, 1);
  cairo_paint(cr);
  cairo_set_source_rgb(cr, 0.1, 0.1, 0.1);
  PangoLayout* layout = pango_cairo_create_layout(cr);
  PangoFontDescription* font = pango_font_description_from_string("Noto Sans CJK SC 26px");
  pango_layout_set_font_description(layout, font);
  pango_layout_set_text(layout,
                        "北京市朝阳区人民法院 开庭传票\n案号：（2024）京0105民初23817号\n"
                        "开庭时间：2024年3月5日 14:30 第七法庭\n顺丰运单 SF3052918847601 已签收",
                        -1);
  pango_layout_set_spacing(layout, 14 * PANGO_SCALE);
  cairo_move_to(cr, 24, 20);
  pango_cairo_show_layout(cr, layout);
  pango_font_description_free(font);
  g_object_unref(layout);
  cairo_destroy(cr);
  cairo_surface_write_to_png(s, path.c_str());
  cairo_surface_destroy(s);
}

TEST_F(ScreenOCRWindowTest, RealRecogniserReadsARenderedNotice) {
  // The recogniser the application runs, with traditional Chinese among its languages:
  // a simplified notice still reads as simplified.
  CaptureToolStub tools;
  auto image = tools.dir() / "notice.png";
  renderNotice(image);
  tools.installCopying("maim", image);
  ScreenCaptureOCR service(dialogs, workers, {AppMode::normal, ScreenCaptureOCR::deviceRecognizer(pools),
                            [this](const LegalOCRSignals& s) { results->present(s); }, {}});
  service.captureAndAnalyze();
  ASSERT_TRUE(waitUntil([&] { return service.runningCaptures() == 0; }, 60000));
  ASSERT_TRUE(results->activeView());
  const auto& s = results->activeView()->signals();
  EXPECT_EQ(s.caseNumbers, std::vector<std::string>{"(2024)京0105民初23817号"}) << s.rawText;
  EXPECT_EQ(s.trackingNumbers, std::vector<std::string>{"SF3052918847601"}) << s.rawText;
  EXPECT_EQ(s.dates, std::vector<std::string>{"2024年3月5日 14:30"}) << s.rawText;
}

}  // namespace
