#include "ui/model/ListEdits.h"

#include <string_view>
#include <unordered_map>

namespace quorvel {

namespace {
// Where each key occurs in a list, and how many of those places were passed already.
struct Occurrences {
  std::vector<std::size_t> at;
  std::size_t passed = 0;
  bool ahead() const { return passed < at.size(); }
  std::size_t next() const { return at[passed]; }
};
using OccurrenceMap = std::unordered_map<std::string_view, Occurrences>;

OccurrenceMap occurrences(const std::vector<std::string>& keys, std::size_t from, std::size_t to) {
  OccurrenceMap map;
  map.reserve(to - from);
  for (std::size_t i = from; i < to; ++i) map[keys[i]].at.push_back(i);
  return map;
}
}  // namespace

std::vector<ListEdit> listEdits(const std::vector<std::string>& before, const std::vector<std::string>& after,
                                std::size_t maxEdits) {
  // The common head and tail stay as they are: only the span between them is walked.
  std::size_t head = 0;
  while (head < before.size() && head < after.size() && before[head] == after[head]) ++head;
  std::size_t tail = 0;
  while (tail < before.size() - head && tail < after.size() - head &&
         before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
    ++tail;
  const std::size_t endBefore = before.size() - tail, endAfter = after.size() - tail;
  if (head == endBefore && head == endAfter) return {};
  // Where each key of the span still comes in either list.
  OccurrenceMap inBefore = occurrences(before, head, endBefore), inAfter = occurrences(after, head, endAfter);
  static const Occurrences kNone;
  auto find = [](OccurrenceMap& map, const std::string& key) -> const Occurrences& {
    auto it = map.find(key);
    return it == map.end() ? kNone : it->second;
  };

  std::vector<ListEdit> edits;
  ListEdit run;
  bool open = false;
  std::size_t position = head;  // in the list as edited so far
  std::size_t i = head, j = head;
  auto flush = [&] {
    if (open) edits.push_back(run);
    open = false;
  };
  auto start = [&] {
    if (open) return;
    run = ListEdit{position, 0, j, 0};
    open = true;
  };
  auto remove = [&] {
    start();
    ++run.removed;
    ++inBefore[before[i]].passed;
    ++i;
  };
  auto insert = [&] {
    start();
    ++run.added;
    ++position;
    ++inAfter[after[j]].passed;
    ++j;
  };
  while (i < endBefore && j < endAfter) {
    const Occurrences& oldLater = find(inAfter, before[i]);
    const Occurrences& newLater = find(inBefore, after[j]);
    if (before[i] == after[j]) {
      flush();
      ++inBefore[before[i]].passed;
      ++inAfter[after[j]].passed;
      ++i, ++j, ++position;
    } else if (!oldLater.ahead()) {
      remove();
    } else if (!newLater.ahead()) {
      insert();
    } else if (oldLater.next() - j <= newLater.next() - i) {
      // Both rows come again later (a move): the old row is met again sooner, so the
      // new one is inserted here and its old place removed when reached.
      insert();
    } else {
      remove();
    }
  }
  while (i < endBefore) remove();
  while (j < endAfter) insert();
  flush();

  if (edits.size() <= maxEdits) return edits;
  // One edit over the span between the common head and the common tail.
  return {ListEdit{head, endBefore - head, head, endAfter - head}};
}

}  // namespace quorvel
