#include "ui/model/FoldedTexts.h"

#include "ui/model/UnicodeText.h"

namespace quorvel {

void FoldedTexts::reset(const std::vector<std::string>& texts) {
  folded_.clear();
  folded_.reserve(texts.size());
  for (const auto& t : texts) folded_.push_back(lowercased(t));
}

void FoldedTexts::reset(std::vector<std::string>&& texts) {
  folded_ = std::move(texts);
  for (auto& t : folded_) t = lowercased(t);
  folded_.shrink_to_fit();
}

std::vector<std::size_t> FoldedTexts::matching(const std::string& needle) const {
  const std::string folded = lowercased(needle);
  std::vector<std::size_t> out;
  if (folded.empty()) out.reserve(folded_.size());
  for (std::size_t i = 0; i < folded_.size(); ++i)
    if (folded.empty() || folded_[i].find(folded) != std::string::npos) out.push_back(i);
  return out;
}

}  // namespace quorvel
