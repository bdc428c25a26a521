#include "features/calendar/CalendarItems.h"

#include <algorithm>
#include <ctime>
#include <map>
#include <string_view>
#include <set>
#include <unordered_map>

#include "features/calendar/FeedText.h"

namespace quorvel::CalendarItems {

namespace {
void eraseAll(std::string& s, const std::string& what) {
  for (auto at = s.find(what); at != std::string::npos; at = s.find(what, at)) s.erase(at, what.size());
}
std::string trimSpacesAndTabs(const std::string& s) {
  auto a = s.find_first_not_of(" \t");
  if (a == std::string::npos) return "";
  auto b = s.find_last_not_of(" \t");
  return s.substr(a, b - a + 1);
}
}  // namespace

Rgb hearingColor() { return {0.86, 0.15, 0.15}; }
Rgb deadlineColor() { return {0.85, 0.47, 0.02}; }
Rgb overdueColor() { return {0.60, 0.11, 0.11}; }
Rgb reminderColor() { return {0.11, 0.23, 0.36}; }

const char* calendarTitleFor(ICSEvent::Kind kind) {
  switch (kind) {
    case ICSEvent::Kind::hearing: return kHearingCalendar;
    case ICSEvent::Kind::overdue: return kOverdueCalendar;
    default: return kDeadlineCalendar;
  }
}

std::vector<ICSEvent> lastPerUID(const std::vector<ICSEvent>& events) {
  std::unordered_map<std::string, size_t> at;
  std::vector<ICSEvent> out;
  out.reserve(events.size());
  for (const auto& e : events) {
    auto [it, fresh] = at.try_emplace(e.uid, out.size());
    if (fresh) out.push_back(e);
    else out[it->second] = e;
  }
  return out;
}

std::string dayKey(std::chrono::system_clock::time_point at) {
  std::time_t t = std::chrono::system_clock::to_time_t(at);
  std::tm tm{};
  localtime_r(&t, &tm);
  char buf[12];
  std::strftime(buf, sizeof buf, "%Y%m%d", &tm);
  return buf;
}

ICSEvent digest(const std::vector<ICSEvent>& day, const std::string& key) {
  const ICSEvent& first = day.front();
  std::string shortTitle = first.summary;
  eraseAll(shortTitle, "【法定期限】");
  for (const char* marker : {"🔴", "🟠", "🟡"}) eraseAll(shortTitle, marker);
  shortTitle = std::string(feedtext::prefixGraphemes(trimSpacesAndTabs(shortTitle), 12));
  const std::string n = std::to_string(day.size());

  std::string text = "今日共有 " + n + " 项法定期限到期（已自动合并以保持日历清爽）：\n";
  int number = 0;
  for (const auto& d : day) {
    if (number == kDigestLines) break;
    std::string title = d.summary;
    eraseAll(title, "【法定期限】");
    text += "\n" + std::to_string(++number) + ". " + title;
    std::string link = d.deepLinkURL().value_or(d.urlString);
    if (!link.empty()) text += "\n   直达：" + link;
  }
  if (day.size() > static_cast<size_t>(kDigestLines))
    text += "\n……另有 " + std::to_string(day.size() - kDigestLines) + " 项，请打开墨衡台客户端待办中心查看完整清单。";

  ICSEvent e;
  e.uid = "deadline-digest-" + key + "@" + kDigestDomain;
  e.summary = "【法定期限·" + n + "项】" + shortTitle + "等";
  e.description = std::move(text);
  e.urlString = "quorvel://todo";
  e.startDate = first.startDate;
  e.endDate = first.endDate;
  e.alarmOffsets = first.alarmOffsets;
  e.isAllDay = true;
  return e;
}

std::vector<ICSEvent> prepare(const std::vector<ICSEvent>& feed, const CalendarSyncConfig& config, int* digests) {
  using K = ICSEvent::Kind;
  if (digests) *digests = 0;
  auto events = lastPerUID(feed);
  std::vector<ICSEvent> out;
  auto append = [&](K kind) {
    for (const auto& e : events)
      if (e.kind() == kind) out.push_back(e);
  };
  append(K::hearing);
  if (config.hearingsOnlyInCalendar) return out;
  append(K::overdue);
  if (!config.foldBusyDeadlines) {
    append(K::deadline);
  } else {
    std::map<std::string, std::vector<ICSEvent>> days;  // ascending day key
    for (const auto& e : events)
      if (e.kind() == K::deadline) days[dayKey(e.startDate)].push_back(e);
    for (auto& [key, group] : days) {
      if (group.size() <= 2) {
        out.insert(out.end(), group.begin(), group.end());
      } else {
        out.push_back(digest(group, key));
        if (digests) ++*digests;
      }
    }
  }
  if (config.includeRoutinesInCalendar) append(K::routine);
  return out;
}

std::string eventNotes(const ICSEvent& e) {
  std::string notes = e.description;
  if (auto link = e.deepLinkURL()) notes += "\n\n客户端直达：" + *link;
  return notes;
}

std::string logTag(std::int64_t id) { return "[quorvel:log:" + std::to_string(id) + "]"; }

std::string reminderNotes(const ICSEvent& e, std::int64_t id) {
  std::string notes = e.description;
  if (auto link = e.deepLinkURL()) notes += "\n直达卷宗：" + *link;
  return notes + "\n" + logTag(id);
}

std::optional<std::int64_t> extractLogID(const std::optional<std::string>& notes) {
  if (!notes) return std::nullopt;
  // A plain scan: this runs for every reminder of the list on each check.
  static constexpr std::string_view kOpen = "[quorvel:log:";
  const std::string& text = *notes;
  for (size_t at = text.find(kOpen); at != std::string::npos; at = text.find(kOpen, at + 1)) {
    size_t digits = at + kOpen.size(), end = digits;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9') ++end;
    if (end > digits && end < text.size() && text[end] == ']') return feedtext::toInt64(text.substr(digits, end - digits));
  }
  return std::nullopt;
}

bool wantsReminder(const ICSEvent& e) {
  auto k = e.kind();
  return (k == ICSEvent::Kind::deadline || k == ICSEvent::Kind::routine) && e.logID();
}

SettledIDs::SettledIDs(std::vector<std::int64_t> ids) {
  for (auto id : ids) add(id);
}

bool SettledIDs::contains(std::int64_t id) const { return index_.count(id) > 0; }

void SettledIDs::add(std::int64_t id) {
  if (index_.insert(id).second) ids_.push_back(id);
}

std::vector<std::int64_t> SettledIDs::trimmed(const std::vector<std::int64_t>& completedStillPresent) const {
  if (ids_.size() <= kLimit) return ids_;
  std::unordered_set<std::int64_t> keep(completedStillPresent.begin(), completedStillPresent.end());
  size_t excess = ids_.size() - kLimit;
  std::unordered_set<std::int64_t> drop;
  // Oldest first among those without a completed reminder left; only then older
  // ones whose reminder still exists would be next, and those are never dropped.
  for (auto id : ids_) {
    if (drop.size() == excess) break;
    if (!keep.count(id)) drop.insert(id);
  }
  std::vector<std::int64_t> out;
  out.reserve(ids_.size() - drop.size());
  for (auto id : ids_)
    if (!drop.count(id)) out.push_back(id);
  return out;
}

}  // namespace quorvel::CalendarItems
