#pragma once
// The window's own shortcuts, Ctrl+W (close the active tab) and Ctrl+1…Ctrl+9 (select
// a tab), decided before any page or menu sees the key.
#include <string>

namespace quorvel {

// A text with shortcut glyphs in the form Linux users read: "⌘⇧D" → "Ctrl+Shift+D",
// "⌥⇧N" → "Alt+Shift+N", "⌘⌃L" → "Ctrl+Alt+L", "⏎" → "Enter"; other text unchanged.
std::string linuxShortcutText(const std::string& text);

// The modifier keys a key press carries, as far as the rule looks at them.
struct KeyModifiers {
  bool control = false;
  bool shift = false;
  bool alt = false;
  bool super = false;
  bool capsLock = false;
};

struct ShortcutDecision {
  enum Action { passOn, closeActiveTab, selectTab } action = passOn;
  int index = -1;  // selectTab: the position, 0-based (not checked against the tab count)
  bool consumed() const { return action != passOn; }
};

// `text`: the key's characters without modifiers; `inDialog`: the focused window is a
// dialog attached to another window (it gets its keys unchanged).
ShortcutDecision decideShortcut(const KeyModifiers& modifiers, const std::string& text, bool inDialog);

}  // namespace quorvel
