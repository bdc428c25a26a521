#pragma once
// The client's menu commands: their titles, order, groups and keys. The application
// registers an action and accelerator for each; the primary menu shows them in this
// order, with the shortcut in its Linux form.
#include <string>
#include <vector>

namespace quorvel {

struct MenuCommand {
  std::string action;    // application action name ("app." + action)
  std::string title;
  std::string shortcut;  // glyph form as the menus give it ("⌘⇧E"); empty without one
  std::vector<std::string> accels;  // GTK accelerators
  bool separatorBefore = false;
  bool fontSizes = false;  // the "字号" submenu
};

// "新建标签" first, then the View group in its order.
const std::vector<MenuCommand>& menuCommands();
const MenuCommand* findMenuCommand(const std::string& action);

struct FontSizeChoice {
  std::string title;
  double scale;
};
// "小" 0.9, "中" 1.0, "大" 1.15.
const std::vector<FontSizeChoice>& fontSizeChoices();

namespace PageZoom {
inline constexpr double minimum = 0.6;
inline constexpr double maximum = 1.8;
inline constexpr double step = 0.1;
// The zoom after a step of `delta` from `current`, kept within 0.6 … 1.8.
double stepped(double current, double delta);
// A stored zoom outside the range is clamped when read; a missing one is 1.0.
double clamped(double value);
}  // namespace PageZoom

// Focuses the page's own search field: returns "ok" or "none".
const char* pageSearchScript();

}  // namespace quorvel
