#include "features/recognition/WaybillText.h"

#include <unicode/brkiter.h>
#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <memory>
#include <optional>

#include "base/Text.h"

namespace quorvel::WaybillText {
namespace {
using icu::UnicodeString;

std::string utf8(const UnicodeString& u) {
  std::string s;
  u.toUTF8String(s);
  return s;
}

// Group 1 of the first match, or nothing; a pattern that does not compile counts as
// not matching.
std::optional<std::string> firstGroup(const char* pattern, const std::string& text, uint32_t flags) {
  UErrorCode status = U_ZERO_ERROR;
  UnicodeString input = UnicodeString::fromUTF8(text);
  icu::RegexMatcher m(UnicodeString::fromUTF8(pattern), input, flags, status);
  if (U_FAILURE(status)) return std::nullopt;
  if (!m.find(status) || U_FAILURE(status)) return std::nullopt;
  if (m.groupCount() < 1 || m.start(1, status) < 0) return std::nullopt;
  return utf8(m.group(1, status));
}

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t start = 0;
  while (true) {
    auto nl = text.find('\n', start);
    out.push_back(text.substr(start, nl == std::string::npos ? std::string::npos : nl - start));
    if (nl == std::string::npos) break;
    start = nl + 1;
  }
  return out;
}

// Trims the characters of `set` (UTF-8 sequences) from both ends.
std::string trimAny(std::string s, const std::vector<std::string>& set) {
  bool changed = true;
  while (changed && !s.empty()) {
    changed = false;
    for (const auto& c : set) {
      if (s.size() >= c.size() && s.compare(0, c.size(), c) == 0) {
        s.erase(0, c.size());
        changed = true;
      }
      if (s.size() >= c.size() && s.compare(s.size() - c.size(), c.size(), c) == 0) {
        s.erase(s.size() - c.size());
        changed = true;
      }
    }
  }
  return s;
}

// The value cut before the first match of `pattern`.
std::string cutBefore(const std::string& value, const char* pattern) {
  UErrorCode status = U_ZERO_ERROR;
  UnicodeString input = UnicodeString::fromUTF8(value);
  icu::RegexMatcher m(UnicodeString::fromUTF8(pattern), input, 0, status);
  if (U_FAILURE(status) || !m.find(status)) return value;
  return utf8(input.tempSubString(0, m.start(status)));
}

// The first occurrence of labels[k] in the line that is not the start of an earlier
// (longer) label of the list: "寄件" inside "寄件人" is not a label of its own.
std::size_t findLabel(const std::string& line, const std::vector<std::string>& labels, std::size_t k) {
  for (std::size_t at = line.find(labels[k]); at != std::string::npos; at = line.find(labels[k], at + 1)) {
    bool partOfEarlier = false;
    for (std::size_t j = 0; j < k && !partOfEarlier; ++j)
      partOfEarlier = line.compare(at, labels[j].size(), labels[j]) == 0;
    if (!partOfEarlier) return at;
  }
  return std::string::npos;
}
}  // namespace

const std::vector<std::string>& couriers() {
  static const std::vector<std::string> list = {"顺丰", "京东", "中国邮政", "邮政", "EMS",  "圆通", "中通", "申通",
                                                "韵达", "百世", "极兔",     "德邦", "优速", "全峰", "天天", "宅急送",
                                                "跨越", "安能", "中铁",     "苏宁", "菜鸟", "丹鸟", "丰网"};
  return list;
}
const std::vector<std::string>& senderLabels() {
  static const std::vector<std::string> list = {"寄件人", "发件人", "寄件"};
  return list;
}
const std::vector<std::string>& recipientLabels() {
  static const std::vector<std::string> list = {"收件人", "收方", "收件"};
  return list;
}

std::string normalisePunctuation(const std::string& text) {
  UnicodeString u = UnicodeString::fromUTF8(text);
  UnicodeString out;
  for (int32_t i = 0; i < u.length();) {
    UChar32 c = u.char32At(i);
    i += U16_LENGTH(c);
    if ((c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) || (c >= 0xFF41 && c <= 0xFF5A)) c -= 0xFEE0;
    else if (c == '(') c = 0xFF08;
    else if (c == ')') c = 0xFF09;
    else if (c == 0x3000) c = ' ';
    out.append(c);
  }
  return utf8(out);
}

