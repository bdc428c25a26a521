#pragma once
// How a shown list becomes a new one by a few edits instead of a rebuild: the runs of
// rows to remove and insert, found by key in one pass (hashed, linear in the lengths).
// A list filtered from the same source keeps its order, so narrowing or widening a
// filter gives only removals or only insertions. Free of GTK, tested headless.
#include <cstddef>
#include <string>
#include <vector>

namespace quorvel {

// One edit: at `position` of the list as it stands after the edits before it, remove
// `removed` rows, then insert new[`firstAdded`, `firstAdded + added`).
struct ListEdit {
  std::size_t position = 0;
  std::size_t removed = 0;
  std::size_t firstAdded = 0;
  std::size_t added = 0;
  bool operator==(const ListEdit&) const = default;
};

// The edits from `before` to `after`, in order. Equal keys are equal rows (a row whose
// content changed has a new key and is replaced). More than `maxEdits` runs are merged
// into one edit from the first difference to the last, so a scattered change costs
// one model signal rather than thousands.
std::vector<ListEdit> listEdits(const std::vector<std::string>& before, const std::vector<std::string>& after,
                                std::size_t maxEdits = 64);

// Applies edits to a plain vector (what the view's store does with its rows).
template <class T>
void applyListEdits(std::vector<T>& rows, const std::vector<T>& after, const std::vector<ListEdit>& edits) {
  for (const auto& e : edits) {
    auto at = rows.begin() + static_cast<std::ptrdiff_t>(e.position);
    at = rows.erase(at, at + static_cast<std::ptrdiff_t>(e.removed));
    rows.insert(at, after.begin() + static_cast<std::ptrdiff_t>(e.firstAdded),
                after.begin() + static_cast<std::ptrdiff_t>(e.firstAdded + e.added));
  }
}

}  // namespace quorvel
