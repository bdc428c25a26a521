#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "ui/model/FloatingWindows.h"
#include "platform/WindowFrameRules.h"

using namespace quorvel;

// The rectangle text read back: the form written, spaces anywhere, nothing else.
TEST(WindowFrameRules, ReadsRectangleText) {
  struct Case {
    const char* text;
    std::optional<Rect> rect;
  };
  const Case cases[] = {
      {"{{120, 80}, {1280, 820}}", Rect{120, 80, 1280, 820}},
      {"{{120,80},{1280,820}}", Rect{120, 80, 1280, 820}},
      {"  {{ -1920 , 0 },\t{ 1280.5 , 820 }}\n", Rect{-1920, 0, 1280.5, 820}},
      {"{{1e3, 2}, {3, 4}}", Rect{1000, 2, 3, 4}},
      {"", std::nullopt},
      {"garbage", std::nullopt},
      {"{120, 80, 1280, 820}", std::nullopt},
      {"{{120, 80}, {1280}}", std::nullopt},
      {"{{120, 80}, {1280, 820}", std::nullopt},
      {"{{120, 80}, {1280, 820}} x", std::nullopt},
      {"{{120, 80}, {1280, 820}}{", std::nullopt},
      {"{{nan, 0}, {1280, 820}}", std::nullopt},
      {"{{0, 0}, {inf, 820}}", std::nullopt},
      {"{{1e999, 0}, {1280, 820}}", std::nullopt},
      {"{{0x10, 0}, {1280, 820}}", std::nullopt},
      {"{{a, b}, {c, d}}", std::nullopt},
  };
  for (const Case& c : cases) EXPECT_EQ(rectFromText(c.text), c.rect) << c.text;
}

TEST(WindowFrameRules, WritesRectangleTextThatReadsBack) {
  EXPECT_EQ(rectText({120, 80, 1280, 820}), "{{120, 80}, {1280, 820}}");
  EXPECT_EQ(rectText({-1920, -0.0, 1280.5, 820}), "{{-1920, 0}, {1280.5, 820}}");
  for (Rect r : {Rect{0.1, 1.0 / 3, 1e6, 7}, Rect{-32768, 32767, 960, 640}})
    EXPECT_EQ(rectFromText(rectText(r)), r) << rectText(r);
}

// A frame is visible when it overlaps some screen in more than an edge.
TEST(WindowFrameRules, FrameVisibleOnAnyScreen) {
  const std::vector<Rect> screens = {{0, 0, 1600, 1000}, {1600, 0, 1920, 1080}};
  struct Case {
    Rect frame;
    bool visible;
  };
  const Case cases[] = {
      {{120, 80, 1280, 820}, true},
      {{-1000, 100, 1200, 800}, true},   // mostly off the left edge
      {{3000, 900, 1280, 820}, true},    // corner on the second screen
      {{100, 1010, 800, 600}, false},    // below the first screen, beside the taller second
      {{1700, 1010, 800, 600}, true},    // below the first, still on the second
      {{-1280, 0, 1280, 820}, false},    // touches the left edge only
      {{0, 1000, 800, 600}, false},      // touches the bottom edge only
      {{3520, 0, 800, 600}, false},      // right of the second screen
      {{5000, 5000, 1280, 820}, false},
      {{100, 100, 0, 820}, false},       // no area
  };
  for (const Case& c : cases) EXPECT_EQ(isFrameVisibleOnAnyScreen(c.frame, screens), c.visible) << rectText(c.frame);
  EXPECT_FALSE(isFrameVisibleOnAnyScreen({0, 0, 100, 100}, {}));
}

TEST(WindowFrameRules, CentresOnScreenKeepingTheCornerOnIt) {
  EXPECT_EQ(centredOn({0, 0, 1600, 1000}, 1280, 820), (Rect{160, 90, 1280, 820}));
  EXPECT_EQ(centredOn({0, 0, 1599, 1000}, 1280, 821), (Rect{159, 89, 1280, 821}));
  EXPECT_EQ(centredOn({100, 30, 1600, 1000}, 1280, 820), (Rect{260, 120, 1280, 820}));
  EXPECT_EQ(centredOn({100, 30, 1600, 1000}, 2000, 1200), (Rect{100, 30, 2000, 1200}));
}

// The main window at attachment: restore, centre, or leave it where it is.
TEST(WindowFrameRules, PlansTheMainWindowFrame) {
  const Rect current{0, 0, 1280, 820};
  const Rect centred{160, 90, 1280, 820};
  const std::vector<Rect> screens = {{0, 0, 1600, 1000}};
  struct Case {
    std::optional<std::string> stored;
    MainFramePlan::Kind kind;
    Rect frame;
  };
  const Case cases[] = {
      {std::nullopt, MainFramePlan::centre, centred},
      {"{{100, 50}, {1300, 900}}", MainFramePlan::restore, {100, 50, 1300, 900}},
      {"{{-200, 50}, {960, 640}}", MainFramePlan::restore, {-200, 50, 960, 640}},
      {"{{100, 50}, {959, 900}}", MainFramePlan::leave, current},
      {"{{100, 50}, {1300, 639}}", MainFramePlan::leave, current},
      // A monitor that is gone: centred, not restored off-screen.
      {"{{5000, 5000}, {1300, 900}}", MainFramePlan::centre, centred},
      {"{{-1300, 0}, {1300, 900}}", MainFramePlan::centre, centred},
      {"garbage", MainFramePlan::leave, current},
      {"{{100, 50}, {1300, 900}", MainFramePlan::leave, current},
  };
  for (const Case& c : cases) {
    MainFramePlan plan = planMainWindowFrame(c.stored, current, screens);
    EXPECT_EQ(plan.kind, c.kind) << c.stored.value_or("(none)");
    EXPECT_EQ(plan.frame, c.frame) << c.stored.value_or("(none)");
  }
  // With no screen known there is nothing to centre on.
  EXPECT_EQ(planMainWindowFrame(std::nullopt, current, {}).kind, MainFramePlan::leave);
  EXPECT_EQ(planMainWindowFrame("{{100, 50}, {1300, 900}}", current, {}).kind, MainFramePlan::leave);
}