std::string trackingNumber(const std::string& text) {
  constexpr uint32_t ci = UREGEX_CASE_INSENSITIVE;
  // The English label must be a word of its own: "Announcement 2024" and
  // "noname12345678" hold no "No" label.
  for (const char* labelled : {R"((?:运单号|快递单号|物流单号|邮件号|单号)[:：\s]*([A-Za-z0-9]{8,25}))",
                               R"((?<![A-Za-z])(?:No\.|No(?![A-Za-z])|Waybill(?![A-Za-z]))[:：\s]*([A-Za-z0-9]{8,25}))"})
    if (auto v = firstGroup(labelled, text, ci)) return upper(*v);
  if (auto v = firstGroup(R"(\b([A-Za-z]{2}\d{9}[A-Za-z]{2})\b)", text, ci)) return upper(*v);
  if (auto v = firstGroup(R"(\b(\d{13})\b)", text, 0)) return *v;
  if (auto v = firstGroup(R"(\b(\d{12,20})\b)", text, 0)) return *v;
  return {};
}

std::string courier(const std::string& text) {
  for (const auto& name : couriers())
    if (text.find(name) != std::string::npos) return name;
  return {};
}

std::string party(const std::vector<std::string>& labels, const std::string& text) {
  static const std::vector<std::string> edge = {" ", ":", "：", ",", "，", "\t"};
  for (const auto& line : lines(text)) {
    for (std::size_t k = 0; k < labels.size(); ++k) {
      std::size_t at = findLabel(line, labels, k);
      if (at == std::string::npos) continue;
      std::string value = trimAny(line.substr(at + labels[k].size()), edge);
      // The recogniser often drops the blank between two CJK words ("李华电话"), so the
      // phone labels cut with or without it.
      for (const char* cut : {R"(\s*电话)", R"(\s*手机)", "1[0-9]", "地址"}) value = cutBefore(value, cut);
      value = trimmed(value);
      if (!value.empty()) return characterPrefix(value, 24);
    }
  }
  return {};
}

std::string remark(const std::string& text) {
  static const std::vector<std::string> labels = {"备注：", "备注:", "备注", "内件品名：", "内件品名:"};
  for (auto line : lines(text)) {
    if (line.find("备注") == std::string::npos && line.find("内件") == std::string::npos) continue;
    for (const auto& label : labels)
      for (auto at = line.find(label); at != std::string::npos; at = line.find(label, at)) line.erase(at, label.size());
    line = trimmed(line);
    if (!line.empty()) return characterPrefix(line, 30);
  }
  return {};
}

Fields analyse(const std::string& recognisedText) {
  // Only the number and the courier are read from the one-spelling copy; names and
  // the remark stay as the waybill writes them.
  std::string text = normalisePunctuation(recognisedText);
  Fields f;
  f.trackingNo = trackingNumber(text);
  f.courier = courier(text);
  f.sender = party(senderLabels(), recognisedText);
  f.recipient = party(recipientLabels(), recognisedText);
  f.remark = remark(recognisedText);
  if (f.trackingNo.empty()) {
    f.status = "red";
    f.msg = "未识别到单号，请手动填写";
  } else if (f.courier.empty()) {
    f.status = "yellow";
    f.msg = "已识别单号，快递公司未确认";
  } else {
    f.status = "green";
    f.msg = "识别成功";
  }
  return f;
}

std::size_t characterCount(const std::string& s) {
  UErrorCode status = U_ZERO_ERROR;
  UnicodeString u = UnicodeString::fromUTF8(s);
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) return static_cast<std::size_t>(u.countChar32());
  it->setText(u);
  std::size_t n = 0;
  for (int32_t p = it->next(); p != icu::BreakIterator::DONE; p = it->next()) ++n;
  return n;
}

std::string characterPrefix(const std::string& s, std::size_t count) {
  UErrorCode status = U_ZERO_ERROR;
  UnicodeString u = UnicodeString::fromUTF8(s);
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) return s;
  it->setText(u);
  int32_t end = 0;
  for (std::size_t n = 0; n < count; ++n) {
    int32_t p = it->next();
    if (p == icu::BreakIterator::DONE) return s;
    end = p;
  }
  return utf8(u.tempSubString(0, end));
}

}  // namespace quorvel::WaybillText
