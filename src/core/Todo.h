#pragma once
#include <array>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

struct RGB8 {
  int r, g, b;
};

enum class TodoKind { overdue, today, soon, verify, hearings };

namespace TodoKinds {
inline constexpr std::array<TodoKind, 5> allCases{TodoKind::overdue, TodoKind::today, TodoKind::soon,
                                                  TodoKind::verify, TodoKind::hearings};
std::string rawValue(TodoKind k);
std::optional<TodoKind> fromRawValue(const std::string& raw);
RGB8 darkAccent(TodoKind k);
RGB8 lightAccent(TodoKind k);
// Display title: "超期", "今日到期", "3天内", "待核实", "7天内开庭".
std::string title(TodoKind k);
}  // namespace TodoKinds

struct TodoItem {
  std::string id;  // new for every decoded entry, list identity only
  std::optional<std::string> content;
  std::optional<std::string> date;
  std::optional<long long> days;
  std::optional<std::string> client;
  std::optional<std::string> proc;
  std::optional<long long> procId;
  std::string dayText() const;
};

struct Deadlines {
  std::vector<TodoItem> overdue, today, soon, verify, hearings;
  const std::vector<TodoItem>& list(TodoKind k) const;
  bool empty() const;
};

// Strict decoding of "/api/my_deadlines": all five keys required, every present
// key of an entry must have its JSON type (null counts as absent).
std::optional<Deadlines> decodeDeadlines(const std::string& text);

}  // namespace quorvel
