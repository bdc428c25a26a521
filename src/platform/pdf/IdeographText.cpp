#include "platform/pdf/IdeographText.h"

#include <glib.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <vector>

namespace quorvel::pdftext {
namespace {

// CJK Radicals Supplement: the ideograph each shares its glyph with in the CJK fonts
// (only U+2E9F and U+2EF3 have a compatibility decomposition).
struct Pair {
  char32_t radical, ideograph;
};
constexpr Pair kSupplement[] = {
    {0x2E82, 0x4E5B}, {0x2E83, 0x4E5A}, {0x2E85, 0x4EBB}, {0x2E87, 0x20628}, {0x2E89, 0x5202}, {0x2E8B, 0x353E},
    {0x2E8D, 0x2D544}, {0x2E8E, 0x5140}, {0x2E8F, 0x5C23}, {0x2E90, 0x5C22}, {0x2E92, 0x5DF3}, {0x2E93, 0x5E7A},
    {0x2E94, 0x5F51}, {0x2E95, 0x5F50}, {0x2E96, 0x5FC4}, {0x2E98, 0x624C}, {0x2E99, 0x6535}, {0x2E9B, 0x65E1},
    {0x2E9E, 0x6B7A}, {0x2E9F, 0x6BCD}, {0x2EA0, 0x6C11}, {0x2EA1, 0x6C35}, {0x2EA3, 0x706C}, {0x2EA4, 0x722B},
    {0x2EA6, 0x4E2C}, {0x2EA8, 0x72AD}, {0x2EA9, 0x248E9}, {0x2EAB, 0x7F52}, {0x2EAD, 0x793B}, {0x2EAE, 0x25AD7},
    {0x2EAF, 0x7CF9}, {0x2EB0, 0x7E9F}, {0x2EB1, 0x7F53}, {0x2EB2, 0x7F52}, {0x2EB3, 0x34C1}, {0x2EB9, 0x8002},
    {0x2EBA, 0x8080}, {0x2EBD, 0x26951}, {0x2EBE, 0x8279}, {0x2EBF, 0x8279}, {0x2EC1, 0x864E}, {0x2EC2, 0x8864},
    {0x2EC3, 0x8980}, {0x2EC4, 0x897F}, {0x2EC5, 0x89C1}, {0x2EC6, 0x89D2}, {0x2EC7, 0x278B2}, {0x2EC8, 0x8BA0},
    {0x2EC9, 0x8D1D}, {0x2ECA, 0x27FB7}, {0x2ECB, 0x8F66}, {0x2ECC, 0x8FB6}, {0x2ECD, 0x8FB6}, {0x2ECE, 0x8FB6},
    {0x2ED0, 0x9485}, {0x2ED1, 0x9577}, {0x2ED2, 0x9578}, {0x2ED3, 0x957F}, {0x2ED4, 0x95E8}, {0x2ED5, 0x28E0F},
    {0x2ED6, 0x961D}, {0x2ED8, 0x9752}, {0x2ED9, 0x97E6}, {0x2EDA, 0x9875}, {0x2EDB, 0x98CE}, {0x2EDC, 0x98DE},
    {0x2EDD, 0x98DF}, {0x2EDE, 0x2967F}, {0x2EDF, 0x98E0}, {0x2EE0, 0x9963}, {0x2EE1, 0x29810}, {0x2EE2, 0x9A6C},
    {0x2EE3, 0x9AA8}, {0x2EE4, 0x9B3C}, {0x2EE5, 0x9C7C}, {0x2EE6, 0x9E1F}, {0x2EE7, 0x5364}, {0x2EE8, 0x9EA6},
    {0x2EE9, 0x9EC4}, {0x2EEA, 0x9EFE}, {0x2EEB, 0x6589}, {0x2EEC, 0x9F50}, {0x2EED, 0x6B6F}, {0x2EEE, 0x9F7F},
    {0x2EEF, 0x7ADC}, {0x2EF0, 0x9F99}, {0x2EF1, 0x9F9C}, {0x2EF2, 0x4E80}, {0x2EF3, 0x9F9F},
};

// At most this many entries per begin…end block, as the CMap format asks.
constexpr std::size_t kBlockEntries = 100;

using Units = std::vector<std::uint16_t>;

struct Token {
  enum Kind { hex, word, open, close, other } kind;
  std::size_t begin, end;  // in the map text
};

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\0'; }
bool isDelimiter(char c) {
  return isSpace(c) || c == '(' || c == ')' || c == '<' || c == '>' || c == '[' || c == ']' || c == '{' || c == '}' ||
         c == '/' || c == '%';
}

std::vector<Token> tokenize(std::string_view s) {
  std::vector<Token> out;
  std::size_t i = 0;
  while (i < s.size()) {
    char c = s[i];
    if (isSpace(c)) {
      ++i;
    } else if (c == '%') {
      while (i < s.size() && s[i] != '\n' && s[i] != '\r') ++i;
    } else if (c == '<' && i + 1 < s.size() && s[i + 1] == '<') {
      out.push_back({Token::other, i, i + 2});
      i += 2;
    } else if (c == '>' && i + 1 < s.size() && s[i + 1] == '>') {
      out.push_back({Token::other, i, i + 2});
      i += 2;
    } else if (c == '<') {
      std::size_t close = s.find('>', i);
      std::size_t end = close == std::string_view::npos ? s.size() : close + 1;
      out.push_back({Token::hex, i, end});
      i = end;
    } else if (c == '(') {
      // A literal string: balanced parentheses, backslash escapes.
      std::size_t j = i + 1;
      for (int depth = 1; j < s.size() && depth > 0; ++j) {
        if (s[j] == '\\') ++j;
        else if (s[j] == '(') ++depth;
        else if (s[j] == ')') --depth;
      }
      out.push_back({Token::other, i, std::min(j, s.size())});
      i = std::min(j, s.size());
    } else if (c == '[' || c == ']') {
      out.push_back({c == '[' ? Token::open : Token::close, i, i + 1});
      ++i;
    } else {
      std::size_t j = i + 1;
      while (j < s.size() && !isDelimiter(s[j])) ++j;
      out.push_back({Token::word, i, j});
      i = j;
    }
  }
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The bytes of a hex string token; nothing when it holds anything but hex digits and
// white space. An odd last digit counts as followed by 0.
std::optional<std::string> hexBytes(std::string_view token) {
  if (token.size() < 2 || token.front() != '<' || token.back() != '>') return std::nullopt;
  std::string digits;
  for (char c : token.substr(1, token.size() - 2)) {
    if (isSpace(c)) continue;
    if (hexValue(c) < 0) return std::nullopt;
    digits += c;
  }
  if (digits.size() % 2) digits += '0';
  std::string out;
  for (std::size_t i = 0; i < digits.size(); i += 2)
    out += static_cast<char>(hexValue(digits[i]) * 16 + hexValue(digits[i + 1]));
  return out;
}

std::optional<Units> unitsOf(std::string_view token) {
  auto bytes = hexBytes(token);
  if (!bytes || bytes->size() % 2) return std::nullopt;
  Units out;
  for (std::size_t i = 0; i < bytes->size(); i += 2)
    out.push_back(static_cast<std::uint16_t>((static_cast<unsigned char>((*bytes)[i]) << 8) |
                                             static_cast<unsigned char>((*bytes)[i + 1])));
  return out;
}

// UTF-16 with every radical replaced by its ideograph; unpaired surrogates stay.
Units withIdeographs(const Units& in, bool* changed) {
  Units out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    std::uint16_t u = in[i];
    bool pair = u >= 0xD800 && u <= 0xDBFF && i + 1 < in.size() && in[i + 1] >= 0xDC00 && in[i + 1] <= 0xDFFF;
    if (pair) {
      out.push_back(u);
      out.push_back(in[++i]);
      continue;
    }
    char32_t ideograph = ideographForRadical(u);
    if (!ideograph) {
      out.push_back(u);
      continue;
    }
    *changed = true;
    if (ideograph < 0x10000) {
      out.push_back(static_cast<std::uint16_t>(ideograph));
    } else {
      char32_t v = ideograph - 0x10000;
      out.push_back(static_cast<std::uint16_t>(0xD800 + (v >> 10)));
      out.push_back(static_cast<std::uint16_t>(0xDC00 + (v & 0x3FF)));
    }
  }
  return out;
}

std::string hexOf(const Units& units) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string out = "<";
  for (std::uint16_t u : units)
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(u >> shift) & 0xF];
  return out + ">";
}

