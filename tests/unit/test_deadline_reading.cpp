// The deadline lists are read straight from the reply text; they must come out as a
// parse of the whole reply into a JSON tree would give them, on replies that stretch
// the rules (repeated keys, nulls, wrong types, nested values, escapes, huge numbers).
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstring>
#include <new>
#include <set>

#include "ScaleData.h"
#include "core/Todo.h"

using namespace quorvel;

namespace {

// The reference: the reply parsed into a tree, each list and entry then checked.
std::optional<Deadlines> decodeThroughTree(const std::string& text) {
  struct Bad {};
  auto j = nlohmann::json::parse(text, nullptr, false);
  if (j.is_discarded() || !j.is_object()) return std::nullopt;
  auto text_ = [](const nlohmann::json& o, const char* key) -> std::optional<std::string> {
    auto it = o.find(key);
    if (it == o.end() || it->is_null()) return std::nullopt;
    if (!it->is_string()) throw Bad{};
    return it->get<std::string>();
  };
  auto int_ = [](const nlohmann::json& o, const char* key) -> std::optional<long long> {
    auto it = o.find(key);
    if (it == o.end() || it->is_null()) return std::nullopt;
    if (!it->is_number_integer()) throw Bad{};
    return it->get<long long>();
  };
  auto list = [&](const char* key) {
    auto it = j.find(key);
    if (it == j.end() || !it->is_array()) throw Bad{};
    std::vector<TodoItem> out;
    for (const auto& e : *it) {
      if (!e.is_object()) throw Bad{};
      TodoItem item;
      item.content = text_(e, "content");
      item.date = text_(e, "date");
      item.days = int_(e, "days");
      item.client = text_(e, "client");
      item.proc = text_(e, "proc");
      item.procId = int_(e, "proc_id");
      out.push_back(item);
    }
    return out;
  };
  try {
    Deadlines d;
    d.overdue = list("overdue");
    d.today = list("today");
    d.soon = list("soon");
    d.verify = list("verify");
    d.hearings = list("hearings");
    return d;
  } catch (const Bad&) {
    return std::nullopt;
  }
}

void expectSameLists(const std::optional<Deadlines>& got, const std::optional<Deadlines>& want,
                     const std::string& sample) {
  ASSERT_EQ(got.has_value(), want.has_value()) << sample;
  if (!want) return;
  for (TodoKind kind : TodoKinds::allCases) {
    const auto& a = got->list(kind);
    const auto& b = want->list(kind);
    ASSERT_EQ(a.size(), b.size()) << sample << " " << TodoKinds::rawValue(kind);
    for (std::size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].content, b[i].content) << sample;
      EXPECT_EQ(a[i].date, b[i].date) << sample;
      EXPECT_EQ(a[i].days, b[i].days) << sample;
      EXPECT_EQ(a[i].client, b[i].client) << sample;
      EXPECT_EQ(a[i].proc, b[i].proc) << sample;
      EXPECT_EQ(a[i].procId, b[i].procId) << sample;
    }
  }
}

std::string withLists(const std::string& overdue, const std::string& rest = "") {
  return R"({"overdue":)" + overdue + R"(,"today":[],"soon":[],"verify":[],"hearings":[])" + rest + "}";
}

}  // namespace

TEST(DeadlineReading, StretchedRepliesComeOutAsTheirParsedTree) {
  const std::vector<std::string> samples = {
      // Accepted: nested and unknown values anywhere, escapes, nulls, repeated keys.
      withLists(R"([{"content":"a\u00e9\ud83d\ude00\n","extra":{"content":5,"x":[1,{"days":"no"}]},"days":-3}])"),
      withLists(R"([{"content":"first","content":"second","days":"3","days":4,"proc":5,"proc":null}])"),
      withLists(R"([5,{}])", R"(,"overdue":[{"client":"客户","proc_id":18446744073709551615}])"),
      withLists("[]", R"(,"meta":{"overdue":5,"list":[[{"today":1}]]},"x":[[],{}],"n":null,"b":true,"f":1.5)"),
      withLists(R"([{"date":"2026-03-05","unknown":[],"client":null,"proc_id":-9223372036854775808}])"),
      R"({"hearings":[{"days":0}],"verify":[],"soon":[],"today":[],"overdue":[{"days":1}],"overdue":[]})",
      withLists(R"([{},{},{"content":""}])"),
      // Refused: a list of the wrong type (also after a good one), an element or field
      // of the wrong type, a float, a missing list, not an object, broken text.
      withLists("[]", R"(,"overdue":null)"),
      withLists("{}"),
      withLists(R"([{"days":1.0}])"),
      withLists(R"([{"days":true}])"),
      withLists(R"([{"content":["a"]}])"),
      withLists(R"([{"proc":{"name":"x"}}])"),
      withLists(R"([{"content":"a","content":7}])"),
      withLists(R"([[]])"),
      withLists(R"([null])"),
      withLists(R"([{"days":1e2}])"),
      withLists(R"([{"proc_id":99999999999999999999}])"),
      R"({"overdue":[],"today":[],"soon":[],"verify":[]})",
      R"([{"overdue":[],"today":[],"soon":[],"verify":[],"hearings":[]}])",
      "null",
      "",
      withLists("[]") + " x",
      withLists(R"([{"content":"unterminated}])"),
      withLists("[{\"content\":\"\xff\"}]"),
  };
  for (const auto& sample : samples) expectSameLists(decodeDeadlines(sample), decodeThroughTree(sample), sample);
}

