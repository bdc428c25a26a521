#include "ui/model/ShortcutSheetRows.h"

#include "core/ShortcutText.h"

namespace quorvel {

const std::vector<ShortcutSheetGroup>& shortcutSheetGroups() {
  static const std::vector<ShortcutSheetGroup> groups = {
      {"tabs",
       "标签与窗口",
       "macwindow",
       {{"⌘T", "新建工作台标签"},
        {"⌘W", "关闭当前标签"},
        {"⌘1 – ⌘9", "按序号切换标签"},
        {"⌘⇧[ / ⌘⇧]", "切换上/下一个标签"},
        {"⌘⇧H", "休眠其他后台标签"}}},
      {"nav",
       "导航与阅读",
       "safari",
       {{"⌘[ / ⌘]", "后退 / 前进"},
        {"⌘R", "重新加载当前页"},
        {"⌘F", "聚焦页面搜索框"},
        {"⌘+ / ⌘- / ⌘0", "放大 / 缩小 / 实际大小"},
        {"⌘P / ⌘⇧E", "打印 / 导出 PDF"}}},
      {"tools",
       "办案与 Linux 融合",
       "bolt.fill",
       {{"⌘K", "全局搜索合同/客户/页面"},
        {"⌘⇧C", "桌面交互日历（贴桌面/置顶）"},
        {"⌥⇧N", "系统全局悬浮快记待办"},
        {"⌥⇧O", "屏幕框选 OCR（案号/单号/日期）"},
        {"⌘⇧U", "快速归档 / 扫描文稿"},
        {"⌘⌃L", "隐私锁屏"}}},
      {"files",
       "卷宗与待办",
       "folder.fill",
       {{"⌘⇧D", "打开我的待办中心"},
        {"⌘⇧M / ⌘⇧O", "卷宗镜像 / 文件管理器打开目录"},
        {"⌘⇧S", "扫描件 OCR 可搜索 PDF"},
        {"⌘⇧L / ⌘/", "切换账号 / 快捷键速查"},
        {"拖到任务栏图标", "文件直接归档到案件卷宗"}}},
  };
  return groups;
}

std::string shortcutKeyCapText(const ShortcutSheetRow& row) { return linuxShortcutText(row.keys); }

}  // namespace quorvel
