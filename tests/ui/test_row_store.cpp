// Rows whose values point into one list shared by all rows: after a new read, the rows
// that stayed point into the new list, so the older one is released instead of being
// kept alive by a few rows that never changed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "ui/lists/RowList.h"

using namespace quorvel;

namespace {

using Names = std::vector<std::string>;

struct SharedRow {
  std::shared_ptr<const Names> list;
  std::size_t at = 0;
  const std::string& name() const { return (*list)[at]; }
};

std::vector<SharedRow> rowsOver(const std::shared_ptr<const Names>& list) {
  std::vector<SharedRow> rows;
  for (std::size_t i = 0; i < list->size(); ++i) rows.push_back({list, i});
  return rows;
}

}  // namespace

TEST(RowStore, KeptRowsMoveToTheNewListAndTheOldOneIsReleased) {
  for (bool rebase : {false, true}) {
    RowStore<SharedRow> store([](const SharedRow& r) { return r.name(); }, rebase);
    auto first = std::make_shared<const Names>(Names{"a", "b", "c"});
    std::weak_ptr<const Names> firstAlive = first;
    store.assign(rowsOver(first));
    first.reset();

    // One row more: a splice of one, the three others stay as they were.
    auto second = std::make_shared<const Names>(Names{"a", "b", "x", "c"});
    EXPECT_EQ(store.assign(rowsOver(second)), 1u);
    ASSERT_EQ(store.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(store.at(i).name(), (*second)[i]) << i;
    // Without the rebase the untouched rows hold the first read's list.
    EXPECT_EQ(firstAlive.expired(), rebase);
    if (rebase)
      for (std::size_t i = 0; i < 4; ++i) EXPECT_EQ(store.at(i).list, second) << i;

    // The same names again from a third read: nothing to redraw, no list left behind.
    std::weak_ptr<const Names> secondAlive = second;
    second.reset();
    auto third = std::make_shared<const Names>(Names{"a", "b", "x", "c"});
    EXPECT_EQ(store.assign(rowsOver(third)), 0u);
    EXPECT_EQ(secondAlive.expired(), rebase);
  }
}
