#include "core/Todo.h"

#include <atomic>
#include <cstring>
#include <ostream>

#include "core/RecordsSax.h"

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

ShortText::ShortText(const std::optional<std::string>& text) : ShortText() {
  if (text) assign(*text);
}

ShortText::ShortText(const ShortText& other) : ShortText() {
  if (other.has_value()) assign(other.view());
}

ShortText::ShortText(ShortText&& other) noexcept {
  std::memcpy(buf_, other.buf_, sizeof buf_);
  other.buf_[kTag] = static_cast<char>(kAbsent);
}

ShortText& ShortText::operator=(const ShortText& other) {
  if (this != &other) *this = ShortText(other);
  return *this;
}

ShortText& ShortText::operator=(ShortText&& other) noexcept {
  if (this != &other) {
    release();
    std::memcpy(buf_, other.buf_, sizeof buf_);
    other.buf_[kTag] = static_cast<char>(kAbsent);
  }
  return *this;
}

void ShortText::reset() noexcept {
  release();
  buf_[kTag] = static_cast<char>(kAbsent);
}

char* ShortText::heapBlock() const noexcept {
  char* block;
  std::memcpy(&block, buf_, sizeof block);
  return block;
}

std::string_view ShortText::view() const noexcept {
  if (onHeap()) {
    const char* block = heapBlock();
    std::size_t length;
    std::memcpy(&length, block, sizeof length);
    return {block + sizeof length, length};
  }
  if (!has_value()) return {};
  return {buf_, static_cast<unsigned char>(buf_[kTag])};
}

ShortText::operator std::optional<std::string>() const {
  if (!has_value()) return std::nullopt;
  return std::string(view());
}

std::ostream& operator<<(std::ostream& out, const ShortText& text) {
  if (!text) return out << "(absent)";
  return out << '"' << text.view() << '"';
}

void ShortText::assign(std::string_view text) {
  // Built before anything is released, so assigning a view of this object's own text works.
  if (text.size() < kTag) {
    char inlined[sizeof buf_];
    std::memcpy(inlined, text.data(), text.size());
    inlined[kTag] = static_cast<char>(text.size());
    release();
    std::memcpy(buf_, inlined, sizeof buf_);
    return;
  }
  const std::size_t length = text.size();
  char* block = new char[sizeof length + length];
  std::memcpy(block, &length, sizeof length);
  std::memcpy(block + sizeof length, text.data(), length);
  release();
  std::memcpy(buf_, &block, sizeof block);
  buf_[kTag] = static_cast<char>(kOnHeap);
}

void ShortText::release() noexcept {
  if (onHeap()) delete[] heapBlock();
}

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

// Ids only tell rows apart, so a counter serves.
std::uint64_t nextItemID() {
  static std::atomic<std::uint64_t> counter{0};
  return ++counter;
}

// The reply read straight into entries as the parser walks it: no tree of the whole
// reply is built. Where a key repeats, its last value counts, as in a parsed object.
class DeadlinesReader : public RecordsSax {
 public:
  std::optional<Deadlines> result() {
    if (!topObject_) return std::nullopt;
    for (auto state : listState_)
      if (state != State::good) return std::nullopt;
    return std::move(lists_);
  }

  bool onNull() override {
    if (inEntryValue()) clearField();
    else scalar();
    return true;
  }
  bool onOther() override { return scalar(); }
  bool onInteger(long long v) override { return number(v); }
  bool onText(string_t& v) override {
    if (inEntryValue() && field_ >= 0 && field_ < kTextFields) {
      textField(field_) = std::string_view(v);
      fieldBad_[field_] = false;
      field_ = -1;
      return true;
    }
    return scalar();
  }

