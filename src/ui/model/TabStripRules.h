#pragma once
// The decisions of the top bar and its tab strip, kept free of GTK so they are tested
// headless: what a chip shows, its tooltip and context menu, what a drop on it means,
// the glyph each symbol is drawn with, and the tab keys of the main window.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/LawIcons.h"
#include "core/Theme.h"

namespace quorvel::TabStripRules {

// ---- Tab chip --------------------------------------------------------------------

enum class ChipGlyph { spinner, moon, pathIcon };
// Loading wins over hibernated, hibernated over the page's icon.
ChipGlyph chipGlyph(bool isLoading, bool hasWebView);

// The visible title: "新标签" for an empty one.
std::string chipTitle(const std::string& title);

// The live page's address; else the raw title (which may be empty).
std::string chipTooltip(const std::optional<std::string>& liveURL, const std::string& title);

// What "复制链接" puts on the clipboard: the live address, else the hibernated one;
// nothing when the tab has neither.
std::optional<std::string> linkToCopy(const std::optional<std::string>& liveURL,
                                      const std::optional<std::string>& hibernatedURL);

enum class ChipMenuAction { close, closeOthers, closeToRight, copyLink, hibernate };
struct ChipMenuItem {
  ChipMenuAction action;
  std::string title;
  bool separatorBefore = false;
};
// The context menu of a chip, in order; "休眠这个标签" only for a tab that is not active.
std::vector<ChipMenuItem> chipMenu(bool isActive);

// The drag payload of a tab: its id as upper-case UUID text.
std::string dragPayload(const std::string& tabID);
// The first dropped string as a tab id (upper-case UUID text); nothing when no string
// was dropped or it is not a UUID, and then the drop is refused.
std::optional<std::string> parseDroppedTabID(const std::vector<std::string>& dropped);

// Per-state colours of a chip.
struct ChipLook {
  LawColor fill;
  LawColor border;
  LawColor title;
  LawColor iconColor;
  double iconDuotone = 0.1;
  LawFontWeight titleWeight = LawFontWeight::regular;
  LawShadow shadow;
};
ChipLook chipLook(bool active, bool hover);

// ---- Top bar ---------------------------------------------------------------------

std::string sidebarToggleTip(bool sidebarShown);
// The red count on the to-do button: none below 1.
std::optional<std::string> overduePillText(long long overdue);

enum class CalendarToggle { show, hide };
// A visible calendar window is hidden; a hidden or never shown one is shown.
CalendarToggle calendarToggle(bool hasWindow, bool windowVisible);

// How a system symbol name is drawn here: one of our line icons, else a freedesktop
// symbolic icon of the same meaning. Every symbol of the bar, of the shortcut sheet's
// cards and of the settings sheet's cards has one of the two.
struct SymbolGlyph {
  std::optional<LawIconKind> kind;
  std::string iconName;
};
SymbolGlyph symbolGlyph(std::string_view symbol);

struct IconButtonLook {
  LawColor symbol;
  LawColor fill;
  LawColor border;  // stroked 0.8 wide
  double scale = 1;
};
IconButtonLook iconButtonLook(bool hover, bool disabled);

struct CapsuleLook {
  LawColor fill;
  LawColor border;
  LawShadow shadow;
};
CapsuleLook capsuleLook(bool hover);

// ---- Tab keys of the main window -------------------------------------------------

struct KeyPress {
  bool control = false;
  bool shift = false;
  bool alt = false;
  bool super = false;
  bool capsLock = false;
  bool keypad = false;     // the key is on the numeric pad
  std::string characters;  // ignoring modifiers
  bool sheetIsKey = false; // a dialog attached to a window has the keyboard
};
struct TabKeyDecision {
  enum Kind { pass, closeActive, selectTab } kind = pass;
  int position = -1;  // selectTab: 0-based, not checked against the tab count
};
// Ctrl+W closes the active tab, Ctrl+1 … Ctrl+9 select a tab; anything else passes.
TabKeyDecision decideTabKey(const KeyPress& key);

}  // namespace quorvel::TabStripRules
