#pragma once
// Shortcut glyphs as a Linux user reads them: "⌘⇧D" → "Ctrl+Shift+D".
#include <string>
#include <string_view>

namespace quorvel {

// Every run of modifier glyphs (⌘ ⌥ ⇧ ⌃) and the key after it becomes the Linux form
// joined with "+"; the rest of the text is kept. "新建标签 ⌘T" → "新建标签 Ctrl+T".
std::string linuxShortcutText(std::string_view text);

}  // namespace quorvel
