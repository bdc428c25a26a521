#include "core/ShortcutText.h"

#include <vector>

namespace quorvel {

namespace {
// ⌃ appears only in ⌘⌃L, which is Ctrl+Alt+L on Linux.
const char* modifierName(std::string_view glyph) {
  if (glyph == "⌘") return "Ctrl";
  if (glyph == "⌥") return "Alt";
  if (glyph == "⇧") return "Shift";
  if (glyph == "⌃") return "Alt";
  return nullptr;
}

size_t codePointLength(unsigned char lead) {
  if (lead < 0x80) return 1;
  if ((lead >> 5) == 0x6) return 2;
  if ((lead >> 4) == 0xE) return 3;
  if ((lead >> 3) == 0x1E) return 4;
  return 1;
}

// A key glyph as a Linux keyboard names the key; other characters are kept.
std::string_view keyName(std::string_view glyph) { return glyph == "⏎" ? std::string_view("Enter") : glyph; }
}  // namespace

std::string linuxShortcutText(std::string_view text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    std::vector<std::string> mods;
    size_t j = i;
    while (j < text.size()) {
      size_t n = std::min(codePointLength(static_cast<unsigned char>(text[j])), text.size() - j);
      const char* name = modifierName(text.substr(j, n));
      if (!name) break;
      // The same modifier twice (⌘⌃ → Ctrl, Alt) is written once.
      bool seen = false;
      for (auto& m : mods) seen = seen || m == name;
      if (!seen) mods.emplace_back(name);
      j += n;
    }
    if (mods.empty()) {
      size_t n = std::min(codePointLength(static_cast<unsigned char>(text[i])), text.size() - i);
      out += keyName(text.substr(i, n));
      i += n;
      continue;
    }
    for (size_t k = 0; k < mods.size(); ++k) {
      if (k) out += '+';
      out += mods[k];
    }
    // The key after the modifiers, when there is one that is not a blank.
    if (j < text.size() && text[j] != ' ') {
      size_t n = std::min(codePointLength(static_cast<unsigned char>(text[j])), text.size() - j);
      out += '+';
      out += keyName(text.substr(j, n));
      j += n;
    }
    i = j;
  }
  return out;
}

}  // namespace quorvel
