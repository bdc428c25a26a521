#pragma once
#include <array>
#include <cstdint>
#include <iosfwd>
#include <optional>
#include <string>
#include <string_view>
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

// An optional text in 16 bytes: up to 14 bytes kept inside, a longer one in one heap
// block of exactly its size. Tens of thousands of entries are held at once, so the
// general optional string (40 bytes, plus spare capacity) costs too much. Reads like
// the optional string it replaces; `*` and `value_or` give a copy.
class ShortText {
 public:
  ShortText() noexcept { buf_[kTag] = static_cast<char>(kAbsent); }
  ShortText(std::nullopt_t) noexcept : ShortText() {}
  ShortText(std::string_view text) : ShortText() { assign(text); }
  ShortText(const std::string& text) : ShortText(std::string_view(text)) {}
  ShortText(const char* text) : ShortText(std::string_view(text)) {}
  ShortText(const std::optional<std::string>& text);
  ShortText(const ShortText& other);
  ShortText(ShortText&& other) noexcept;
  ShortText& operator=(const ShortText& other);
  ShortText& operator=(ShortText&& other) noexcept;
  ~ShortText() { release(); }

  bool has_value() const noexcept { return buf_[kTag] != static_cast<char>(kAbsent); }
  explicit operator bool() const noexcept { return has_value(); }
  void reset() noexcept;
  // The text, empty when absent; valid while this object is unchanged.
  std::string_view view() const noexcept;
  std::string operator*() const { return std::string(view()); }
  std::string value_or(std::string_view fallback) const { return std::string(has_value() ? view() : fallback); }
  operator std::optional<std::string>() const;

  friend bool operator==(const ShortText& a, const ShortText& b) noexcept {
    return a.has_value() == b.has_value() && a.view() == b.view();
  }
  friend std::ostream& operator<<(std::ostream& out, const ShortText& text);

 private:
  static constexpr std::size_t kTag = 15;
  static constexpr unsigned char kAbsent = 0xff, kOnHeap = 0xfe;  // else the inline length
  bool onHeap() const noexcept { return static_cast<unsigned char>(buf_[kTag]) == kOnHeap; }
  char* heapBlock() const noexcept;  // [std::size_t length][bytes]
  void assign(std::string_view text);
  void release() noexcept;
  alignas(8) char buf_[16];
};

struct TodoItem {
  std::uint64_t id = 0;  // new for every decoded entry, list identity only
  ShortText content;
  ShortText date;
  std::optional<long long> days;
  ShortText client;
  ShortText proc;
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
