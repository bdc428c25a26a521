#include "TestServiceSearch.h"

#include <nlohmann/json.hpp>

#include "TestPages.h"
#include "TestService.h"
#include "base/Text.h"

namespace quorvel::test {

std::string searchDemoNodesJson() {
  // The first entries are those the service answered before; the rest are the demo
  // firm's other contracts, among them a retainer without proceedings yet.
  return R"({"ok":true,"contracts":[)"
         R"({"id":7,"no":"HT-2026-007","clients":2,"procs":3},)"
         R"({"id":9,"no":"HT-2026-009","clients":1,"procs":0},)"
         R"({"id":11,"no":"HT-2026-011","clients":1,"procs":1},)"
         R"({"id":13,"no":"HT-2026-013","clients":1,"procs":1},)"
         R"({"id":15,"no":"HT-2026-015","clients":2,"procs":0},)"
         R"({"id":58,"no":"HT-2025-058","clients":1,"procs":1},)"
         R"({"id":71,"no":"HT-2025-071","clients":1,"procs":1}],)"
         R"("clients":[)"
         R"({"id":11,"name":"张三","contract":"HT-2026-007","procs":2},)"
         R"({"id":12,"name":"李四有限公司","contract":"","procs":1},)"
         R"({"id":21,"name":"华盛精工机械有限公司","contract":"HT-2026-015","procs":0},)"
         R"({"id":22,"name":"华盛新材料（苏州）有限公司","contract":"HT-2026-015","procs":0},)"
         R"({"id":23,"name":"青禾数码科技有限公司","contract":"HT-2026-009","procs":1},)"
         R"({"id":24,"name":"鹿鸣湾餐饮管理有限公司","contract":"HT-2025-058","procs":1},)"
         R"({"id":25,"name":"云栖禾木文化传媒有限公司","contract":"HT-2025-071","procs":1},)"
         R"({"id":26,"name":"周九","contract":"HT-2026-013","procs":1}]})";
}

namespace {

const nlohmann::json& demo() {
  static const nlohmann::json nodes = nlohmann::json::parse(searchDemoNodesJson());
  return nodes;
}

const nlohmann::json* findIn(const char* list, const std::string& id) {
  for (const auto& n : demo()[list])
    if (std::to_string(n["id"].get<long long>()) == id) return &n;
  return nullptr;
}

const nlohmann::json* contractByNumber(const std::string& no) {
  for (const auto& n : demo()["contracts"])
    if (n["no"] == no) return &n;
  return nullptr;
}

std::string text(const nlohmann::json& n, const char* key) {
  const auto& v = n[key];
  return escapeHtml(v.is_string() ? v.get<std::string>() : v.dump());
}

std::string missing(const std::string& what, const std::string& id) {
  return "<div class=\"card empty\"><b>未找到编号为 " + escapeHtml(id) + " 的" + what +
         "</b>可能已归档或编号有误。<br><br><a class=\"btn\" href=\"/cases\">返回全局案件中心</a></div>";
}

std::string contractPage(const std::string& id) {
  const auto* c = findIn("contracts", id);
  if (!c) return pages::servicePage("合同 " + id + " - 墨衡台", "/cases", missing("合同", id));
  std::string rows;
  for (const auto& client : demo()["clients"])
    if (client["contract"] == (*c)["no"])
      rows += "<tr><td><a href=\"/client_detail/" + text(client, "id") + "\">" + text(client, "name") +
              "</a></td><td class=\"small\">" + text(client, "procs") + " 个程序</td></tr>";
  std::string main =
      "<div class=\"crumbs\"><a href=\"/cases\">全局案件中心</a> / 合同详情</div>"
      "<div class=\"page-head\"><div><h1 id=\"contractTitle\">委托合同 " + text(*c, "no") +
      "</h1><div class=\"sub\">" + text(*c, "clients") + " 位客户 · " + text(*c, "procs") +
      " 个程序</div></div><div class=\"actions\"><a class=\"btn\" href=\"/cases\">查看案件</a></div></div>"
      "<div class=\"card\"><div class=\"card-head\"><h3>合同客户</h3></div><div class=\"card-body flush\">"
      "<table class=\"list\"><thead><tr><th>客户名称</th><th>程序</th></tr></thead><tbody>" +
      rows + "</tbody></table></div></div>";
  return pages::servicePage("合同 " + text(*c, "no") + " - 墨衡台", "/cases", main);
}

std::string clientPage(const std::string& id) {
  const auto* c = findIn("clients", id);
  if (!c) return pages::servicePage("客户 " + id + " - 墨衡台", "/cases", missing("客户", id));
  std::string contract = (*c)["contract"].get<std::string>();
  std::string contractCell = "—";
  if (const auto* k = contractByNumber(contract))
    contractCell = "<a href=\"/contract_detail/" + text(*k, "id") + "\">" + escapeHtml(contract) + "</a>";
  std::string main =
      "<div class=\"crumbs\"><a href=\"/cases\">全局案件中心</a> / 客户详情</div>"
      "<div class=\"page-head\"><div><h1 id=\"clientTitle\">" + text(*c, "name") + "</h1><div class=\"sub\">" +
      text(*c, "procs") + " 个程序</div></div></div>"
      "<div class=\"card\"><div class=\"card-head\"><h3>客户信息</h3></div><div class=\"card-body\">"
      "<div class=\"meta-grid\"><div><div class=\"k\">委托合同</div><div class=\"v\">" + contractCell +
      "</div></div><div><div class=\"k\">程序数量</div><div class=\"v\">" + text(*c, "procs") +
      "</div></div></div></div></div>";
  return pages::servicePage(text(*c, "name") + " - 墨衡台", "/cases", main);
}

}  // namespace

void installSearchRoutes(TestService& service) {
  // The pages the system-search results lead to.
  service.setPrefixRoute("/contract_detail/", [](const RecordedRequest& r) {
    return Reply::html(contractPage(r.path.substr(std::string("/contract_detail/").size())));
  });
  service.setPrefixRoute("/client_detail/", [](const RecordedRequest& r) {
    return Reply::html(clientPage(r.path.substr(std::string("/client_detail/").size())));
  });
}

}  // namespace quorvel::test