std::string hexOfBytes(const std::string& bytes) {
  static const char* kDigits = "0123456789ABCDEF";
  std::string out = "<";
  for (unsigned char b : bytes) {
    out += kDigits[b >> 4];
    out += kDigits[b & 0xF];
  }
  return out + ">";
}

// The source code `offset` places after `low` (the last byte counts up).
std::string codeAfter(std::string low, unsigned offset) {
  unsigned carry = offset;
  for (auto it = low.rbegin(); it != low.rend() && carry; ++it) {
    unsigned v = static_cast<unsigned char>(*it) + carry;
    *it = static_cast<char>(v & 0xFF);
    carry = v >> 8;
  }
  return low;
}

std::uint64_t codeValue(const std::string& bytes) {
  std::uint64_t v = 0;
  for (unsigned char b : bytes) v = (v << 8) | b;
  return v;
}

void appendBlocks(std::string& out, const char* kind, const std::vector<std::string>& entries) {
  for (std::size_t at = 0; at < entries.size(); at += kBlockEntries) {
    std::size_t n = std::min(kBlockEntries, entries.size() - at);
    out += std::to_string(n) + " begin" + kind + "\n";
    for (std::size_t i = at; i < at + n; ++i) out += entries[i] + "\n";
    out += std::string("end") + kind + "\n";
  }
}

