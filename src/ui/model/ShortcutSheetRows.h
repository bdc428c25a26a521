#pragma once
// The fixed rows of the keyboard-shortcut sheet: four groups of (keys, description),
// with the keys in their glyph form as the client's texts write them and shown in
// their Linux form. Free of GTK, so the rows are tested headless.
#include <string>
#include <vector>

namespace quorvel {

inline constexpr const char* kShortcutsSheetTitle = "键盘快捷键";
inline constexpr const char* kShortcutsSheetSubtitle = "衡石同舟·墨衡台 Linux 效率速查";
inline constexpr const char* kShortcutsSheetIcon = "keyboard";
inline constexpr const char* kShortcutsSheetDone = "完成";

struct ShortcutSheetRow {
  const char* keys;  // glyph form, e.g. "⌘⇧D"; the row's identity within its group
  const char* description;
};

struct ShortcutSheetGroup {
  const char* id;
  const char* title;
  const char* icon;  // symbol name shown before the title
  std::vector<ShortcutSheetRow> rows;
};

// "tabs", "nav", "tools", "files", in this order; built once and never changed.
const std::vector<ShortcutSheetGroup>& shortcutSheetGroups();

// What a row's key cap shows: "⌘1 – ⌘9" → "Ctrl+1 – Ctrl+9".
std::string shortcutKeyCapText(const ShortcutSheetRow& row);

}  // namespace quorvel
