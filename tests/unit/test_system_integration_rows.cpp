// The system-integration card's texts: shortcut titles in their Linux form without a
// name of another platform, and the search line at and around its threshold.
#include <gtest/gtest.h>

#include <string>

#include "ui/model/SystemIntegrationRows.h"

using namespace quorvel;
namespace R = SystemIntegrationRows;

namespace {
bool hasGlyph(const std::string& text) {
  for (const char* g : {"⌘", "⌥", "⇧", "⌃"})
    if (text.find(g) != std::string::npos) return true;
  return false;
}
}  // namespace

TEST(SystemIntegrationRows, TitlesNameTheLinuxKeysAndNoOtherPlatform) {
  EXPECT_EQ(R::desktopCalendarTitle(), "桌面交互日历（推荐 · Ctrl+Shift+C）");
  EXPECT_EQ(R::hotKeysTitle(), "全局热键：Alt+Shift+N 悬浮快记 · Alt+Shift+O 屏幕框选 OCR");
  EXPECT_EQ(R::idleLockTitle(), "闲置自动隐私锁屏（Ctrl+Alt+L 立即锁）");
  for (const std::string& t : {R::desktopCalendarTitle(), R::hotKeysTitle(), R::idleLockTitle(),
                               std::string(R::kSearchTitle), std::string(R::kCalendarSyncTitle),
                               std::string(R::kClearAlertTitle), R::searchSubtitle(0, "")}) {
    SCOPED_TRACE(t);
    EXPECT_FALSE(hasGlyph(t));
    for (const char* other : {"Mac", "macOS", "Touch ID", "Spotlight", "苹果", "聚光灯", "⌘Space"})
      EXPECT_EQ(t.find(other), std::string::npos) << other;
  }
  EXPECT_EQ(std::string(R::kSectionTitle), "Linux 桌面深度融合");
}

TEST(SystemIntegrationRows, SearchLineShowsTheCountFromOneIndexedItemOn) {
  const std::string description = "在系统搜索直接搜合同号或当事人名称直达卷宗";
  EXPECT_EQ(R::searchSubtitle(0, "09:30"), description);
  EXPECT_EQ(R::searchSubtitle(-3, "09:30"), description);
  EXPECT_EQ(R::searchSubtitle(1, "09:30"), "已索引 1 条合同/客户/卷宗（09:30）");
  EXPECT_EQ(R::searchSubtitle(42, "23:05"), "已索引 42 条合同/客户/卷宗（23:05）");
  EXPECT_EQ(R::searchSubtitle(12345, ""), "已索引 12345 条合同/客户/卷宗（）");
}
