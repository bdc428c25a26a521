// The rules behind the lists that make widgets only for the rows on screen: the edits
// that turn a shown list into a new one, the texts folded once for filtering, and the
// to-do sheet's index and row keys.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/model/FoldedTexts.h"
#include "ui/model/ListEdits.h"
#include "ui/model/TodoSheetRules.h"

namespace quorvel {
namespace {

using Keys = std::vector<std::string>;

// Applies the edits and checks they give `after`; returns them.
std::vector<ListEdit> editsChecked(const Keys& before, const Keys& after, std::size_t maxEdits = 64) {
  auto edits = listEdits(before, after, maxEdits);
  Keys rows = before;
  applyListEdits(rows, after, edits);
  EXPECT_EQ(rows, after);
  return edits;
}

Keys numbered(int from, int to, int step = 1) {
  Keys out;
  for (int i = from; i < to; i += step) out.push_back("row " + std::to_string(i));
  return out;
}

TEST(ListEdits, NothingChangedGivesNoEditAndOneChangedRowOneSmallEdit) {
  const Keys rows = numbered(0, 10000);
  EXPECT_TRUE(editsChecked(rows, rows).empty());
  Keys changed = rows;
  changed[5000] = "row 5000 (done)";
  EXPECT_EQ(editsChecked(rows, changed), (std::vector<ListEdit>{{5000, 1, 5000, 1}}));
  EXPECT_TRUE(editsChecked({}, {}).empty());
}

TEST(ListEdits, NarrowingAFilterOnlyRemovesAndWideningOnlyInserts) {
  const Keys all = numbered(0, 30);
  const Keys kept = {"row 3", "row 4", "row 5", "row 20"};
  auto narrowing = editsChecked(all, kept);
  for (const auto& e : narrowing) EXPECT_EQ(e.added, 0u);
  EXPECT_EQ(narrowing, (std::vector<ListEdit>{{0, 3, 0, 0}, {3, 14, 3, 0}, {4, 9, 4, 0}}));
  auto widening = editsChecked(kept, all);
  for (const auto& e : widening) EXPECT_EQ(e.removed, 0u);
  EXPECT_EQ(widening.size(), 3u);
}

TEST(ListEdits, ReplacementsMovesAndDuplicatesStillGiveTheNewList) {
  editsChecked({"a", "b", "c"}, {"x", "y"});
  editsChecked({"a", "b", "c", "d"}, {"d", "c", "b", "a"});
  editsChecked({"a", "a", "b", "a"}, {"a", "b", "a", "a", "a"});
  editsChecked({}, {"a", "b"});
  editsChecked({"a", "b"}, {});
  // A row that moved to the front: removed at its old place, inserted at the new one.
  auto edits = editsChecked({"a", "b", "c"}, {"c", "a", "b"});
  std::size_t removed = 0, added = 0;
  for (const auto& e : edits) removed += e.removed, added += e.added;
  EXPECT_EQ(removed, 1u);
  EXPECT_EQ(added, 1u);
}

TEST(ListEdits, ScatteredChangesPastTheLimitBecomeOneEditBetweenTheCommonEnds) {
  const Keys all = numbered(0, 1000);
  const Keys everyOther = numbered(0, 1000, 2);  // 500 runs of one removal each
  auto edits = editsChecked(all, everyOther, 64);
  ASSERT_EQ(edits.size(), 1u);
  // "row 0" stays in front; the tail differs ("row 999" went).
  EXPECT_EQ(edits[0].position, 1u);
  EXPECT_EQ(edits[0].removed, 999u);
  EXPECT_EQ(edits[0].added, 499u);
  EXPECT_EQ(editsChecked(all, everyOther, 1000).size(), 500u);
}

TEST(FoldedTexts, MatchesCaseInsensitivelyInOrderAndEverythingForNoNeedle) {
  FoldedTexts texts;
  texts.reset({"HT-2026-007", "Ärzte GmbH", "张三", "ht-2026-015"});
  EXPECT_EQ(texts.matching("ht-2026"), (std::vector<std::size_t>{0, 3}));
  EXPECT_EQ(texts.matching("ÄRZTE"), (std::vector<std::size_t>{1}));
  EXPECT_EQ(texts.matching("张"), (std::vector<std::size_t>{2}));
  EXPECT_EQ(texts.matching(""), (std::vector<std::size_t>{0, 1, 2, 3}));
  EXPECT_TRUE(texts.matching("李四").empty());
  EXPECT_EQ(elementsAt(std::vector<int>{10, 20, 30}, {2, 0}), (std::vector<int>{30, 10}));
}

TodoItem todo(const char* content, std::optional<std::string> client, std::optional<long long> procId = 7) {
  static std::uint64_t lastId = 0;
  TodoItem t;
  t.id = ++lastId;
  t.content = content;
  t.client = std::move(client);
  t.date = "2026-03-05";
  t.procId = procId;
  return t;
}

TEST(TodoFilterIndex, KeepsWhatTheFilterRuleKeepsForEveryFilter) {
  Deadlines d;
  d.soon = {todo("证据交换", "周九"), todo("答辩期届满", "青禾数码科技有限公司"), todo("Hearing PREP", std::nullopt)};
  TodoFilterIndex index;
  index.reset(d.soon);
  for (const char* filter : {"", "  ", " 周九 ", "03-05", "hearing", "有限公司 ", "无此项", "PREP"}) {
    std::vector<std::string> fromIndex, fromRule;
    for (const auto& t : index.filtered(filter)) fromIndex.push_back(*t.content);
    for (const auto& t : todoFilteredItems(d, TodoKind::soon, filter)) fromRule.push_back(*t.content);
    EXPECT_EQ(fromIndex, fromRule) << filter;
  }
  EXPECT_EQ(index.filtered("hearing").size(), 1u);
}

TEST(TodoRowKey, SameEntryAcrossReadsIsOneRowAndEveryShownFieldCounts) {
  TodoItem a = todo("证据交换", "周九");
  TodoItem again = a;
  again.id = a.id + 1000;  // a fresh id of the next read
  EXPECT_EQ(todoRowKey(a, TodoKind::soon), todoRowKey(again, TodoKind::soon));
  EXPECT_NE(todoRowKey(a, TodoKind::soon), todoRowKey(a, TodoKind::today));
  TodoItem noClient = a;
  noClient.client.reset();
  TodoItem emptyClient = a;
  emptyClient.client = "";
  EXPECT_NE(todoRowKey(noClient, TodoKind::soon), todoRowKey(emptyClient, TodoKind::soon));
  TodoItem otherProc = a;
  otherProc.procId = 8;
  EXPECT_NE(todoRowKey(a, TodoKind::soon), todoRowKey(otherProc, TodoKind::soon));
  TodoItem split = a;
  split.content = "证据";
  split.client = "交换周九";
  EXPECT_NE(todoRowKey(a, TodoKind::soon), todoRowKey(split, TodoKind::soon));
}

}  // namespace
}  // namespace quorvel
