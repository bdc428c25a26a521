#include "core/NavItem.h"

#include "base/Text.h"
#include "base/Url.h"

namespace quorvel {

std::string navSymbol(const std::string& path) {
  static const std::pair<const char*, const char*> exact[] = {
      {"/dashboard", "square.grid.2x2"},
      {"/workspace", "bolt.fill"},
      {"/calendar", "calendar"},
      {"/cases", "folder.fill"},
      {"/logistics", "shippingbox"},
      {"/documents_center", "doc.text"},
      {"/recent_workspace", "clock.arrow.circlepath"},
      {"/cache-manager", "externaldrive"},
      {"/notifications", "bell"},
      {"/archived_cases", "archivebox"},
      {"/recycle_bin", "trash"},
      {"/license", "checkmark.shield"},
      {"/tutorial", "book"},
      {"/manage_users", "person.2"},
      {"/my_team", "person.3"},
      {"/my_invites", "ticket"},
      {"/saas_overview", "chart.bar.xaxis"},
      {"/finance_dashboard", "yensign.circle"},
      {"/backup_center", "externaldrive.badge.timemachine"},
      {"/firm_settings/storage", "internaldrive"},
      {"/import_wizard", "square.and.arrow.down"},
      {"/my_card", "person.text.rectangle"},
      {"/my_devices", "laptopcomputer"},
  };
  static const std::pair<const char*, const char*> prefixes[] = {
      {"/admin/console/firms", "building.2"},
      {"/admin/console/users", "person.2"},
      {"/admin/console/teams", "arrow.triangle.merge"},
      {"/admin/console/orders", "yensign.circle"},
      {"/admin/console/storage", "internaldrive"},
      {"/admin/console/ops", "wrench.and.screwdriver"},
      {"/admin/console/runtime", "cpu"},
      {"/admin/console/audit", "doc.plaintext"},
      {"/admin/console", "chart.bar"},
      {"/platform/", "slider.horizontal.3"},
      {"/contract_detail", "doc.text"},
      {"/client_detail", "person.crop.circle"},
      {"/proceeding", "folder"},
  };
  for (auto& [p, s] : exact)
    if (path == p) return s;
  for (auto& [p, s] : prefixes)
    if (path.rfind(p, 0) == 0) return s;
  return "doc";
}

std::string roleName(const std::string& code) {
  std::string c = toLowerAscii(trimmed(code, kSpacesAndTabs));
  if (c.empty()) return {};
  if (c == "admin" || c == "platform_admin") return "平台管理员";
  if (c == "firm_admin") return "律所管理员";
  if (c == "director") return "主任";
  if (c == "team_leader") return "组长";
  if (c == "lawyer") return "律师";
  if (c == "assistant") return "律师助理";
  if (c == "finance") return "财务";
  if (c == "guest") return "访客";
  return code;
}

const std::vector<NavItem>& defaultSideItems() {
  static const std::vector<NavItem> items = [] {
    const std::pair<const char*, const char*> rows[] = {
        {"个人工作台", "/dashboard"},       {"专注工作台", "/workspace"},   {"日历与待办", "/calendar"},
        {"全局案件中心", "/cases"},         {"物流查签中心", "/logistics"}, {"文书与模板智库", "/documents_center"},
        {"足迹与常办", "/recent_workspace"}, {"缓存管理", "/cache-manager"}, {"消息中心", "/notifications"},
        {"已归档卷宗", "/archived_cases"},   {"系统教程", "/tutorial"},
    };
    std::vector<NavItem> v;
    for (auto& [t, p] : rows) v.push_back(NavItem{t, navSymbol(p), p});
    return v;
  }();
  return items;
}


}  // namespace quorvel
