#pragma once
// The texts of the settings sheet's system-integration card: row titles in their Linux
// form, the labels that follow a service's state, and the idle-lock chips. Free of GTK,
// so they are tested headless.
#include <string>
#include <vector>

namespace quorvel::SystemIntegrationRows {

inline constexpr const char* kSectionTitle = "Linux 桌面深度融合";
inline constexpr const char* kSectionIcon = "sparkles";

// Titles that carry a shortcut, shown with the Linux key names ("Ctrl+Shift+C").
std::string desktopCalendarTitle();
std::string hotKeysTitle();
std::string idleLockTitle();

inline constexpr const char* kDesktopCalendarSubtitle =
    "支持贴桌面 / 置顶悬浮，点击日程直达案件程序，支持直接勾选完成与新建待办";
inline constexpr const char* kAutoShowHelp = "启动客户端时自动显示桌面日历";
inline constexpr const char* kCalendarSyncTitle = "本机日历与提醒事项实时同步";
inline constexpr const char* kSearchTitle = "系统搜索：全局搜索案件（Super 键）";
inline constexpr const char* kHotKeysSubtitle = "在微信、Word 或会议中随时呼出，无需切换窗口";
inline constexpr const char* kInboxTitle = "本地收件箱热文件夹（扫描仪/微信自动弹归档）";
inline constexpr const char* kIdleLockSubtitle = "保护律所工位或庭审现场的敏感案卷隐私";

inline constexpr const char* kFoldDeadlines = "同日多条期限自动合并（防「+19个」刷屏）";
inline constexpr const char* kHearingsOnly = "极简：日历仅显示开庭";
inline constexpr const char* kSyncReminders = "同步至「提醒事项」";
inline constexpr const char* kWriteBack = "提醒事项勾选自动回写系统";
inline constexpr const char* kClearButton = "清空同步日历";
inline constexpr const char* kClearAlertTitle = "清空本机日历里的墨衡台日程？";
inline constexpr const char* kClearAlertText =
    "将移除「墨衡台 · 开庭 / 法定期限 / 逾期汇总 / 待办」专属日历及其中事件，不影响服务器上的任何案件数据。";
inline constexpr const char* kClearConfirm = "确认清空";
inline constexpr const char* kClearCancel = "取消";

inline constexpr const char* kReindexButton = "重建索引";
inline constexpr const char* kChooseFolderButton = "目录…";
inline constexpr const char* kOpenFolderButton = "打开";

// "隐藏日历" while the desktop calendar is shown, else "打开桌面日历".
const char* desktopCalendarButton(bool visible);
// "同步中…" while a sync runs, else "立即同步".
const char* syncButton(bool syncing);
// Below one indexed item the row's description; otherwise
// "已索引 42 条合同/客户/卷宗（09:30）".
std::string searchSubtitle(int indexedCount, const std::string& lastIndexedAt);

struct IdleChip {
  const char* title;
  int minutes;  // 0 turns the idle lock off
};
// 关闭, 5分, 15分, 30分, in this order.
const std::vector<IdleChip>& idleChips();

}  // namespace quorvel::SystemIntegrationRows
