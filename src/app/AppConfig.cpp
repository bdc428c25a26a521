#include "app/AppConfig.h"

#include <glib.h>

#include <fstream>
#include <mutex>

#include "core/BrowserModel.h"
#include "platform/UserDefaults.h"
#include "platform/XdgDirs.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
std::string trim(const std::string& s, const char* chars) {
  auto b = s.find_first_not_of(chars);
  if (b == std::string::npos) return {};
  auto e = s.find_last_not_of(chars);
  return s.substr(b, e - b + 1);
}
const char* kWhiteAndNewlines = " \t\n\r\v\f";

fs::path ensured(const fs::path& p) {
  std::error_code ec;
  fs::create_directories(p, ec);  // callers meet write errors themselves
  return p;
}

std::string readFirstLine(const char* file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return trim(line, kWhiteAndNewlines);
}

std::string machineModel() {
  std::string m = readFirstLine("/sys/devices/virtual/dmi/id/product_name");
  if (m.empty()) m = readFirstLine("/sys/devices/virtual/dmi/id/product_family");
  // Repair invalid bytes, as the model is read as UTF-8 text.
  if (!m.empty() && !g_utf8_validate(m.c_str(), static_cast<gssize>(m.size()), nullptr)) {
    gchar* fixed = g_utf8_make_valid(m.c_str(), static_cast<gssize>(m.size()));
    m = fixed;
    g_free(fixed);
  }
  return m;
}
}  // namespace

namespace AppConfig {

std::string serverURL() {
  auto stored = UserDefaults::standard().string("serverURL").value_or("");
  auto t = trim(stored, kWhiteAndNewlines);
  return t.empty() ? kDefaultServerURL : t;
}

void setServerURL(const std::string& value) {
  auto t = trim(value, kWhiteAndNewlines);
  UserDefaults::standard().set("serverURL", t.empty() ? std::string(kDefaultServerURL) : t);
}

Url homeURL() {
  if (auto u = Url::parse(trim(serverURL(), " \t")); u && !u->scheme.empty()) return *u;
  return *Url::parse(kDefaultServerURL);
}

fs::path dataDir() { return ensured(xdg::dataHome() / "Quorvel"); }
fs::path mirrorDir() { return xdg::documentsDir() / "墨衡台卷宗"; }
fs::path downloadDir() { return ensured(xdg::downloadDir() / "墨衡台"); }

std::string userAgentFor(const std::string& model, const std::string& hostName) {
  std::string ua =
      "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 "
      "(KHTML, like Gecko) Version/17.0 Safari/605.1.15 Quorvel/";
  ua += kVersion;
  if (!model.empty()) ua += " QuorvelModel/" + encodeForQuery(model);
  if (!hostName.empty()) ua += " QuorvelName/" + encodeForQuery(hostName);
  return ua;
}

std::string userAgent() {
  const char* host = g_get_host_name();
  return userAgentFor(machineModel(), host ? host : "");
}

}  // namespace AppConfig

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
  std::string c = toLowerAscii(trim(code, " \t"));
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

bool isServiceHost(const std::string& host, const std::string& homeHost) {
  if (host.empty() || homeHost.empty()) return false;
  auto h = toLowerAscii(host);
  auto home = toLowerAscii(homeHost);
  if (h == home) return true;
  return h.size() > home.size() + 1 && h.compare(h.size() - home.size(), home.size(), home) == 0 &&
         h[h.size() - home.size() - 1] == '.';
}

namespace AppEnv {
std::shared_ptr<BrowserModel> browserPtr() {
  static std::once_flag once;
  static std::shared_ptr<BrowserModel> model;
  std::call_once(once, [] { model = BrowserModel::create(); });
  return model;
}
BrowserModel& browser() { return *browserPtr(); }
}  // namespace AppEnv

}  // namespace quorvel
