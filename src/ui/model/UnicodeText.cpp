#include "ui/model/UnicodeText.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/utf8.h>

namespace quorvel {

std::string trimmedWhitespace(const std::string& text) {
  const auto* s = reinterpret_cast<const uint8_t*>(text.data());
  const int32_t length = static_cast<int32_t>(text.size());
  int32_t begin = 0;
  while (begin < length) {
    int32_t next = begin;
    UChar32 c;
    U8_NEXT(s, next, length, c);
    if (c < 0 || !u_isUWhiteSpace(c)) break;
    begin = next;
  }
  int32_t end = length;
  while (end > begin) {
    int32_t prev = end;
    UChar32 c;
    U8_PREV(s, begin, prev, c);
    if (c < 0 || !u_isUWhiteSpace(c)) break;
    end = prev;
  }
  return text.substr(static_cast<size_t>(begin), static_cast<size_t>(end - begin));
}

std::string lowercased(const std::string& text) {
  std::string out;
  icu::UnicodeString::fromUTF8(text).toLower(icu::Locale::getRoot()).toUTF8String(out);
  return out;
}

}  // namespace quorvel
