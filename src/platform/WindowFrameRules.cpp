#include "platform/WindowFrameRules.h"

#include <charconv>
#include <cmath>

namespace quorvel {
namespace {

std::string number(double v) {
  if (v == 0) v = 0;  // no "-0"
  char buf[32];
  auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

// A cursor over the text; each step skips the spaces before its token.
struct Reader {
  std::string_view s;
  size_t i = 0;

  void skipSpaces() {
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\n' || s[i] == '\r')) ++i;
  }
  bool expect(char c) {
    skipSpaces();
    if (i >= s.size() || s[i] != c) return false;
    ++i;
    return true;
  }
  std::optional<double> num() {
    skipSpaces();
    double v = 0;
    auto res = std::from_chars(s.data() + i, s.data() + s.size(), v);
    if (res.ec != std::errc() || !std::isfinite(v)) return std::nullopt;
    i = size_t(res.ptr - s.data());
    return v;
  }
  bool pair(double& a, double& b) {
    if (!expect('{')) return false;
    auto x = num();
    if (!x || !expect(',')) return false;
    auto y = num();
    if (!y || !expect('}')) return false;
    a = *x;
    b = *y;
    return true;
  }
};

}  // namespace

std::string rectText(const Rect& r) {
  return "{{" + number(r.x) + ", " + number(r.y) + "}, {" + number(r.width) + ", " + number(r.height) + "}}";
}

std::optional<Rect> rectFromText(std::string_view text) {
  Reader in{text};
  Rect r;
  if (!in.expect('{') || !in.pair(r.x, r.y) || !in.expect(',') || !in.pair(r.width, r.height) || !in.expect('}'))
    return std::nullopt;
  in.skipSpaces();
  if (in.i != text.size()) return std::nullopt;
  return r;
}

bool intersects(const Rect& a, const Rect& b) {
  if (a.width <= 0 || a.height <= 0 || b.width <= 0 || b.height <= 0) return false;
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

bool isFrameVisibleOnAnyScreen(const Rect& frame, const std::vector<Rect>& screens) {
  for (const Rect& s : screens)
    if (intersects(frame, s)) return true;
  return false;
}

Rect centredOn(const Rect& screen, double width, double height) {
  double x = screen.x + std::floor((screen.width - width) / 2);
  double y = screen.y + std::floor((screen.height - height) / 2);
  return Rect{std::max(x, screen.x), std::max(y, screen.y), width, height};
}

std::optional<Rect> restorableToolFrame(const std::optional<std::string>& stored, const std::vector<Rect>& screens,
                                        double fixedWidth, double fixedHeight) {
  auto saved = stored ? rectFromText(*stored) : std::nullopt;
  if (!saved || saved->width < kToolWindowMinRestoreWidth || saved->height < kToolWindowMinRestoreHeight ||
      !isFrameVisibleOnAnyScreen(*saved, screens))
    return std::nullopt;
  if (fixedWidth > 0 && fixedHeight > 0) return Rect{saved->x, saved->y, fixedWidth, fixedHeight};
  return saved;
}

FrameEdge frameEdgeAt(double x, double y, double width, double height, double border, double corner) {
  if (x < 0 || y < 0 || x >= width || y >= height) return FrameEdge::none;
  const bool north = y < border, south = y >= height - border;
  const bool west = x < border, east = x >= width - border;
  const bool nearNorth = y < corner, nearSouth = y >= height - corner;
  const bool nearWest = x < corner, nearEast = x >= width - corner;
  if ((north && nearWest) || (west && nearNorth)) return FrameEdge::northWest;
  if ((north && nearEast) || (east && nearNorth)) return FrameEdge::northEast;
  if ((south && nearWest) || (west && nearSouth)) return FrameEdge::southWest;
  if ((south && nearEast) || (east && nearSouth)) return FrameEdge::southEast;
  if (north) return FrameEdge::north;
  if (south) return FrameEdge::south;
  if (west) return FrameEdge::west;
  if (east) return FrameEdge::east;
  return FrameEdge::none;
}

MainFramePlan planMainWindowFrame(const std::optional<std::string>& stored, const Rect& current,
                                  const std::vector<Rect>& screens) {
  auto centred = [&] {
    if (screens.empty()) return MainFramePlan{MainFramePlan::leave, current};
    return MainFramePlan{MainFramePlan::centre, centredOn(screens.front(), current.width, current.height)};
  };
  if (!stored) return centred();
  auto r = rectFromText(*stored);
  if (!r || r->width < kMainWindowMinRestoreWidth || r->height < kMainWindowMinRestoreHeight)
    return {MainFramePlan::leave, current};
  if (!isFrameVisibleOnAnyScreen(*r, screens)) return centred();
  return {MainFramePlan::restore, *r};
}

}  // namespace quorvel
