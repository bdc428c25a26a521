// Exporting a tab's page as PDF and the print settings kept between prints.
#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "fakes/FakeFilePanels.h"
#include "web/PageExport.h"
#include "web/TabController.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

class PageExportTest : public ServiceTabFixture {
 protected:
  void SetUp() override {
    parts.filePanels = &panels;
    ServiceTabFixture::SetUp();
  }
  WebKitWebView* dashboard() {
    signIn();
    model = services->makeBrowserModel();
    auto tab = model->activeTab();
    show(tab);
    EXPECT_TRUE(waitLoaded(tab, "/dashboard"));
    return TabController::viewOf(tab->controller());
  }
  FakeFilePanels panels;
};

std::string pdfText(const fs::path& pdf) {
  gchar* out = nullptr;
  gint status = -1;
  std::string cmd = "pdftotext -enc UTF-8 '" + pdf.string() + "' -";
  EXPECT_TRUE(g_spawn_command_line_sync(cmd.c_str(), &out, nullptr, &status, nullptr));
  std::string text = out ? out : "";
  g_free(out);
  EXPECT_EQ(status, 0);
  return text;
}

// The text layer names what the page shows: the ideographs themselves, none of the
// radicals (Kangxi Radicals, CJK Radicals Supplement) the fonts draw with the same glyph.
void expectSearchableText(const std::string& text) {
  for (const char* word : {"个人工作台", "星期一", "民商事争议解决部", "2026年3月2日"})
    EXPECT_NE(text.find(word), std::string::npos) << word << " in\n" << text;
  const char* p = text.c_str();
  for (gunichar c; *p; p = g_utf8_next_char(p)) {
    c = g_utf8_get_char(p);
    EXPECT_FALSE(c >= 0x2E80 && c <= 0x2FDF) << "radical U+" << std::hex << c << " in the text layer";
  }
}
}  // namespace

TEST_F(PageExportTest, TheDashboardIsWrittenAsAPdfWithItsHeadingAndRevealed) {
  WebKitWebView* view = dashboard();
  ASSERT_NE(view, nullptr);
  fs::path dir = fs::path(g_get_home_dir()) / "导出";
  fs::create_directories(dir);
  panels.answer = dir / "工作台 2026";  // typed without the extension
  runToEnd((services->pageExport().exportPDFTask(view, "个人工作台/2026/03/02")), 70000);

  ASSERT_EQ(panels.asked.size(), 1u);
  EXPECT_EQ(panels.asked[0].suggestedName, "个人工作台-2026-03-02.pdf");
  EXPECT_EQ(panels.asked[0].mimeType, "application/pdf");
  fs::path pdf = dir / "工作台 2026.pdf";
  ASSERT_TRUE(fs::exists(pdf));
  expectSearchableText(pdfText(pdf));
  EXPECT_TRUE(logged("[Quorvel][PDF] 已导出 " + pdf.string() + " (" + std::to_string(fs::file_size(pdf)) + " 字节)"));
  EXPECT_TRUE(logged("未在文件管理器中显示 " + pdf.string()));
  EXPECT_FALSE(logged("导出失败"));
}

TEST_F(PageExportTest, CancellingTheSavePanelWritesAndShowsNothing) {
  WebKitWebView* view = dashboard();
  size_t before = logs.size();
  runToEnd((services->pageExport().exportPDFTask(view, "")), 70000);
  ASSERT_EQ(panels.asked.size(), 1u);
  EXPECT_EQ(panels.asked[0].suggestedName, "页面.pdf");
  std::vector<std::string> after(logs.begin() + static_cast<long>(before), logs.end());
  EXPECT_EQ(countContaining(after, "[PDF]"), 0);
  EXPECT_EQ(countContaining(after, "[ALERT]"), 0);
  EXPECT_EQ(countContaining(after, "[OPEN]"), 0);
}

TEST_F(PageExportTest, APrintToAPdfFileIsSearchableToo) {
  WebKitWebView* view = dashboard();
  ASSERT_NE(view, nullptr);
  fs::path pdf = fs::path(g_get_home_dir()) / "打印 输出.pdf";
  // What the print dialog hands over when the user picks the file printer.
  WebKitPrintOperation* op = services->pageExport().newPrintOperation(view);
  GtkPrintSettings* chosen = gtk_print_settings_copy(webkit_print_operation_get_print_settings(op));
  gtk_print_settings_set_printer(chosen, g_dgettext("gtk40", "Print to File"));
  gtk_print_settings_set(chosen, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  gchar* uri = g_filename_to_uri(pdf.c_str(), nullptr, nullptr);
  gtk_print_settings_set(chosen, GTK_PRINT_SETTINGS_OUTPUT_URI, uri);
  g_free(uri);
  webkit_print_operation_set_print_settings(op, chosen);
  g_object_unref(chosen);
  services->pageExport().restoreTextWhenPrintedToFile(op);
  webkit_print_operation_print(op);
  g_object_unref(op);

  ASSERT_TRUE(waitUntil([&] { return logged("[Quorvel][PRINT] 已打印到文件 " + pdf.string()); }, 60000));
  expectSearchableText(pdfText(pdf));
  EXPECT_FALSE(logged("文字层未能修正"));
}

TEST_F(PageExportTest, PrintingKeepsTheUsersChoicesButAlwaysFitsThePageWidth) {
  WebKitWebView* view = dashboard();
  for (int round = 0; round < 2; ++round) {
    WebKitPrintOperation* op = services->pageExport().newPrintOperation(view);
    GtkPrintSettings* s = webkit_print_operation_get_print_settings(op);
    EXPECT_DOUBLE_EQ(gtk_print_settings_get_scale(s), 100.0);
    if (round == 1) EXPECT_STREQ(gtk_print_settings_get_printer(s), "办公室打印机");
    // What a user might pick in the dialog.
    GtkPrintSettings* chosen = gtk_print_settings_copy(s);
    gtk_print_settings_set_printer(chosen, "办公室打印机");
    gtk_print_settings_set_scale(chosen, 50.0);
    webkit_print_operation_set_print_settings(op, chosen);
    g_object_unref(chosen);
    services->pageExport().rememberPrintChoices(op);
    g_object_unref(op);
    EXPECT_STREQ(gtk_print_settings_get_printer(services->pageExport().printSettings()), "办公室打印机");
    EXPECT_DOUBLE_EQ(gtk_print_settings_get_scale(services->pageExport().printSettings()), 100.0);
  }
}
