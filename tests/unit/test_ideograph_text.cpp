// The text maps of printed PDFs: radicals the fonts draw with an ideograph's glyph
// come out as that ideograph, and maps without them are left alone.
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/pdf/IdeographText.h"

using namespace quorvel::pdftext;

namespace {
// A map as the engine's PDF writer makes it, with the given mapping blocks.
std::string cmap(const std::string& blocks) {
  return "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n/CIDSystemInfo\n"
         "<<  /Registry (Adobe)\n/Ordering (UCS)\n/Supplement 0\n>> def\n/CMapName /Adobe-Identity-UCS def\n"
         "/CMapType 2 def\n1 begincodespacerange\n<00> <FF>\nendcodespacerange\n" +
         blocks + "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
}
}  // namespace

TEST(IdeographText, RadicalsOfBothBlocksNameTheirIdeograph) {
  EXPECT_EQ(ideographForRadical(0x2F08), U'人');
  EXPECT_EQ(ideographForRadical(0x2F2F), U'工');
  EXPECT_EQ(ideographForRadical(0x2F49), U'月');
  EXPECT_EQ(ideographForRadical(0x2F00), U'一');
  EXPECT_EQ(ideographForRadical(0x2FD5), U'龠');
  EXPECT_EQ(ideographForRadical(0x2EA0), U'民');
  EXPECT_EQ(ideographForRadical(0x2EC8), U'讠');
  EXPECT_EQ(ideographForRadical(0x2E87), char32_t{0x20628}) << "beyond the basic plane";
  for (char32_t other : {U'人', U'A', char32_t{0x2E80}, char32_t{0x2E9A}, char32_t{0x2FD6}, char32_t{0x2FDF}})
    EXPECT_EQ(ideographForRadical(other), 0u) << std::hex << static_cast<unsigned>(other);
}

TEST(IdeographText, CharacterEntriesAreRewrittenAndTheRestOfTheMapKept) {
  auto after = repairedToUnicode(cmap("5 beginbfchar\n<3B> <2F08>\n<51> <4ECA>\n<52> <2EA0>\n<53> <d840DE28>\n"
                                      "<54> <2E8700412F2F>\nendbfchar\n"));
  ASSERT_TRUE(after);
  EXPECT_EQ(*after, cmap("5 beginbfchar\n<3B> <4EBA>\n<51> <4ECA>\n<52> <6C11>\n<53> <D840DE28>\n"
                         "<54> <D841DE2800415DE5>\nendbfchar\n"));

  // Nothing to do: the map is not rewritten at all.
  EXPECT_FALSE(repairedToUnicode(cmap("2 beginbfchar\n<01> <4E2A>\n<02> <0041>\nendbfchar\n")));
  EXPECT_FALSE(repairedToUnicode(cmap("")));
  EXPECT_FALSE(repairedToUnicode("garbage < [ ( beginbfchar"));
  // A block that cannot be read stays as it is; the readable one is still repaired.
  auto mixed = repairedToUnicode(cmap("1 beginbfchar\n<01> <2F08> <02>\nendbfchar\n1 beginbfchar\n<03> <2F00>\nendbfchar\n"));
  ASSERT_TRUE(mixed);
  EXPECT_EQ(*mixed, cmap("1 beginbfchar\n<01> <2F08> <02>\nendbfchar\n1 beginbfchar\n<03> <4E00>\nendbfchar\n"));
}

TEST(IdeographText, RangesThatReachARadicalAreSpelledOutOthersKept) {
  auto after = repairedToUnicode(
      cmap("3 beginbfrange\n<10> <12> <2F07>\n<20> <21> <4E00>\n<30> <31> [<2F00> <0041>]\nendbfrange\n"));
  ASSERT_TRUE(after);
  EXPECT_EQ(*after, cmap("2 beginbfrange\n<20> <21> <4E00>\n<30> <31> [<4E00><0041>]\nendbfrange\n"
                         "3 beginbfchar\n<10> <4EA0>\n<11> <4EBA>\n<12> <513F>\nendbfchar\n"));
  // Two-byte codes counting over a byte boundary.
  auto wide = repairedToUnicode(cmap("1 beginbfrange\n<00FF> <0100> <2F48>\nendbfrange\n"));
  ASSERT_TRUE(wide);
  EXPECT_EQ(*wide, cmap("2 beginbfchar\n<00FF> <66F0>\n<0100> <6708>\nendbfchar\n"));
}

TEST(IdeographText, LongBlocksAreSplitAtAHundredEntries) {
  std::string entries;
  for (int i = 0; i < 150; ++i) {
    char line[32];
    std::snprintf(line, sizeof line, "<%04X> <2F%02X>\n", i, i);
    entries += line;
  }
  auto after = repairedToUnicode(cmap("150 beginbfchar\n" + entries + "endbfchar\n"));
  ASSERT_TRUE(after);
  EXPECT_NE(after->find("100 beginbfchar\n<0000> <4E00>\n"), std::string::npos);
  EXPECT_NE(after->find("endbfchar\n50 beginbfchar\n<0064> "), std::string::npos);
  EXPECT_EQ(after->find("<2F"), std::string::npos);
}
