// The mirror sheet's detail as plain values: the rows of its one list with each row's
// place in its card, the keys that decide which rows a store change redraws, and the
// header bar's summary and buttons.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/ByteCount.h"
#include "ui/model/ListEdits.h"
#include "ui/model/MirrorDetailRows.h"

namespace quorvel {
namespace {

using Kind = MirrorDetailRow::Kind;

std::vector<MirrorFolder> someFolders() {
  return {{"(根目录)", 2, 300}, {"00_合同公共材料", 5, 12000}, {"02_庭审材料", 1, 800}};
}

std::vector<MirrorDiff> diffsOf(int n, const std::string& idPrefix = "A") {
  std::vector<MirrorDiff> out;
  for (int i = 0; i < n; ++i) {
    MirrorDiff d;
    d.id = idPrefix + std::to_string(i);
    d.file.rel = "卷宗/文件" + std::to_string(i) + ".pdf";
    d.file.path = "案件/2026/" + d.file.rel;
    d.file.size = 1000 + i;
    d.kind = i % 2 ? MirrorDiffKind::newer : MirrorDiffKind::missing;
    d.localSize = i % 2 ? 10 : 0;
    out.push_back(d);
  }
  return out;
}

std::vector<std::string> keysOf(const std::vector<MirrorDetailRow>& rows) {
  std::vector<std::string> keys;
  for (const auto& r : rows) keys.push_back(mirrorDetailRowKey(r));
  return keys;
}

TEST(MirrorDetailRows, FolderCardThenDifferenceCardEachRowKnowingItsPlace) {
  const std::set<std::string> ticks{"(根目录)"};
  auto rows = mirrorDetailRows(someFolders(), ticks, diffsOf(2), false);
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows[0].kind, Kind::folder);
  EXPECT_EQ(rows[0].id, "(根目录)");  // selection keeps the key
  EXPECT_EQ(rows[0].text, "合同根目录文件");
  EXPECT_TRUE(rows[0].checked);
  EXPECT_FALSE(rows[1].checked);
  EXPECT_EQ(mirrorFolderAccessibleName(rows[0]), "合同根目录文件，已勾选");
  EXPECT_EQ(mirrorFolderAccessibleName(rows[2]), "02_庭审材料，未勾选");
  EXPECT_TRUE(rows[0].firstInCard && !rows[0].lastInCard && !rows[0].secondCard);
  EXPECT_TRUE(rows[2].lastInCard && !rows[2].lastInList);
  EXPECT_EQ(rows[3].kind, Kind::diffHead);
  EXPECT_EQ(rows[3].text, "本地与服务器差异（2）");
  EXPECT_TRUE(rows[3].firstInCard && rows[3].secondCard && rows[3].enabled);
  EXPECT_EQ(rows[4].kind, Kind::diff);
  EXPECT_EQ(rows[4].text, "卷宗/文件0.pdf");
  EXPECT_EQ(rows[4].bytes, 1000);  // the server's size
  EXPECT_EQ(rows[5].diffKind, MirrorDiffKind::newer);
  EXPECT_TRUE(rows[5].lastInCard && rows[5].lastInList);

  // No differences: no second card; the folder card ends the list.
  auto plain = mirrorDetailRows(someFolders(), ticks, {}, false);
  ASSERT_EQ(plain.size(), 3u);
  EXPECT_TRUE(plain.back().lastInCard && plain.back().lastInList);
  // No folders: one line that is the whole card.
  auto none = mirrorDetailRows({}, {}, {}, false);
  ASSERT_EQ(none.size(), 1u);
  EXPECT_EQ(none[0].kind, Kind::noFiles);
  EXPECT_EQ(none[0].text, "该合同暂无电子卷宗文件");
  EXPECT_TRUE(none[0].firstInCard && none[0].lastInCard && none[0].lastInList);
}

TEST(MirrorDetailRows, TheDifferenceCardShowsFortyRowsAndSumsUpTheRest) {
  auto forty = mirrorDetailRows(someFolders(), {}, diffsOf(40), false);
  EXPECT_EQ(forty.size(), 3u + 1u + 40u);
  EXPECT_EQ(forty.back().kind, Kind::diff);
  EXPECT_TRUE(forty.back().lastInCard);

  auto more = mirrorDetailRows(someFolders(), {}, diffsOf(41), false);
  ASSERT_EQ(more.size(), 3u + 1u + 40u + 1u);
  EXPECT_EQ(more.back().kind, Kind::diffMore);
  EXPECT_EQ(more.back().text, "还有 1 个差异文件未展开…");
  EXPECT_TRUE(more.back().lastInCard && more.back().lastInList);
  EXPECT_FALSE(more[more.size() - 2].lastInCard);
}

TEST(MirrorDetailRows, KeysChangeOnlyForRowsWhoseShownValuesChanged) {
  const auto folders = someFolders();
  const auto before = keysOf(mirrorDetailRows(folders, {"(根目录)"}, diffsOf(3, "A"), false));
  // A new check finds the same files under fresh record ids: nothing to redraw.
  EXPECT_TRUE(listEdits(before, keysOf(mirrorDetailRows(folders, {"(根目录)"}, diffsOf(3, "B"), false))).empty());
  // One tick: one row.
  auto ticked = listEdits(before, keysOf(mirrorDetailRows(folders, {"(根目录)", "02_庭审材料"}, diffsOf(3), false)));
  EXPECT_EQ(ticked, (std::vector<ListEdit>{{2, 1, 2, 1}}));
  // Busy: only the head, whose button it disables.
  auto busy = listEdits(before, keysOf(mirrorDetailRows(folders, {"(根目录)"}, diffsOf(3), true)));
  EXPECT_EQ(busy, (std::vector<ListEdit>{{3, 1, 3, 1}}));
  // One difference fewer: its row goes, and the head's count changes.
  auto fewer = diffsOf(3);
  fewer.erase(fewer.begin() + 1);
  auto edits = listEdits(before, keysOf(mirrorDetailRows(folders, {"(根目录)"}, fewer, false)));
  EXPECT_EQ(edits, (std::vector<ListEdit>{{3, 1, 3, 1}, {5, 1, 5, 0}}));
}

TEST(MirrorDetailRows, TheBarSummarisesTheTicksAndEnablesByTheRules) {
  const auto folders = someFolders();
  auto bar = mirrorDetailBar(true, folders, {"(根目录)", "gone"}, 300, false);
  // Names that are not among the folders still count.
  EXPECT_EQ(bar.summary, "已选 2/3 项 · 约 " + byteCountText(300));
  EXPECT_TRUE(bar.selectAllEnabled && bar.checkEnabled && bar.cacheEnabled);

  auto busy = mirrorDetailBar(true, folders, {"(根目录)"}, 300, true);
  EXPECT_FALSE(busy.selectAllEnabled || busy.checkEnabled || busy.cacheEnabled);

  auto empty = mirrorDetailBar(true, {}, {}, 0, false);
  EXPECT_EQ(empty.summary, "已选 0/0 项 · 约 " + byteCountText(0));
  EXPECT_FALSE(empty.selectAllEnabled);
  EXPECT_TRUE(empty.checkEnabled);
  EXPECT_FALSE(empty.cacheEnabled);
  EXPECT_TRUE(mirrorDetailBar(true, {}, {"kept"}, 0, false).cacheEnabled);

  auto nothing = mirrorDetailBar(false, folders, {"(根目录)"}, 300, false);
  EXPECT_FALSE(nothing.contractChosen);
  EXPECT_EQ(nothing, MirrorDetailBar{});
}

}  // namespace
}  // namespace quorvel
