#pragma once
// What the tray's menu-bar panel shows, as plain values: the identity line, the
// counter boxes, the command rows in their sections, and the per-state looks of boxes
// and rows (the view's CSS is generated from them). Free of GTK, tested headless.
#include <optional>
#include <string>
#include <vector>

#include "core/BadgeCounts.h"
#include "core/LawIcons.h"
#include "core/Theme.h"
#include "core/Todo.h"

namespace quorvel {

inline constexpr double kMenuBarPanelWidth = 316;
inline constexpr const char* kMenuBarTitle = "衡石同舟·墨衡台";
inline constexpr const char* kMenuBarCountersTitle = "待办速览 · 点击直达清单";
inline constexpr const char* kMenuBarRefreshTip = "刷新待办角标";
inline constexpr const char* kMenuBarRetryTitle = "重试";
inline constexpr LawColor kMenuBarAmber = LawColor::rgb8(251, 191, 36);

enum class MenuBarCommand {
  quickCapture, screenCapture, quickArchive,
  showMain, desktopCalendar, search, mirror, openFolder,
  syncCalendar, lock, checkUpdate,
  quit,
};

// What the rows' titles, badges and spinners depend on.
struct MenuBarRowInputs {
  bool desktopCalendarVisible = false;
  bool volumeMounted = false;
  bool syncing = false;
  bool syncEnabled = false;
};

struct MenuBarRow {
  MenuBarCommand command;
  std::string title;
  std::string symbol;                   // the symbol's name (the view picks its glyph)
  std::optional<std::string> shortcut;  // in the Linux form ("Alt+Shift+N")
  std::optional<LawColor> accent;
  std::optional<std::string> badge;
  LawColor badgeColor = LawTheme::success;
  bool danger = false;
  bool spinning = false;
  bool operator==(const MenuBarRow&) const = default;
};

struct MenuBarSection {
  std::string title;  // empty for the last one (Quit alone)
  std::vector<MenuBarRow> rows;
};

// The three titled sections and Quit, in their order.
std::vector<MenuBarSection> menuBarSections(const MenuBarRowInputs& inputs);

// "name · role" with a user name (the name alone for a blank role), else "未登录"
// (whatever the sign-in flag says).
std::string menuBarIdentityLine(const BadgeCounts& badges);
// Amber when sign-in is required, else successGlow.
LawColor menuBarStatusColor(bool loginRequired);
// The counter when loaded, else "–".
std::string menuBarCountText(long long value, bool loaded);
// "v2.2.0".
std::string menuBarVersionText();
// "查看「<title>」清单".
std::string menuBarBoxTip(TodoKind kind);
// The counter boxes' rows: overdue and today, then soon, verify and hearings.
std::vector<std::vector<TodoKind>> menuBarBoxRows();

// ---- Per-state looks -----------------------------------------------------------------

struct MenuBarBoxLook {
  LawColor number;
  LawColor caption;
  LawFontWeight captionWeight = LawFontWeight::medium;
  LawColor fill;
  LawColor stroke;
  LawColor mark;
  double markOpacity = 0;
  LawShadow shadow;
  double scale = 1;
};
// Coloured by `value` alone (1 or more has items), loaded or not.
MenuBarBoxLook menuBarBoxLook(TodoKind kind, long long value, bool hover);

struct MenuBarRowLook {
  LawColor tileFill;
  LawColor icon;
  LawColor title;
  LawFontWeight titleWeight = LawFontWeight::regular;
  LawColor shortcutText;
  LawColor shortcutFill;
  LawColor shortcutStroke;
  LawColor chevron;
  double chevronOpacity = 0;
  double chevronOffsetX = 0;
  LawColor fill;
  LawColor accentBar;
  double accentBarOpacity = 0;
};
MenuBarRowLook menuBarRowLook(bool danger, std::optional<LawColor> accent, bool hover);

// The panel's style sheet.
std::string menuBarCss();

}  // namespace quorvel
