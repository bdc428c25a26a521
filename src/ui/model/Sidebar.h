#pragma once
// What the main window's sidebar shows, as plain values: its input, the sections its
// entries fall into, which rows are selected, the texts of the to-do pills and the
// account footer, and the per-state looks of its rows, pills and buttons (the view's
// CSS is generated from them). Free of GTK, so the rules are tested headless.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/NavItem.h"
#include "core/Recents.h"
#include "core/Theme.h"
#include "core/Todo.h"

namespace quorvel {

class BrowserModel;
class WorkspaceViewState;

// Everything the sidebar draws; the view keeps nothing else.
struct SidebarInput {
  std::vector<NavItem> items;
  std::vector<RecentItem> recents;
  std::map<TodoKind, long long> counts;  // a missing kind reads as 0
  bool badgesLoaded = false;
  bool loginRequired = false;
  std::string selectedPath;
  std::string userName;
  std::string userRole;
  std::string updatedAt;
  // Why the last badge refresh failed ("刷新失败：…"); empty when it did not. The counts
  // are those of the last good reply meanwhile.
  std::string refreshFailure;
  double scale = 1.0;
  bool scrollable = true;
  double trafficLightPadding = 0;  // 0 or less: no band at the top

  long long count(TodoKind kind) const;
  bool operator==(const SidebarInput&) const = default;
};

// The input the main window hands its sidebar, read from the tab list and view state.
SidebarInput sidebarInputFrom(const BrowserModel& model, const WorkspaceViewState& view);

// ---- Sections and rows ---------------------------------------------------------------

struct SidebarGroup {
  std::string id;     // work, cases, manage, tools, more
  std::string title;  // "办案工作" ...
  std::vector<NavItem> items;
  bool operator==(const SidebarGroup&) const = default;
};

// The sections shown, in display order; a section without entries is left out, and
// entries keep the order of `items` within their section.
std::vector<SidebarGroup> sidebarGroups(const std::vector<NavItem>& items);

// Whether the navigation row of `rowPath` is selected on `selectedPath`: the same path,
// or a page below it (never for the root row "/" nor a row without a path).
bool sidebarNavRowSelected(const std::string& rowPath, const std::string& selectedPath);

// The row entry of a recent proceeding: its title, symbol "clock", "/proceeding/<id>".
NavItem sidebarRecentEntry(const RecentItem& recent);

inline constexpr const char* kSidebarRecentsTitle = "最近卷宗";
inline constexpr const char* kSidebarBrandTitle = "衡石同舟·墨衡台";
inline constexpr const char* kSidebarBrandSubtitle = "重塑信任边界 · 专业办案端";
inline constexpr double kSidebarWidth = 232;

// ---- To-do pills ---------------------------------------------------------------------

inline constexpr const char* kSidebarTodoCardTitle = "待办预警";
inline constexpr const char* kSidebarRetryTitle = "重试";

// The kinds of the large pills (first row) and of the small ones (second row).
inline constexpr TodoKind kSidebarLargePills[] = {TodoKind::overdue, TodoKind::today};
inline constexpr TodoKind kSidebarSmallPills[] = {TodoKind::soon, TodoKind::verify, TodoKind::hearings};

// Short title of a small pill ("3天内", "待核实", "开庭"); none for the large ones.
std::optional<std::string> sidebarPillShortTitle(TodoKind kind);
// The count as a plain decimal when loaded, else "–".
std::string sidebarCountText(long long value, bool loaded);
// Help text of a pill: "点击查看「<title>」".
std::string sidebarPillTip(TodoKind kind);
LawColor todoDarkAccent(TodoKind kind);

// ---- Account footer ------------------------------------------------------------------

inline constexpr const char* kSidebarLoginHint = "未登录 · 请在右侧登录";
inline constexpr const char* kSidebarSwitchAccountTip = "切换账号";
inline constexpr const char* kSidebarSettingsTip = "设置";

// First user-perceived character of the name, or "?".
std::string sidebarInitial(const std::string& userName);
// The name (its head only: a name of any length costs the same), or "未登录".
std::string sidebarDisplayName(const std::string& userName);
// The role's label, else "已登录" with a name and "请先登录" without.
std::string sidebarSubtitle(const std::string& userName, const std::string& userRole);
// "v" + the client's version.
std::string sidebarVersionText();
// Status dot: amber when signed out, else successGlow.
LawColor sidebarStatusColor(bool loginRequired);
inline constexpr LawColor kSidebarAmber = LawColor::rgb8(251, 191, 36);
inline constexpr LawColor kSidebarGoldText = LawColor::rgb8(230, 196, 123);

// ---- Per-state looks -----------------------------------------------------------------

struct SidebarRowLook {
  LawColor iconColor;
  double duotoneOpacity = 0.14;
  LawColor titleColor;
  LawFontWeight titleWeight = LawFontWeight::medium;
  bool gradientFill = false;  // sidebarActiveGradient instead of `fill`
  LawColor fill;
  LawColor stroke;
  LawShadow shadow;
  double offsetX = 0;
};
SidebarRowLook sidebarRowLook(bool selected, bool muted, bool hover);

// Large and small pills alike; `title` is the title of a large pill or the short title
// of a small one.
struct SidebarPillLook {
  LawColor fill;
  LawColor stroke;
  double strokeWidth = 0;
  LawColor titleColor;
  LawFontWeight titleWeight = LawFontWeight::medium;
  LawColor countColor;
  double scale = 1;
};
SidebarPillLook sidebarLargePillLook(TodoKind kind, long long value, bool hover);
SidebarPillLook sidebarSmallPillLook(TodoKind kind, long long value, bool hover);

struct SidebarFooterButtonLook {
  LawColor icon;
  LawColor fill;
  LawColor stroke;
  double scale = 1;
};
SidebarFooterButtonLook sidebarFooterButtonLook(bool hover);

// The sidebar's style sheet (colours, weights and states; font sizes follow the scale
// and are set on the labels themselves).
std::string sidebarCss();

}  // namespace quorvel
