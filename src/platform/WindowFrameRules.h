#pragma once
// Window frames as text, and where a remembered frame may go back on the screens.
// Kept apart from the toolkit so the rules are tested headless.
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/WindowPlacement.h"

namespace quorvel {

// The main window's frame in the user defaults.
inline constexpr const char* kMainWindowFrameKey = "window.frame.v1";
// Smaller remembered frames are not restored.
inline constexpr double kMainWindowMinRestoreWidth = 960;
inline constexpr double kMainWindowMinRestoreHeight = 640;

// "{{120, 80}, {1280, 820}}": origin and size, each pair in braces, the two pairs in
// outer braces; numbers in their shortest exact form ("120", "120.5").
std::string rectText(const Rect& r);
// The same form read back, spaces anywhere between the tokens. Anything else (a
// missing brace, a word, a number that is not finite, text after the rectangle)
// gives nothing.
std::optional<Rect> rectFromText(std::string_view text);

// True when both have an area and they overlap in more than an edge.
bool intersects(const Rect& a, const Rect& b);
// True when the frame intersects at least one screen's visible frame; false with no screen.
bool isFrameVisibleOnAnyScreen(const Rect& frame, const std::vector<Rect>& screens);
// A frame of the given size centred on the screen; one larger than the screen keeps
// its top-left corner on it, so the title bar stays reachable.
Rect centredOn(const Rect& screen, double width, double height);

// Smaller remembered tool-window frames are not restored.
inline constexpr double kToolWindowMinRestoreWidth = 200;
inline constexpr double kToolWindowMinRestoreHeight = 180;
// A remembered tool-window frame that may come back: readable, at least 200 × 180 and
// on some screen. A window of fixed size (`fixedWidth` and `fixedHeight` above 0) takes
// only the origin and keeps its own size.
std::optional<Rect> restorableToolFrame(const std::optional<std::string>& stored, const std::vector<Rect>& screens,
                                        double fixedWidth = 0, double fixedHeight = 0);

// The side or corner of a window's border a point lies on, for resizing by dragging.
enum class FrameEdge { none, north, south, east, west, northWest, northEast, southWest, southEast };
// (x, y) in window coordinates of a width × height window: within `border` of a side
// is that side; within `border` of one side and `corner` of the side next to it is
// their corner (a corner is easier to hit than the thin side). Outside the window: none.
FrameEdge frameEdgeAt(double x, double y, double width, double height, double border, double corner);

// What to do with the main window when its frame memory is attached.
struct MainFramePlan {
  enum Kind {
    centre,   // put `frame` (the current size, centred on the main screen)
    restore,  // put `frame` (the remembered one) and log it
    leave,    // keep the window where it is
  } kind;
  Rect frame;
};
// `stored` is the text under "window.frame.v1", `current` the window's frame now,
// `screens` the visible frames, main screen first. No text: centre. A text of at
// least 960 x 640: restore it when it lies on some screen, centre otherwise (a
// monitor that is gone must not hold the window). A smaller or unreadable text: leave.
MainFramePlan planMainWindowFrame(const std::optional<std::string>& stored, const Rect& current,
                                  const std::vector<Rect>& screens);

}  // namespace quorvel
