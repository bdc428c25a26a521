#include "web/rules/WebProcessGroups.h"

#include <algorithm>

namespace quorvel {

std::vector<std::vector<const void*>>::iterator WebProcessGroups::groupOf(const void* member) {
  return std::find_if(groups_.begin(), groups_.end(), [member](const auto& group) {
    return std::find(group.begin(), group.end(), member) != group.end();
  });
}

std::vector<const void*> WebProcessGroups::members() const {
  std::vector<const void*> out;
  for (const auto& group : groups_) out.insert(out.end(), group.begin(), group.end());
  return out;
}

const void* WebProcessGroups::join(const void* member) {
  if (auto it = groupOf(member); it != groups_.end()) return it->front() == member ? nullptr : it->front();
  for (auto& group : groups_)
    if (group.size() < limit_) {
      group.push_back(member);
      return group.front();
    }
  groups_.push_back({member});
  return nullptr;
}

bool WebProcessGroups::leave(const void* member) {
  auto it = groupOf(member);
  if (it == groups_.end()) return true;
  it->erase(std::find(it->begin(), it->end(), member));
  if (!it->empty()) return false;
  groups_.erase(it);
  return true;
}

void WebProcessGroups::separate(const void* member) {
  auto it = groupOf(member);
  if (it == groups_.end() || it->size() == 1) return;
  it->erase(std::find(it->begin(), it->end(), member));
  groups_.push_back({member});
}

}  // namespace quorvel