std::string_view text(std::string_view s, const Token& t) { return s.substr(t.begin, t.end - t.begin); }

// One bfchar block's entries, rewritten; nothing when it cannot be read.
std::optional<std::vector<std::string>> charEntries(std::string_view s, const std::vector<Token>& tokens,
                                                    std::size_t from, std::size_t to, bool* changed) {
  std::vector<std::string> out;
  if ((to - from) % 2) return std::nullopt;
  for (std::size_t i = from; i < to; i += 2) {
    if (tokens[i].kind != Token::hex || tokens[i + 1].kind != Token::hex) return std::nullopt;
    auto dst = unitsOf(text(s, tokens[i + 1]));
    if (!dst) return std::nullopt;
    out.push_back(std::string(text(s, tokens[i])) + " " + hexOf(withIdeographs(*dst, changed)));
  }
  return out;
}

// One bfrange block's entries, split into ranges kept and characters spelled out.
bool rangeEntries(std::string_view s, const std::vector<Token>& tokens, std::size_t from, std::size_t to,
                  std::vector<std::string>* ranges, std::vector<std::string>* chars, bool* changed) {
  std::size_t i = from;
  while (i < to) {
    if (i + 2 >= to || tokens[i].kind != Token::hex || tokens[i + 1].kind != Token::hex) return false;
    auto low = hexBytes(text(s, tokens[i]));
    auto high = hexBytes(text(s, tokens[i + 1]));
    if (!low || !high || low->size() != high->size() || low->empty()) return false;
    const std::string head = std::string(text(s, tokens[i])) + " " + std::string(text(s, tokens[i + 1])) + " ";
    if (tokens[i + 2].kind == Token::open) {
      // An array: one destination per code.
      std::string entry = head + "[";
      std::size_t j = i + 3;
      for (; j < to && tokens[j].kind != Token::close; ++j) {
        auto dst = tokens[j].kind == Token::hex ? unitsOf(text(s, tokens[j])) : std::nullopt;
        if (!dst) return false;
        entry += hexOf(withIdeographs(*dst, changed));
      }
      if (j >= to) return false;
      ranges->push_back(entry + "]");
      i = j + 1;
      continue;
    }
    auto dst = tokens[i + 2].kind == Token::hex ? unitsOf(text(s, tokens[i + 2])) : std::nullopt;
    if (!dst || dst->empty()) return false;
    i += 3;
    std::uint64_t lo = codeValue(*low), hi = codeValue(*high);
    bool reaches = false;
    if (hi >= lo && hi - lo <= 0xFFFF) {
      for (std::uint64_t k = 0; k <= hi - lo && !reaches; ++k) {
        Units units = *dst;
        units.back() = static_cast<std::uint16_t>(units.back() + k);
        bool hit = false;
        withIdeographs(units, &hit);
        reaches = hit;
      }
    }
    if (!reaches) {
      ranges->push_back(head + std::string(text(s, tokens[i - 1])));
      continue;
    }
    *changed = true;
    for (std::uint64_t k = 0; k <= hi - lo; ++k) {
      Units units = *dst;
      units.back() = static_cast<std::uint16_t>(units.back() + k);
      bool ignored = false;
      chars->push_back(hexOfBytes(codeAfter(*low, static_cast<unsigned>(k))) + " " +
                       hexOf(withIdeographs(units, &ignored)));
    }
  }
  return true;
}

}  // namespace