  bool enterObject() override {
    // The value of a top-level key: only the lists' keys want an array.
    if (depth_ == 1) return startSkipped(kindOfKey_);
    if (depth_ > 2) return startSkipped(-1, /*badField=*/true);
    entry_ = TodoItem{};
    fieldBad_ = {};
    return true;
  }
  void leftObject() override {
    if (depth_ != 2) return;
    for (bool bad : fieldBad_)
      if (bad) listState_[kindOfKey_] = State::bad;
    entry_.id = nextItemID();
    current().push_back(std::move(entry_));
  }
  bool enterArray() override {
    if (depth_ == 1 && kindOfKey_ >= 0) {
      current().clear();
      listState_[kindOfKey_] = State::good;
      return true;
    }
    return startSkipped(depth_ == 1 ? kindOfKey_ : -1, depth_ == 3, depth_ == 2);
  }
  void leftArray() override {
    // A list's growth left up to half of it spare; it is kept as long as it is shown.
    if (depth_ == 1) current().shrink_to_fit();
  }
  bool key(string_t& k) override {
    if (skip_) return true;
    if (depth_ == 1) {
      kindOfKey_ = -1;
      if (auto kind = TodoKinds::fromRawValue(k)) kindOfKey_ = static_cast<int>(*kind);
    } else if (depth_ == 3) {
      field_ = fieldOfKey(k);
    }
    return true;
  }
 private:
  enum class State { absent, good, bad };
  static constexpr int kTextFields = 4;  // content, date, client, proc; then days, proc_id

  static int fieldOfKey(const std::string& k) {
    static const char* const names[] = {"content", "date", "client", "proc", "days", "proc_id"};
    for (int i = 0; i < 6; ++i)
      if (k == names[i]) return i;
    return -1;
  }
  ShortText& textField(int f) {
    switch (f) {
      case 0: return entry_.content;
      case 1: return entry_.date;
      case 2: return entry_.client;
      default: return entry_.proc;
    }
  }
  std::optional<long long>& numberField(int f) { return f == 4 ? entry_.days : entry_.procId; }
  std::vector<TodoItem>& current() { return lists_.*kLists[kindOfKey_]; }

  bool inEntryValue() const { return !skip_ && depth_ == 3; }
  void clearField() {
    if (field_ < 0) return;
    if (field_ < kTextFields) textField(field_).reset();
    else numberField(field_).reset();
    fieldBad_[field_] = false;
    field_ = -1;
  }
  bool number(long long v) {
    if (inEntryValue() && field_ >= kTextFields) {
      numberField(field_) = v;
      fieldBad_[field_] = false;
      field_ = -1;
      return true;
    }
    return scalar();
  }
  // A value of no use here: a list's key holding it, an element that is no entry, or a
  // field of another type, makes the reply not the one asked for.
  bool scalar() {
    if (skip_) return true;
    if (depth_ == 1 && kindOfKey_ >= 0) listState_[kindOfKey_] = State::bad;
    else if (depth_ == 2) listState_[kindOfKey_] = State::bad;
    else if (depth_ == 3 && field_ >= 0) {
      fieldBad_[field_] = true;
      field_ = -1;
    }
    return true;
  }
  // A nested value walked over without keeping it; marks what it makes unusable.
  bool startSkipped(int kind, bool badField = false, bool badElement = false) {
    if (depth_ == 1 && kind >= 0) listState_[kind] = State::bad;
    if (badElement) listState_[kindOfKey_] = State::bad;
    if (badField && field_ >= 0) {
      fieldBad_[field_] = true;
      field_ = -1;
    }
    return false;
  }

  static constexpr std::vector<TodoItem> Deadlines::*kLists[5] = {&Deadlines::overdue, &Deadlines::today,
                                                                   &Deadlines::soon, &Deadlines::verify,
                                                                   &Deadlines::hearings};
  Deadlines lists_;
  std::array<State, 5> listState_{};
  // depth_ 1: the reply's keys, 2: a list, 3: an entry's keys.
  int kindOfKey_ = -1; // the list of the current top-level key
  int field_ = -1;     // the entry field of the current key
  TodoItem entry_;
  std::array<bool, 6> fieldBad_{};
};

}  // namespace

std::optional<Deadlines> decodeDeadlines(const std::string& text) {
  DeadlinesReader reader;
  if (!nlohmann::json::sax_parse(text, &reader)) return std::nullopt;
  return reader.result();
}

}  // namespace quorvel
