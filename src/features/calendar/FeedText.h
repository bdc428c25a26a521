#pragma once
// UTF-8 helpers of the feed reader, with the character rules of the feed's format:
// blanks are tab and the Unicode space separators, "characters" are user-perceived.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvel::feedtext {

// The code point at i (advancing i); a broken sequence gives U+FFFD and one byte.
char32_t decodeAt(std::string_view s, size_t& i);
bool isAscii(std::string_view s);
std::string_view trimBlanksView(std::string_view s);
// User-perceived characters (grapheme clusters).
size_t graphemeCount(std::string_view s);
std::string_view prefixGraphemes(std::string_view s, size_t count);
std::string upperCased(std::string_view s);
// Decimal, letter and other numbers of Unicode.
bool isNumericCodePoint(char32_t cp);
// Base-10 ASCII digits that fit a signed 64-bit integer.
std::optional<std::int64_t> toInt64(std::string_view digits);

}  // namespace quorvel::feedtext
