#include "core/KeyShortcuts.h"

#include <cctype>

#include "base/Url.h"

namespace quorvel {
namespace {
// A whole decimal number: an optional sign, then digits, nothing else.
bool parseWhole(const std::string& s, long& out) {
  size_t i = 0;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  if (i == s.size() || s.size() - i > 9) return false;
  long v = 0;
  for (; i < s.size(); ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    v = v * 10 + (s[i] - '0');
  }
  out = negative ? -v : v;
  return true;
}
}  // namespace

std::string linuxShortcutText(const std::string& text) {
  static const std::pair<const char*, const char*> glyphs[] = {
      {"⌘", "Ctrl+"}, {"⇧", "Shift+"}, {"⌥", "Alt+"}, {"⌃", "Alt+"}, {"⏎", "Enter"},
  };
  std::string out;
  for (size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (const auto& [glyph, name] : glyphs) {
      size_t n = std::char_traits<char>::length(glyph);
      if (text.compare(i, n, glyph) == 0) {
        out += name;
        i += n;
        replaced = true;
        break;
      }
    }
    if (!replaced) out += text[i++];
  }
  return out;
}

ShortcutDecision decideShortcut(const KeyModifiers& m, const std::string& rawText, bool inDialog) {
  // Ctrl alone: any other modifier (Caps Lock included) leaves the key to others.
  if (!m.control || m.shift || m.alt || m.super || m.capsLock) return {};
  if (inDialog) return {};
  std::string text = toLowerAscii(rawText);
  if (text == "w") return {ShortcutDecision::closeActiveTab, -1};
  long n = 0;
  if (!text.empty() && parseWhole(text, n) && n >= 1 && n <= 9)
    return {ShortcutDecision::selectTab, static_cast<int>(n - 1)};
  return {};
}

}  // namespace quorvel
