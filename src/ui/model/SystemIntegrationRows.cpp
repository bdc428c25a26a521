#include "ui/model/SystemIntegrationRows.h"

#include "core/ShortcutText.h"

namespace quorvel::SystemIntegrationRows {

std::string desktopCalendarTitle() { return linuxShortcutText("桌面交互日历（推荐 · ⌘⇧C）"); }

std::string hotKeysTitle() { return linuxShortcutText("全局热键：⌥⇧N 悬浮快记 · ⌥⇧O 屏幕框选 OCR"); }

std::string idleLockTitle() { return linuxShortcutText("闲置自动隐私锁屏（⌘⌃L 立即锁）"); }

const char* desktopCalendarButton(bool visible) { return visible ? "隐藏日历" : "打开桌面日历"; }

const char* syncButton(bool syncing) { return syncing ? "同步中…" : "立即同步"; }

std::string searchSubtitle(int indexedCount, const std::string& lastIndexedAt) {
  if (indexedCount < 1) return "在系统搜索直接搜合同号或当事人名称直达卷宗";
  return "已索引 " + std::to_string(indexedCount) + " 条合同/客户/卷宗（" + lastIndexedAt + "）";
}

const std::vector<IdleChip>& idleChips() {
  static const std::vector<IdleChip> chips = {{"关闭", 0}, {"5分", 5}, {"15分", 15}, {"30分", 30}};
  return chips;
}

}  // namespace quorvel::SystemIntegrationRows