TEST(WindowFrameRules, TheBorderSideOrCornerUnderAPoint) {
  // A 400 × 600 window, a 6-pixel border, corners 18 pixels along each side.
  auto at = [](double x, double y) { return frameEdgeAt(x, y, 400, 600, 6, 18); };
  EXPECT_EQ(at(200, 300), FrameEdge::none);
  EXPECT_EQ(at(200, 0), FrameEdge::north);
  EXPECT_EQ(at(200, 5.9), FrameEdge::north);
  EXPECT_EQ(at(200, 6), FrameEdge::none);
  EXPECT_EQ(at(200, 599), FrameEdge::south);
  EXPECT_EQ(at(200, 594), FrameEdge::south);
  EXPECT_EQ(at(0, 300), FrameEdge::west);
  EXPECT_EQ(at(399, 300), FrameEdge::east);
  // A corner reaches along both sides further than the border is thick.
  EXPECT_EQ(at(0, 0), FrameEdge::northWest);
  EXPECT_EQ(at(17, 2), FrameEdge::northWest);
  EXPECT_EQ(at(2, 17), FrameEdge::northWest);
  EXPECT_EQ(at(18, 2), FrameEdge::north);
  EXPECT_EQ(at(397, 10), FrameEdge::northEast);
  EXPECT_EQ(at(3, 590), FrameEdge::southWest);
  EXPECT_EQ(at(397, 597), FrameEdge::southEast);
  EXPECT_EQ(at(385, 597), FrameEdge::southEast);
  // Inside the corner square but off the border is not the border.
  EXPECT_EQ(at(10, 10), FrameEdge::none);
  // Outside the window nothing is.
  EXPECT_EQ(at(-1, 300), FrameEdge::none);
  EXPECT_EQ(at(400, 300), FrameEdge::none);
  EXPECT_EQ(at(200, 600), FrameEdge::none);
}

TEST(FloatingWindows, NamesKeysAndTheFrameAToolWindowOpensAt) {
  using namespace quorvel;
  EXPECT_EQ(floatingIdentifier("todo"), "floating:todo");
  EXPECT_EQ(floatingShortName("floating:palette"), "palette");
  EXPECT_EQ(floatingShortName("desktop-calendar"), "desktop-calendar");
  EXPECT_EQ(floatingFrameKey("mirror"), "floating.frame.mirror");
  ASSERT_EQ(floatingWindowSpecs().size(), 5u);
  EXPECT_TRUE(floatingWindowSpec("palette")->pinnedByDefault);
  EXPECT_FALSE(floatingWindowSpec("todo")->pinnedByDefault);
  EXPECT_EQ(floatingWindowSpec("nothing"), nullptr);

  const std::vector<Rect> screens{{0, 0, 1600, 1000}};
  const auto& todo = *floatingWindowSpec("todo");
  const auto& palette = *floatingWindowSpec("palette");
  const Rect todoCentred{370, 210, 860, 580};
  struct Case {
    const FloatingWindowSpec* spec;
    std::optional<std::string> stored;
    Rect expected;
  };
  const Case cases[] = {
      {&todo, std::nullopt, todoCentred},
      {&todo, std::string("{{100, 120}, {900, 600}}"), {100, 120, 900, 600}},  // resizable: taken whole
      {&palette, std::string("{{100, 120}, {900, 600}}"), {100, 120, 600, 460}},  // fixed: origin only
      {&todo, std::string("{{100, 120}, {150, 600}}"), todoCentred},  // narrower than 200
      {&todo, std::string("{{100, 120}, {900, 170}}"), todoCentred},  // lower than 180
      {&todo, std::string("{{5000, 120}, {900, 600}}"), todoCentred},  // on no screen
      {&todo, std::string("not a frame"), todoCentred},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored.value_or("(none)"));
    EXPECT_EQ(planFloatingFrame(*c.spec, c.stored, screens), c.expected);
  }
}

// A tool window's remembered frame comes back only when it is one the window could
// really have had: readable, at least 200 × 180, on a screen; a fixed-size window
// takes only the origin.
TEST(WindowFrameRules, ARememberedToolWindowFrameComesBackOnlyWhenItCouldHaveBeenReal) {
  const std::vector<Rect> screens{{0, 0, 1600, 1000}};
  EXPECT_EQ(restorableToolFrame("{{700, 300}, {640, 480}}", screens), (Rect{700, 300, 640, 480}));
  EXPECT_EQ(restorableToolFrame("{{700, 300}, {640, 480}}", screens, 600, 460), (Rect{700, 300, 600, 460}));
  EXPECT_EQ(restorableToolFrame(std::nullopt, screens), std::nullopt);
  EXPECT_EQ(restorableToolFrame("{{700, 300}}", screens), std::nullopt);
  EXPECT_EQ(restorableToolFrame("{{700, 300}, {199, 480}}", screens), std::nullopt);
  EXPECT_EQ(restorableToolFrame("{{700, 300}, {640, 179}}", screens), std::nullopt);
  EXPECT_EQ(restorableToolFrame("{{5000, 300}, {640, 480}}", screens), std::nullopt);
  EXPECT_EQ(restorableToolFrame("{{700, 300}, {640, 480}}", {}), std::nullopt);
}
