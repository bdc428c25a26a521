#include "ui/model/QuickArchiveRules.h"

#include <glib.h>

#include <algorithm>
#include <charconv>
#include <map>

#include "base/Text.h"

namespace quorvel::QuickArchiveRules {
namespace {

constexpr std::string_view kProceedingPrefix = "/proceeding/";

std::string lowered(const std::string& s) {
  gchar* l = g_utf8_strdown(s.c_str(), static_cast<gssize>(s.size()));
  std::string out = l ? l : s;
  g_free(l);
  return out;
}

// Trims Unicode white space and line breaks (the full-width space too).
std::string trimmedUnicode(const std::string& s) {
  const char* begin = s.c_str();
  const char* end = begin + s.size();
  if (!g_utf8_validate(begin, static_cast<gssize>(s.size()), nullptr)) return trimmed(s);
  while (begin < end && g_unichar_isspace(g_utf8_get_char(begin))) begin = g_utf8_next_char(begin);
  while (end > begin) {
    const char* prev = g_utf8_find_prev_char(begin, end);
    if (!prev || !g_unichar_isspace(g_utf8_get_char(prev))) break;
    end = prev;
  }
  return std::string(begin, end);
}

}  // namespace

std::optional<long long> parseDecimal(const std::string& text) {
  if (text.empty()) return std::nullopt;
  std::string_view s = text;
  bool negative = false;
  if (s.front() == '+' || s.front() == '-') {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty() || !std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return std::nullopt;
  // Parsed with its sign so the most negative value still fits.
  std::string signedDigits = (negative ? "-" : "") + std::string(s);
  long long v = 0;
  auto [ptr, ec] = std::from_chars(signedDigits.data(), signedDigits.data() + signedDigits.size(), v);
  if (ec != std::errc() || ptr != signedDigits.data() + signedDigits.size()) return std::nullopt;
  return v;
}

std::optional<long long> currentProceedingID(const std::string& activePath) {
  if (activePath.rfind(kProceedingPrefix, 0) != 0) return std::nullopt;
  std::string rest = activePath;
  for (size_t at; (at = rest.find(kProceedingPrefix)) != std::string::npos;) rest.erase(at, kProceedingPrefix.size());
  std::string first;
  size_t i = 0;
  while (i < rest.size() && first.empty()) {
    size_t slash = rest.find('/', i);
    if (slash == std::string::npos) slash = rest.size();
    first = rest.substr(i, slash - i);
    i = slash + 1;
  }
  return parseDecimal(first);
}

TargetList buildTargets(const std::string& activePath, const std::optional<std::string>& activeTabTitle,
                        const std::vector<RecentItem>& recents, const Deadlines& deadlines) {
  TargetList out;
  std::map<long long, QuickArchiveTarget> byID;
  auto offer = [&](QuickArchiveTarget t) { byID.try_emplace(t.id, std::move(t)); };

  if (auto id = currentProceedingID(activePath)) {
    offer({*id, activeTabTitle ? *activeTabTitle : "当前程序 " + std::to_string(*id), "当前正在查看的程序"});
    out.selectedProcID = *id;
  }
  for (const RecentItem& r : recents) offer({r.procID, r.title, "最近访问卷宗"});
  for (TodoKind kind : TodoKinds::allCases)
    for (const TodoItem& item : deadlines.list(kind)) {
      if (!item.procId) continue;
      offer({*item.procId, item.proc ? *item.proc : "程序 " + std::to_string(*item.procId), item.client.value_or("")});
    }

  for (auto it = byID.rbegin(); it != byID.rend(); ++it) out.targets.push_back(it->second);
  if (out.selectedProcID == 0 && !out.targets.empty()) out.selectedProcID = out.targets.front().id;
  return out;
}

std::vector<QuickArchiveTarget> filteredTargets(const std::vector<QuickArchiveTarget>& targets,
                                                const std::string& filterText) {
  std::string q = lowered(trimmedUnicode(filterText));
  if (q.empty()) return targets;
  std::vector<QuickArchiveTarget> out;
  for (const auto& t : targets)
    if (lowered(t.title).find(q) != std::string::npos || lowered(t.subtitle).find(q) != std::string::npos ||
        std::to_string(t.id).find(q) != std::string::npos)
      out.push_back(t);
  return out;
}

long long effectiveProcID(const std::string& manualProcID, long long selectedProcID) {
  std::string m = trimmed(manualProcID, kSpacesAndTabs);
  if (auto v = parseDecimal(m); v && *v > 0) return *v;
  return selectedProcID;
}

std::string uploadingText(size_t fileCount, long long id) {
  return "正在上传 " + std::to_string(fileCount) + " 个文件到程序 #" + std::to_string(id) + "…";
}

std::string successText(long long count, long long id) {
  return "归档成功：已上传 " + std::to_string(count) + " 个文件到程序 #" + std::to_string(id);
}

std::string failureText(const std::string& description) { return "上传失败：" + description; }

}  // namespace quorvel::QuickArchiveRules
