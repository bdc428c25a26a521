// Signal extraction from recognised screen text: case numbers, waybill numbers and
// dates in running text as a recogniser returns it (ASCII brackets, stray spaces,
// full-width forms, traditional "號"), each found as it stands in the text,
// de-duplication and the to-do snippets.
#include <gtest/gtest.h>

#include "features/recognition/LegalOCRSignals.h"

using namespace quorvel;
using V = std::vector<std::string>;

TEST(LegalOCRSignals, CaseNumbersInRunningText) {
  struct Row {
    const char* text;
    V expected;
  } rows[] = {
      {"案号：（2024）京0105民初23817号，请准时到庭。", {"（2024）京0105民初23817号"}},
      {"(2023) 沪 01 民终 456 号 判决书已送达", {"(2023)沪01民终456号"}},
      // The lazy count ends the number at its first "号".
      {"（2024）京0105民初23817号 张三诉李四案号", {"（2024）京0105民初23817号"}},
      // A line break between the bracket and the court stays inside the number.
      {"本院受理的（2022）\n粤0305民初1234号一案", {"（2022）\n粤0305民初1234号"}},
      // Nothing is rewritten: "號" is no "号", and the year starts with an ASCII "20".
      {"案號: (2024) 京0105民初23817號, 原告張三", {}},
      {"（２０２４）浙０１民初８８号", {}},
      {"(２０２４)京01民初1号", {}},
      // The number's own characters take ASCII digits only.
      {"（2024）浙０１民初８８号", {}},
      {"（1999）京01民初1号 与 (2024)号", {}},
      {"（2021）最高法民申12号、（2021）最高法民申12号、(2020)京民终7号",
       {"（2021）最高法民申12号", "(2020)京民终7号"}},
  };
  for (const auto& row : rows) EXPECT_EQ(extractSignals(row.text).caseNumbers, row.expected) << row.text;
}

TEST(LegalOCRSignals, WaybillNumbersAreWholeWords) {
  const std::string text =
      "顺丰 SF3052918847601 京东 JDVA00048573921 圆通 YT7702941835560 中通 ZT305819472263 "
      "EMS 73058194720011 韵达 4305819472263";
  EXPECT_EQ(extractSignals(text).trackingNumbers,
            (V{"SF3052918847601", "JDVA00048573921", "YT7702941835560", "ZT305819472263", "73058194720011",
               "4305819472263"}));

  struct Row {
    const char* text;
    V expected;
  } rows[] = {
      {"sf3052918847601 5305819472263", {}},
      {"XSF3052918847601 9SF3052918847601", {}},
      // The number as the text writes it, never rewritten.
      {"单号：SF３０５２９１８８４７６０１（已签收）", {"SF３０５２９１８８４７６０１"}},
      {"单号：ＳＦ３０５２９１８８４７６０１（已签收）", {}},
      {"SF3052918847601\n再次 SF3052918847601，第三次 SF3052918847601", {"SF3052918847601"}},
  };
  for (const auto& row : rows) EXPECT_EQ(extractSignals(row.text).trackingNumbers, row.expected) << row.text;
}

TEST(LegalOCRSignals, DatesWithOptionalTime) {
  struct Row {
    const char* text;
    V expected;
  } rows[] = {
      {"开庭时间：2024年3月5日 14:30 第七法庭", {"2024年3月5日 14:30"}},
      {"2024-03-05、2024/3/5 与 2024.03.05 9:05", {"2024-03-05", "2024/3/5", "2024.03.05 9:05"}},
      {"1999-01-01 不算，2024年03-05 算", {"2024年03-05"}},
      {"编号12024-01-01", {"2024-01-01"}},
      // Full-width forms are not rewritten into a date.
      {"期限：２０２４－１２－０１ 17：00 前", {}},
      {"期限：2024—12—01", {}},
      {"期限：2024年１２月０１日 17:00 前", {"2024年１２月０１日 17:00"}},
      {"2024年3月5日 与 2024年3月5日 14:30 与 2024年3月5日", {"2024年3月5日", "2024年3月5日 14:30"}},
  };
  for (const auto& row : rows) EXPECT_EQ(extractSignals(row.text).dates, row.expected) << row.text;
}

TEST(LegalOCRSignals, RawTextAndEmptyInput) {
  EXPECT_EQ(extractSignals(""), LegalOCRSignals{});
  EXPECT_EQ(extractSignals(" \n\t \n"), LegalOCRSignals{});
  auto s = extractSignals("\n  开庭通知\n２０２４－０３－０５  \n");
  // The shown text is the recogniser's own, only trimmed.
  EXPECT_EQ(s.rawText, "开庭通知\n２０２４－０３－０５");
  EXPECT_TRUE(s.dates.empty());
  EXPECT_FALSE(extractSignals("没有要素的一段话").hasSignals());
}

TEST(LegalOCRSignals, MatchingHelpers) {
  EXPECT_EQ(regexMatches("a1 b22 c333", R"(\d+)"), (V{"1", "22", "333"}));
  EXPECT_TRUE(regexMatches("abc", "(unclosed").empty());
  EXPECT_EQ(uniqueOrdered({"b", "a", "b", "c", "a"}), (V{"b", "a", "c"}));
}

TEST(LegalOCRSignals, TodoPrefills) {
  EXPECT_EQ(todoPrefillForItem("2024-03-05", "开庭通知\n2024-03-05 地点"), "2024-03-05 开庭通知 2024-03-05 地点");
  std::string hundred;
  for (int i = 0; i < 100; ++i) hundred += (i % 2 ? "案" : "a");
  std::string sixty;
  for (int i = 0; i < 60; ++i) sixty += (i % 2 ? "案" : "a");
  EXPECT_EQ(todoPrefillForText(hundred), sixty);
  // A flag is one character of the snippet, not four code points.
  EXPECT_EQ(textSnippet("🇨🇳中国", 2), "🇨🇳中");
  EXPECT_EQ(textSnippet("短", 40), "短");
}
