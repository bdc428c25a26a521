#pragma once
// The five tool windows that open beside the main window, and where a remembered
// frame may put one of them. Kept apart from the toolkit so the rules are tested
// headless.
#include <optional>
#include <string>
#include <vector>

#include "platform/WindowPlacement.h"

namespace quorvel {

struct FloatingWindowSpec {
  const char* name;   // short name: "settings", "todo", "palette", "shortcuts", "mirror"
  const char* title;  // with shortcut glyphs as the Parts give them
  int width, height;
  bool resizable;
  int minWidth, minHeight;  // 0: none
  bool pinnedByDefault;
};

const std::vector<FloatingWindowSpec>& floatingWindowSpecs();
const FloatingWindowSpec* floatingWindowSpec(const std::string& name);

// "floating:" + name, and back (any other identifier is used whole).
std::string floatingIdentifier(const std::string& name);
std::string floatingShortName(const std::string& identifier);
// "floating.frame." + name.
std::string floatingFrameKey(const std::string& name);

// Where a tool window opens: a remembered frame of at least 200 × 180 that lies on some
// screen is taken (a fixed-size window takes its origin only, keeping its own size);
// otherwise the window is centred on the main screen.
Rect planFloatingFrame(const FloatingWindowSpec& spec, const std::optional<std::string>& stored,
                       const std::vector<Rect>& screens);

}  // namespace quorvel
