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

// Counts and cuts user-perceived characters (grapheme clusters), in one pass over the
// text: the time grows with the text's length, never faster. graphemesExceed and
// graphemePrefix stop reading once they know the answer.
size_t graphemeCount(const std::string& utf8);
bool graphemesExceed(const std::string& utf8, size_t limit);
std::string graphemePrefix(const std::string& utf8, size_t count);
// What may be logged or shown of a text from the service: its first `count`
// characters (clippedText: followed by "…" when there was more). Only a bounded head
// of the text is read, so a text of any length costs the same.
std::string textHead(const std::string& utf8, size_t count);
// How much of a name from the service (the signed-in user's) the views show.
inline constexpr size_t kShownNameCharacters = 40;
std::string clippedText(const std::string& utf8, size_t count);

}  // namespace quorvel
