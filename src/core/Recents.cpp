#include "core/Recents.h"

#include <nlohmann/json.hpp>
#include <unicode/brkiter.h>
#include <unicode/unistr.h>

#include <memory>

#include "base/Text.h"
#include "platform/UserDefaults.h"

namespace quorvel {
namespace {
constexpr const char* kKey = "recents.v1";
constexpr size_t kMaxRecents = 5;

// Byte offsets of grapheme-cluster boundaries of a UTF-8 text.
std::vector<size_t> graphemeBoundaries(const std::string& utf8) {
  std::vector<size_t> out;
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(utf8);
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) return out;
  it->setText(u);
  for (int32_t p = it->first(); p != icu::BreakIterator::DONE; p = it->next()) {
    std::string prefix;
    u.tempSubString(0, p).toUTF8String(prefix);
    out.push_back(prefix.size());
  }
  return out;
}
}  // namespace

size_t graphemeCount(const std::string& utf8) {
  auto b = graphemeBoundaries(utf8);
  return b.empty() ? 0 : b.size() - 1;
}

std::string graphemePrefix(const std::string& utf8, size_t count) {
  auto b = graphemeBoundaries(utf8);
  if (b.empty() || count + 1 >= b.size()) return utf8;
  return utf8.substr(0, b[count]);
}

std::string recentTitle(long long id, const std::string& pageTitle) {
  std::string t = trimmed(pageTitle);
  auto sep = t.rfind(" - ");
  if (sep != std::string::npos && graphemeCount(t.substr(0, sep)) > 6) t = t.substr(0, sep);
  if (graphemeCount(t) > 14) t = graphemePrefix(t, 14) + "…";
  if (t.empty()) t = "程序 " + std::to_string(id);
  return t;
}

std::vector<RecentItem> withVisit(std::vector<RecentItem> list, long long id, const std::string& pageTitle) {
  std::erase_if(list, [id](const RecentItem& r) { return r.procID == id; });
  list.insert(list.begin(), RecentItem{id, recentTitle(id, pageTitle)});
  if (list.size() > kMaxRecents) list.resize(kMaxRecents);
  return list;
}

namespace RecentStore {
std::vector<RecentItem> load(const UserDefaults& defaults) {
  // Stored as the JSON text of the array, as the data value always was.
  auto text = defaults.string(kKey);
  if (!text) return {};
  auto j = nlohmann::json::parse(*text, nullptr, false);
  if (j.is_discarded() || !j.is_array()) return {};
  std::vector<RecentItem> out;
  for (auto& e : j) {
    if (!e.is_object()) return {};
    auto id = e.find("procID");
    auto title = e.find("title");
    if (id == e.end() || title == e.end() || !id->is_number_integer() || !title->is_string()) return {};
    out.push_back(RecentItem{id->get<long long>(), title->get<std::string>()});
  }
  return out;
}

void save(UserDefaults& defaults, const std::vector<RecentItem>& items) {
  nlohmann::json arr = nlohmann::json::array();
  for (auto& r : items) arr.push_back({{"procID", r.procID}, {"title", r.title}});
  try {
    defaults.set(kKey, arr.dump());
  } catch (const std::exception&) {
    // not encodable: the stored list stays as it was
  }
}
}  // namespace RecentStore

}  // namespace quorvel
