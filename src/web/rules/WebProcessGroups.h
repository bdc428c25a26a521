#pragma once
// Which tabs share a web process. A new tab joins the first group with room (at most
// `limit` tabs), else starts a group of its own; a tab that leaves its group as the
// last one may end the process. Members are opaque keys (the tabs' controllers).
#include <cstddef>
#include <vector>

namespace quorvel {

class WebProcessGroups {
 public:
  explicit WebProcessGroups(size_t limit) : limit_(limit < 1 ? 1 : limit) {}

  // Places `member`; returns a member of the group it joined, whose page the new one
  // shares a process with, or nullptr when it starts a group (a process) of its own.
  const void* join(const void* member);
  // Removes `member`; true when it was the last of its group (or not in any), so its
  // process serves nobody else.
  bool leave(const void* member);

  // `member` runs in a process of its own from now on (its shared process ended, or a
  // navigation to another site moved it): it leaves its group for a group of one.
  void separate(const void* member);

  // Every member of every group.
  std::vector<const void*> members() const;

  size_t groupCount() const { return groups_.size(); }
  size_t limit() const { return limit_; }

 private:
  std::vector<std::vector<const void*>>::iterator groupOf(const void* member);

  size_t limit_;
  std::vector<std::vector<const void*>> groups_;
};

}  // namespace quorvel
