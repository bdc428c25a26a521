// The scan run's progress window: its line and bar follow the run's state, and the
// window cannot be closed by the user before the run ends.
#include <gtest/gtest.h>

#include <cstdlib>

#include "base/MainQueue.h"
#include "ui/components/WidgetRender.h"
#include "ui/recognition/ScanProgressWindow.h"

using namespace quorvel;

TEST(ScanProgressWindow, LineAndBarFollowTheRun) {
  auto state = std::make_shared<ScannerOCR::ProgressState>(3);
  auto* body = Gtk::make_managed<ScanProgressBody>(state);
  EXPECT_EQ(body->line().get_text(), "正在处理第 1/3 份：准备中…");
  EXPECT_DOUBLE_EQ(body->fraction(), 0.0);
  state->moveTo(1, "判决书.pdf");
  EXPECT_EQ(body->line().get_text(), "正在处理第 2/3 份：判决书.pdf");
  EXPECT_NEAR(body->fraction(), 1.0 / 3, 1e-9);
  state->moveTo(3);
  EXPECT_EQ(body->line().get_text(), "正在处理第 3/3 份：判决书.pdf");  // never beyond the total
  EXPECT_DOUBLE_EQ(body->fraction(), 1.0);
  state->moveTo(1);
  std::string png = std::getenv("SCAN_PROGRESS_PNG") ? std::getenv("SCAN_PROGRESS_PNG") : "";
  if (!png.empty()) {
    auto rendered = renderWidgetToPng(*body, png);
    EXPECT_TRUE(rendered.ok()) << describe(rendered.error());
  }
  // No files still shows a run of one.
  ScannerOCR::ProgressState empty(0);
  EXPECT_EQ(empty.total, 1);
}

TEST(ScanProgressWindow, OpensTitledWithoutCloseAndClosesWhenTheRunEnds) {
  GtkScanProgressWindows windows;
  auto state = std::make_shared<ScannerOCR::ProgressState>(1);
  auto close = windows.open(state);
  auto toplevels = Gtk::Window::list_toplevels();
  Gtk::Window* shown = nullptr;
  for (auto* w : toplevels)
    if (w->get_title() == "扫描件识别") shown = w;
  ASSERT_NE(shown, nullptr);
  EXPECT_FALSE(shown->get_deletable());
  EXPECT_FALSE(shown->get_resizable());
  runMainLoopUntil([&] { return shown->get_mapped(); }, 3000);
  shown->close();  // refused while the run goes on
  drainMainLoop();
  EXPECT_TRUE(shown->get_visible());
  close();
  close();  // a second close does nothing
  for (auto* w : Gtk::Window::list_toplevels()) EXPECT_NE(w->get_title(), "扫描件识别");
}
