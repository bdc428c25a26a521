#pragma once
// Texts lower-cased once when a list loads, so each typed key of a filter only compares
// instead of folding every row again. Free of GTK, tested headless.
#include <cstddef>
#include <string>
#include <vector>

namespace quorvel {

class FoldedTexts {
 public:
  void reset(const std::vector<std::string>& texts);
  // The same, folding the texts in place (no second copy of a long list).
  void reset(std::vector<std::string>&& texts);
  // The positions of the texts that contain `needle` once it is lower-cased (every
  // position for an empty needle), in order.
  std::vector<std::size_t> matching(const std::string& needle) const;
  std::size_t size() const { return folded_.size(); }

 private:
  std::vector<std::string> folded_;
};

// The elements of `items` at `positions`.
template <class T>
std::vector<T> elementsAt(const std::vector<T>& items, const std::vector<std::size_t>& positions) {
  std::vector<T> out;
  out.reserve(positions.size());
  for (std::size_t p : positions) out.push_back(items[p]);
  return out;
}

}  // namespace quorvel
