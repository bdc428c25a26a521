// Recognition of printed waybills and court notices the test draws with the installed
// CJK fonts, and the bounds on what a page may hand over.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "ScanSamples.h"
#include "features/recognition/OcrEngine.h"
#include "platform/ocr/TesseractPool.h"

using namespace quorvel;
using namespace quorvel::test;

TEST(OcrEngine, WaybillPhotoGivesItsFields) {
  TesseractPools pools;
  std::string png = textPagePng({"顺丰速运  标准快递", "运单号：SF1402938475612", "寄件人：张明 13800000000 北京市朝阳区",
                                 "收件人：李华 电话 010-62345678", "备注：合同原件"},
                                900, 420);
  auto r = OcrEngine::analyze(pools, pngDataURL(png));
  EXPECT_EQ(r["tracking_no"], "SF1402938475612");
  EXPECT_EQ(r["courier"], "顺丰");
  EXPECT_EQ(r["sender"], "张明");
  EXPECT_EQ(r["recipient"], "李华");
  EXPECT_EQ(r["remark"], "合同原件");
  EXPECT_EQ(r["status"], "green");
  EXPECT_EQ(r["msg"], "识别成功");
  // The bare base64 after the comma reads the same.
  auto bare = OcrEngine::analyze(pools, pngDataURL(png).substr(std::string("data:image/png;base64,").size()));
  EXPECT_EQ(bare, r);
}

TEST(OcrEngine, CourtNoticeGivesCaseNumberAndHearingDate) {
  TesseractPools pools;
  auto dir = std::filesystem::temp_directory_path() / ("ocr-notice-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  auto file = dir / "传票.png";
  std::ofstream(file, std::ios::binary)
      << textPagePng({"北京市朝阳区人民法院", "传  票", "案号：（2026）京0105民初12345号", "开庭时间：2026年3月18日 上午9:30",
                      "地点：第三法庭"},
                     1000, 420);
  std::string text = OcrEngine::textFromImageFile(pools, file.string());
  std::string flat = withoutSpaces(WaybillText::normalisePunctuation(text));
  EXPECT_NE(flat.find("（2026）京0105民初12345号"), std::string::npos) << text;
  EXPECT_NE(flat.find("2026年3月18日"), std::string::npos) << text;
  EXPECT_NE(text.find('\n'), std::string::npos);  // one line per recognised line
  auto lines = OcrEngine::lines(pools, *loadImageFile(file));
  ASSERT_GE(lines.size(), 4u);
  // Boxes normalised with the origin at the lower left: the first line lies highest.
  EXPECT_GT(lines.front().y, lines.back().y);
  for (const auto& l : lines) {
    EXPECT_GE(l.x, 0);
    EXPECT_LE(l.x + l.width, 1.0001);
    EXPECT_GT(l.height, 0);
  }
  EXPECT_EQ(OcrEngine::textFromImageFile(pools, (dir / "missing.png").string()), "");
  std::filesystem::remove_all(dir);
}

TEST(OcrEngine, UnreadableAndOversizedImagesAreRefusedQuickly) {
  TesseractPools pools;
  auto failed = [](const nlohmann::json& r) { return r["status"] == "red" && r["msg"] == "图片解析失败"; };
  EXPECT_TRUE(failed(OcrEngine::analyze(pools, "data:image/png;base64,")));
  EXPECT_TRUE(failed(OcrEngine::analyze(pools, "data:image/png;base64,bm90IGFuIGltYWdl")));
  auto start = std::chrono::steady_clock::now();
  // Over 30 MB of data URL.
  EXPECT_TRUE(failed(OcrEngine::analyze(pools, "data:image/png;base64," + std::string(31u * 1024 * 1024, 'A'))));
  // A blank 8000 x 7000 PNG is small but 56 megapixels.
  cairo_surface_t* huge = cairo_image_surface_create(CAIRO_FORMAT_A1, 8000, 7000);
  std::string png = pngBytes(huge);
  cairo_surface_destroy(huge);
  ASSERT_LT(png.size(), 30u * 1024 * 1024);
  EXPECT_TRUE(failed(OcrEngine::analyze(pools, pngDataURL(png))));
  EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 10.0);  // a loaded machine
  // A readable picture without any number: red, asking for the number by hand.
  auto blank = OcrEngine::analyze(pools, pngDataURL(textPagePng({"收件人：档案室"}, 400, 120)));
  EXPECT_EQ(blank["status"], "red");
  EXPECT_EQ(blank["msg"], "未识别到单号，请手动填写");
  EXPECT_EQ(blank["recipient"], "档案室");
}

TEST(OcrEngine, ATallPageReadInBandsKeepsOrderAndBoxes) {
  TesseractPools pools;
  std::vector<std::string> numbered;
  for (int i = 1; i <= 24; ++i) numbered.push_back("第" + std::to_string(i) + "条 当事人应当按时到庭参加诉讼");
  cairo_surface_t* s = drawTextPage(numbered, 1240, 2400, 30, 60);
  Bitmap page = bitmapFromArgb32(cairo_image_surface_get_data(s), 1240, 2400, cairo_image_surface_get_stride(s));
  cairo_surface_destroy(s);
  auto banded = OcrEngine::lines(pools, page);
  ASSERT_EQ(banded.size(), 24u);
  for (std::size_t i = 0; i < banded.size(); ++i) {
    EXPECT_EQ(withoutSpaces(banded[i].text), withoutSpaces(numbered[i])) << i;
    // The line's top edge, from the lower-left origin, where it was drawn (within 12 px).
    double drawnTop = 1.0 - (60 + 54.0 * i) / 2400;
    EXPECT_NEAR(banded[i].y + banded[i].height, drawnTop, 0.005) << banded[i].text;
    EXPECT_NEAR(banded[i].height, 30.0 / 2400, 0.005) << banded[i].text;
  }
}
