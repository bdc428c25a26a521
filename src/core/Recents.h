#pragma once
#include <string>
#include <vector>

namespace quorvel {

class UserDefaults;

struct RecentItem {
  long long procID = 0;
  std::string title;
  bool operator==(const RecentItem&) const = default;
};

namespace RecentStore {
std::vector<RecentItem> load(const UserDefaults& defaults);
void save(UserDefaults& defaults, const std::vector<RecentItem>& items);
}  // namespace RecentStore

// The short title a visited proceeding is listed under.
std::string recentTitle(long long id, const std::string& pageTitle);
// Front insertion without duplicates, at most five entries.
std::vector<RecentItem> withVisit(std::vector<RecentItem> list, long long id, const std::string& pageTitle);

// Counts and cuts user-perceived characters (grapheme clusters).
size_t graphemeCount(const std::string& utf8);
std::string graphemePrefix(const std::string& utf8, size_t count);

}  // namespace quorvel
