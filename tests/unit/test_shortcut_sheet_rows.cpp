// The shortcut sheet's fixed rows: the four groups in order, every row's description
// and its key cap in the Linux form, unique keys per group.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ui/model/ShortcutSheetRows.h"
#include "ui/model/TabStripRules.h"

using namespace quorvel;

namespace {
using Shown = std::vector<std::pair<std::string, std::string>>;  // (key cap, description)

Shown shown(const ShortcutSheetGroup& group) {
  Shown out;
  for (const auto& row : group.rows) out.emplace_back(shortcutKeyCapText(row), row.description);
  return out;
}
}  // namespace

TEST(ShortcutSheetRows, FourGroupsInOrderWithTheirTwentyOneRowsInLinuxKeys) {
  const auto& groups = shortcutSheetGroups();
  ASSERT_EQ(groups.size(), 4u);
  std::vector<std::string> heads;
  for (const auto& g : groups) {
    heads.push_back(std::string(g.id) + "|" + g.title + "|" + g.icon);
    auto glyph = TabStripRules::symbolGlyph(g.icon);  // each heading's icon is drawn with something
    EXPECT_TRUE(glyph.kind || !glyph.iconName.empty()) << g.icon;
  }
  EXPECT_EQ(heads, (std::vector<std::string>{"tabs|标签与窗口|macwindow", "nav|导航与阅读|safari",
                                             "tools|办案与 Linux 融合|bolt.fill", "files|卷宗与待办|folder.fill"}));

  EXPECT_EQ(shown(groups[0]), (Shown{{"Ctrl+T", "新建工作台标签"},
                                     {"Ctrl+W", "关闭当前标签"},
                                     {"Ctrl+1 – Ctrl+9", "按序号切换标签"},
                                     {"Ctrl+Shift+[ / Ctrl+Shift+]", "切换上/下一个标签"},
                                     {"Ctrl+Shift+H", "休眠其他后台标签"}}));
  EXPECT_EQ(shown(groups[1]), (Shown{{"Ctrl+[ / Ctrl+]", "后退 / 前进"},
                                     {"Ctrl+R", "重新加载当前页"},
                                     {"Ctrl+F", "聚焦页面搜索框"},
                                     {"Ctrl++ / Ctrl+- / Ctrl+0", "放大 / 缩小 / 实际大小"},
                                     {"Ctrl+P / Ctrl+Shift+E", "打印 / 导出 PDF"}}));
  EXPECT_EQ(shown(groups[2]), (Shown{{"Ctrl+K", "全局搜索合同/客户/页面"},
                                     {"Ctrl+Shift+C", "桌面交互日历（贴桌面/置顶）"},
                                     {"Alt+Shift+N", "系统全局悬浮快记待办"},
                                     {"Alt+Shift+O", "屏幕框选 OCR（案号/单号/日期）"},
                                     {"Ctrl+Shift+U", "快速归档 / 扫描文稿"},
                                     {"Ctrl+Alt+L", "隐私锁屏"}}));
  EXPECT_EQ(shown(groups[3]), (Shown{{"Ctrl+Shift+D", "打开我的待办中心"},
                                     {"Ctrl+Shift+M / Ctrl+Shift+O", "卷宗镜像 / 文件管理器打开目录"},
                                     {"Ctrl+Shift+S", "扫描件 OCR 可搜索 PDF"},
                                     {"Ctrl+Shift+L / Ctrl+/", "切换账号 / 快捷键速查"},
                                     {"拖到任务栏图标", "文件直接归档到案件卷宗"}}));
  // The glyph texts are kept as written: an en dash between spaces, ⌘ before ⌃.
  EXPECT_STREQ(groups[0].rows[2].keys, "⌘1 – ⌘9");
  EXPECT_STREQ(groups[2].rows[5].keys, "⌘⌃L");
}

// The key text is a row's identity: no two rows of a group share one, nor its Linux form.
TEST(ShortcutSheetRows, KeysAreUniquePerGroup) {
  size_t total = 0;
  for (const auto& g : shortcutSheetGroups()) {
    std::set<std::string> keys, caps;
    for (const auto& row : g.rows) {
      EXPECT_TRUE(keys.insert(row.keys).second) << g.id << " " << row.keys;
      EXPECT_TRUE(caps.insert(shortcutKeyCapText(row)).second) << g.id << " " << row.keys;
      ++total;
    }
  }
  EXPECT_EQ(total, 21u);
}