char32_t ideographForRadical(char32_t c) {
  if (c >= 0x2F00 && c <= 0x2FD5) {
    // Every Kangxi radical decomposes to its ideograph.
    gunichar decomposed[4] = {};
    gsize n = g_unichar_fully_decompose(static_cast<gunichar>(c), TRUE, decomposed, G_N_ELEMENTS(decomposed));
    return n == 1 && decomposed[0] != c ? static_cast<char32_t>(decomposed[0]) : 0;
  }
  if (c < kSupplement[0].radical || c > std::prev(std::end(kSupplement))->radical) return 0;
  auto it = std::lower_bound(std::begin(kSupplement), std::end(kSupplement), c,
                             [](const Pair& p, char32_t v) { return p.radical < v; });
  return it != std::end(kSupplement) && it->radical == c ? it->ideograph : 0;
}

std::optional<std::string> repairedToUnicode(std::string_view cmap) {
  const std::vector<Token> tokens = tokenize(cmap);
  std::string out;
  std::size_t copied = 0;  // the map up to here is in `out`
  bool changedAny = false;
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    if (tokens[i].kind != Token::word) continue;
    const std::string_view keyword = text(cmap, tokens[i]);
    const bool isChar = keyword == "beginbfchar";
    if (!isChar && keyword != "beginbfrange") continue;
    const std::string_view endWord = isChar ? "endbfchar" : "endbfrange";
    std::size_t end = i + 1;
    while (end < tokens.size() && !(tokens[end].kind == Token::word && text(cmap, tokens[end]) == endWord)) ++end;
    if (end >= tokens.size()) break;
    // The block runs from its count to its end keyword.
    const Token& count = tokens[i - 1];
    bool changed = false;
    std::string block;
    if (isChar) {
      auto entries = charEntries(cmap, tokens, i + 1, end, &changed);
      if (entries && changed) appendBlocks(block, "bfchar", *entries);
    } else {
      std::vector<std::string> ranges, chars;
      if (rangeEntries(cmap, tokens, i + 1, end, &ranges, &chars, &changed) && changed) {
        appendBlocks(block, "bfrange", ranges);
        appendBlocks(block, "bfchar", chars);
      }
    }
    if (changed && !block.empty() && count.kind == Token::word) {
      out.append(cmap.substr(copied, count.begin - copied));
      block.pop_back();  // the line break after the last keyword is the map's own
      out += block;
      copied = tokens[end].end;
      changedAny = true;
    }
    i = end;
  }
  if (!changedAny) return std::nullopt;
  out.append(cmap.substr(copied));
  return out;
}

}  // namespace quorvel::pdftext
