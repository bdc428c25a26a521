#include "core/WebProcessGroups.h"

#include <algorithm>

namespace quorvel {

const void* WebProcessGroups::join(const void* member) {
  for (auto& group : groups_)
    if (std::find(group.begin(), group.end(), member) != group.end()) return group.front() == member ? nullptr : group.front();
  for (auto& group : groups_)
    if (group.size() < limit_) {
      group.push_back(member);
      return group.front();
    }
  groups_.push_back({member});
  return nullptr;
}

bool WebProcessGroups::leave(const void* member) {
  for (auto it = groups_.begin(); it != groups_.end(); ++it) {
    auto found = std::find(it->begin(), it->end(), member);
    if (found == it->end()) continue;
    it->erase(found);
    if (!it->empty()) return false;
    groups_.erase(it);
    return true;
  }
  return true;
}

void WebProcessGroups::separate(const void* member) {
  for (auto& group : groups_) {
    auto found = std::find(group.begin(), group.end(), member);
    if (found == group.end()) continue;
    if (group.size() == 1) return;
    group.erase(found);
    groups_.push_back({member});
    return;
  }
}

}  // namespace quorvel
