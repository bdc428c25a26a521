#include "core/Recents.h"

#include <nlohmann/json.hpp>
#include <unicode/brkiter.h>
#include <unicode/utext.h>

#include <memory>

#include "base/Text.h"
#include "platform/UserDefaults.h"

namespace quorvel {
namespace {
constexpr const char* kKey = "recents.v1";
constexpr size_t kMaxRecents = 5;

// Walks the grapheme-cluster boundaries of a UTF-8 text in one pass of the break
// iterator, reading the bytes in place (a UTF-8 UText indexes by byte): no conversion
// of the text, and none per boundary. `visit` gets each boundary after the start and
// returns false to stop early. Invalid bytes count as one character each.
template <class Visit>
void forEachGraphemeEnd(const std::string& utf8, Visit visit) {
  if (utf8.empty()) return;
  UErrorCode status = U_ZERO_ERROR;
  UText* text = utext_openUTF8(nullptr, utf8.data(), static_cast<int64_t>(utf8.size()), &status);
  thread_local std::unique_ptr<icu::BreakIterator> it = [] {
    UErrorCode st = U_ZERO_ERROR;
    return std::unique_ptr<icu::BreakIterator>(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), st));
  }();
  if (U_FAILURE(status) || !it) {
    if (text) utext_close(text);
    return;
  }
  it->setText(text, status);
  if (U_SUCCESS(status)) {
    it->first();
    for (int32_t p = it->next(); p != icu::BreakIterator::DONE; p = it->next())
      if (!visit(static_cast<size_t>(p))) break;
  }
  // The iterator holds its own shallow clone; the next setText replaces it.
  utext_close(text);
}

// The longest prefix of at most `maxBytes` bytes that does not split a UTF-8 sequence.
size_t utf8SafeCut(const std::string& s, size_t maxBytes) {
  if (s.size() <= maxBytes) return s.size();
  size_t cut = maxBytes;
  // Step back over continuation bytes (at most three) to the start of a sequence.
  for (int i = 0; i < 3 && cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80; ++i) --cut;
  return cut;
}
}  // namespace

size_t graphemeCount(const std::string& utf8) {
  size_t n = 0;
  forEachGraphemeEnd(utf8, [&](size_t) {
    ++n;
    return true;
  });
  return n;
}

bool graphemesExceed(const std::string& utf8, size_t limit) {
  // Never more characters than bytes: short texts need no iterator.
  if (utf8.size() <= limit) return false;
  size_t n = 0;
  forEachGraphemeEnd(utf8, [&](size_t) { return ++n <= limit; });
  return n > limit;
}

std::string graphemePrefix(const std::string& utf8, size_t count) {
  if (utf8.size() <= count) return utf8;
  if (count == 0) return {};
  size_t n = 0, end = utf8.size();
  forEachGraphemeEnd(utf8, [&](size_t p) {
    if (++n < count) return true;
    end = p;
    return false;
  });
  return utf8.substr(0, end);
}

std::string textHead(const std::string& utf8, size_t count) {
  // A character of the service's text is rarely longer than this; a longer one (a
  // pile of combining marks) is cut with the bytes, so no text costs more than this.
  constexpr size_t kBytesPerCharacter = 32;
  const size_t bound = utf8SafeCut(utf8, count * kBytesPerCharacter);
  return graphemePrefix(bound == utf8.size() ? utf8 : utf8.substr(0, bound), count);
}

std::string clippedText(const std::string& utf8, size_t count) {
  std::string head = textHead(utf8, count);
  if (head.size() < utf8.size()) head += "…";
  return head;
}

std::string recentTitle(long long id, const std::string& pageTitle) {
  std::string t = trimmed(pageTitle);
  auto sep = t.rfind(" - ");
  if (sep != std::string::npos && graphemesExceed(t.substr(0, sep), 6)) t = t.substr(0, sep);
  if (graphemesExceed(t, 14)) t = graphemePrefix(t, 14) + "…";
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
