#include "core/Todo.h"

#include <nlohmann/json.hpp>

#include "core/BrowserTab.h"

namespace quorvel {

namespace TodoKinds {
std::string rawValue(TodoKind k) {
  switch (k) {
    case TodoKind::overdue: return "overdue";
    case TodoKind::today: return "today";
    case TodoKind::soon: return "soon";
    case TodoKind::verify: return "verify";
    case TodoKind::hearings: return "hearings";
  }
  return {};
}
std::optional<TodoKind> fromRawValue(const std::string& raw) {
  for (auto k : allCases)
    if (rawValue(k) == raw) return k;
  return std::nullopt;
}
RGB8 darkAccent(TodoKind k) {
  switch (k) {
    case TodoKind::overdue: return {248, 113, 113};
    case TodoKind::today: return {251, 191, 36};
    case TodoKind::soon: return {167, 139, 250};
    case TodoKind::verify: return {56, 189, 248};
    case TodoKind::hearings: return {96, 165, 250};
  }
  return {0, 0, 0};
}
RGB8 lightAccent(TodoKind k) {
  switch (k) {
    case TodoKind::overdue: return {220, 38, 38};
    case TodoKind::today: return {217, 119, 6};
    case TodoKind::soon: return {124, 58, 237};
    case TodoKind::verify: return {2, 132, 199};
    case TodoKind::hearings: return {37, 99, 235};
  }
  return {0, 0, 0};
}
std::string title(TodoKind k) {
  switch (k) {
    case TodoKind::overdue: return "超期";
    case TodoKind::today: return "今日到期";
    case TodoKind::soon: return "3天内";
    case TodoKind::verify: return "待核实";
    case TodoKind::hearings: return "7天内开庭";
  }
  return {};
}
}  // namespace TodoKinds

std::string TodoItem::dayText() const {
  if (!days) return date.value_or("");
  if (*days < 0) return "超期 " + std::to_string(-*days) + " 天";
  if (*days == 0) return "今天";
  return "剩 " + std::to_string(*days) + " 天";
}

const std::vector<TodoItem>& Deadlines::list(TodoKind k) const {
  switch (k) {
    case TodoKind::overdue: return overdue;
    case TodoKind::today: return today;
    case TodoKind::soon: return soon;
    case TodoKind::verify: return verify;
    case TodoKind::hearings: return hearings;
  }
  return overdue;
}

bool Deadlines::empty() const {
  return overdue.empty() && today.empty() && soon.empty() && verify.empty() && hearings.empty();
}

namespace {
struct DecodeError {};

std::optional<std::string> optText(const nlohmann::json& o, const char* key) {
  auto it = o.find(key);
  if (it == o.end() || it->is_null()) return std::nullopt;
  if (!it->is_string()) throw DecodeError{};
  return it->get<std::string>();
}
std::optional<long long> optInt(const nlohmann::json& o, const char* key) {
  auto it = o.find(key);
  if (it == o.end() || it->is_null()) return std::nullopt;
  if (!(it->is_number_integer() || it->is_number_unsigned())) throw DecodeError{};
  return it->get<long long>();
}
std::vector<TodoItem> decodeList(const nlohmann::json& o, const char* key) {
  auto it = o.find(key);
  if (it == o.end() || !it->is_array()) throw DecodeError{};
  std::vector<TodoItem> out;
  for (auto& e : *it) {
    if (!e.is_object()) throw DecodeError{};
    TodoItem item;
    item.id = makeUUID();
    item.content = optText(e, "content");
    item.date = optText(e, "date");
    item.days = optInt(e, "days");
    item.client = optText(e, "client");
    item.proc = optText(e, "proc");
    item.procId = optInt(e, "proc_id");
    out.push_back(std::move(item));
  }
  return out;
}
}  // namespace

std::optional<Deadlines> decodeDeadlines(const std::string& text) {
  auto j = nlohmann::json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) return std::nullopt;
  try {
    Deadlines d;
    d.overdue = decodeList(j, "overdue");
    d.today = decodeList(j, "today");
    d.soon = decodeList(j, "soon");
    d.verify = decodeList(j, "verify");
    d.hearings = decodeList(j, "hearings");
    return d;
  } catch (const DecodeError&) {
    return std::nullopt;
  }
}

}  // namespace quorvel