TEST(DeadlineReading, ABusyFirmsReplyKeepsEveryEntryWithItsOwnId) {
  const std::string reply = test::scaleDeadlinesJson(2000);
  const auto lists = decodeDeadlines(reply);
  expectSameLists(lists, decodeThroughTree(reply), "scale reply");
  ASSERT_TRUE(lists);
  std::set<std::uint64_t> ids;
  for (TodoKind kind : TodoKinds::allCases)
    for (const auto& item : lists->list(kind)) ids.insert(item.id);
  EXPECT_EQ(ids.size(), 5u * 2000u);
  // Another read gives new ids: rows are told apart by their fields, never by the id.
  const auto again = decodeDeadlines(reply);
  ASSERT_TRUE(again);
  EXPECT_EQ(ids.count(again->overdue.front().id), 0u);
}

// The entries' text fields keep what they were given at every length, absent apart from
// empty, through copies, moves and assignments of their own text.
TEST(ShortText, KeepsEveryLengthAndAbsentApartFromEmpty) {
  EXPECT_FALSE(ShortText().has_value());
  EXPECT_TRUE(ShortText("").has_value());
  EXPECT_NE(ShortText(), ShortText(""));
  EXPECT_EQ(ShortText().value_or("无"), "无");
  EXPECT_EQ(std::optional<std::string>(ShortText()), std::nullopt);
  for (std::size_t length : {0u, 1u, 13u, 14u, 15u, 16u, 200u, 70000u}) {
    std::string text;
    for (std::size_t i = 0; i < length; ++i) text += static_cast<char>('a' + i % 26);
    text += std::string(1, '\0') + "尾";  // a NUL and multi-byte text inside
    ShortText kept(text);
    EXPECT_EQ(*kept, text) << length;
    EXPECT_EQ(kept.view().size(), text.size()) << length;
    ShortText copy = kept;
    EXPECT_EQ(copy, kept) << length;
    ShortText moved = std::move(copy);
    EXPECT_EQ(*moved, text) << length;
    copy = moved;  // a moved-from text takes a new one
    EXPECT_EQ(*copy, text) << length;
    moved = moved.view().substr(1);  // from a view of its own text
    EXPECT_EQ(*moved, text.substr(1)) << length;
    const ShortText& self = kept;
    kept = self;
    EXPECT_EQ(*kept, text) << length;
    kept.reset();
    EXPECT_FALSE(kept) << length;
    EXPECT_EQ(kept, ShortText()) << length;
  }
}

TEST(ShortText, ConstructingOverLeftoverBytesReadsNoneOfThem) {
  // Stack and heap memory hold whatever was there before; a new text must not take
  // leftover bytes for a block of its own to free.
  for (unsigned char leftover : {0x00, 0xfe, 0xff, 0x41}) {
    alignas(ShortText) unsigned char storage[sizeof(ShortText)];
    for (const char* sample : {"提交财产线索", "短", "0123456789abcdefghij"}) {
      std::memset(storage, leftover, sizeof storage);
      auto* text = new (storage) ShortText(std::string_view(sample));
      EXPECT_EQ(*text, sample);
      text->~ShortText();
    }
  }
}

TEST(ShortText, AnEntryStaysSmall) {
  // 50,000 entries are held at once at a busy firm: each costs its fixed part plus
  // one exact block per text longer than 14 bytes.
  EXPECT_EQ(sizeof(ShortText), 16u);
  EXPECT_LE(sizeof(TodoItem), 104u);
}
