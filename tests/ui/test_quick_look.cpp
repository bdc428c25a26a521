// The preview window of our own: which files it shows itself, the GB18030 fall-back
// of plain text, one window switched between files, other types handed to the
// default application.
#include <gtest/gtest.h>

#include <fstream>

#include "TestHelpers.h"
#include "base/Log.h"
#include "platform/Desktop.h"
#include "ui/preview/QuickLookPreviewer.h"
#include "WebDavServer.h"

namespace quorvel::test {
namespace {
namespace fs = std::filesystem;

class QuickLookTest : public ::testing::Test {
 protected:
  fs::path dir;
  LoggingDesktop desktop;
  QuickLookPreviewer ql{desktop};
  std::vector<std::string> logs;
  void SetUp() override {
    char tmpl[] = "/tmp/quorvel-ql-XXXXXX";
    dir = mkdtemp(tmpl);
    setLogSink([this](const std::string& l) { logs.push_back(l); });
  }
  void TearDown() override {
    setLogSink({});
    ql.reset();
    fs::remove_all(dir);
  }
  fs::path write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir / name, std::ios::binary) << bytes;
    return dir / name;
  }
};

TEST_F(QuickLookTest, KindsAndTextEncodings) {
  using K = QuickLookPreviewer::Kind;
  EXPECT_EQ(QuickLookPreviewer::kindOf(write("a.pdf", WebDavServer::samplePdf("x", 1))), K::pdf);
  EXPECT_EQ(QuickLookPreviewer::kindOf(write("笔记.txt", "开庭")), K::text);
  EXPECT_EQ(QuickLookPreviewer::kindOf(write("a.docx", "PK\x03\x04 not really")), K::other);
  // A PNG signature is enough for the type; GdkPixbuf reads it.
  EXPECT_EQ(QuickLookPreviewer::kindOf(write("p.png", std::string("\x89PNG\r\n\x1a\n", 8))), K::image);

  EXPECT_EQ(QuickLookPreviewer::textAsUtf8("已是 UTF-8"), "已是 UTF-8");
  // "判决书" in GB18030.
  EXPECT_EQ(QuickLookPreviewer::textAsUtf8("\xC5\xD0\xBE\xF6\xCA\xE9"), "判决书");
}

TEST_F(QuickLookTest, OneWindowSwitchesFilesAndOtherTypesOpenElsewhere) {
  ql.preview(write("笔记.txt", "\xC5\xD0\xBE\xF6\xCA\xE9"));  // GB18030 text
  ASSERT_TRUE(ql.window());
  Gtk::Window* first = ql.window();
  EXPECT_EQ(ql.shownKind(), QuickLookPreviewer::Kind::text);
  EXPECT_EQ(ql.window()->get_title(), "快速预览 — 笔记.txt");

  ql.preview(write("合同.pdf", WebDavServer::samplePdf("Contract", 2)));
  EXPECT_EQ(ql.window(), first);
  EXPECT_EQ(ql.shownKind(), QuickLookPreviewer::Kind::pdf);
  EXPECT_EQ(ql.pageCount(), 2);
  ql.showPage(1);
  EXPECT_EQ(ql.pageIndex(), 1);
  ql.showPage(-3);
  EXPECT_EQ(ql.pageIndex(), 0);

  auto docx = write("庭审提纲.docx", "PK\x03\x04");
  ql.preview(docx);
  EXPECT_EQ(ql.current(), docx);
  bool handedOver = false;
  for (auto& l : logs) handedOver |= l.find("未打开外部链接 file://") != std::string::npos;
  EXPECT_TRUE(handedOver);
  EXPECT_EQ(ql.shownKind(), QuickLookPreviewer::Kind::pdf);  // the window keeps what it showed
}
}  // namespace
}  // namespace quorvel::test
