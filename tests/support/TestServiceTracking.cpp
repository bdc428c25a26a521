#include "TestServiceTracking.h"

#include "TestPages.h"
#include "TestService.h"
#include "base/Text.h"

namespace quorvel::test {
namespace {

std::string page(const std::string& number, const std::string& result, const std::string& extra = "") {
  std::string no = escapeHtml(number);
  return "<!doctype html><html><head><meta charset=\"utf-8\"><title>" + no +
         "_搜索结果</title><style>"
         "body{font:14px sans-serif;margin:0;color:#222}"
         ".bar{padding:16px 24px;border-bottom:1px solid #eee;display:flex;gap:8px}"
         ".bar input{width:480px;padding:8px}.bar .go{background:#4e6ef2;color:#fff;padding:8px 18px;"
         "border-radius:6px;cursor:pointer}"
         ".card{margin:20px 24px;max-width:680px;border:1px solid #e6e6e6;border-radius:10px;padding:16px}"
         ".card h3{margin:0 0 10px}.row{padding:6px 0;border-bottom:1px dashed #eee}"
         ".tall{height:2400px}"
         "</style></head><body><div class=\"bar\"><input value=\"" +
         no + "\"><span class=\"go\" id=\"go\">搜索</span></div><div class=\"card\" id=\"result\"><h3>快递查询 " + no +
         "</h3>" + result + "</div>" + extra + "</body></html>";
}

std::string kindPage(const std::string& number) {
  auto starts = [&](const char* p) { return number.rfind(p, 0) == 0; };
  if (starts("DL"))
    return page(number, std::string("<div class=\"row\">2026-11-23 14:15:08 快件已签收，签收人：") + kTrackingSigner +
                            "，感谢使用</div><div class=\"row\">2026-11-23 08:02:11 派件中，快递员 王师傅</div>"
                            "<div class=\"row\">2026-11-22 19:40:03 运输中，已到达 上海转运中心</div>",
                "<div class=\"tall\"></div>");
  if (starts("TR"))
    return page(number, "<div class=\"row\">2026-11-22 19:40:03 运输中，已到达 上海转运中心</div>"
                        "<div class=\"row\">2026-11-21 16:20:45 已揽收</div>");
  if (starts("RT"))
    return page(number, "<div class=\"row\">2026-11-24 10:01:00 收件人拒收，快件退回中</div>"
                        "<div class=\"row\">2026-11-23 09:30:00 派件中</div>");
  if (starts("COD"))
    return page(number, "<div class=\"row\">代收货款：0元</div><div class=\"row\">2026-11-22 19:40:03 运输中</div>");
  if (starts("VFY"))
    return page(number, "<div class=\"row\">为保护隐私，请输入收件人手机号后四位查看物流详情</div>");
  if (starts("CLK"))
    return page(number, "<div class=\"row\" id=\"hint\">点击查询获取最新物流</div><button id=\"q\">查询</button>",
                "<script>document.getElementById('q').addEventListener('click', function(){"
                "document.getElementById('result').innerHTML = '<h3>快递查询</h3><div class=\"row\">"
                "2026-11-23 14:15:08 快件已签收，签收人：前台</div>';});</script>");
  if (starts("SLW"))
    return page(number, "<div class=\"row\" id=\"wait\">正在加载物流信息…</div>",
                "<script>setTimeout(function(){document.getElementById('wait').textContent = "
                "'2026-11-23 14:15:08 快件已签收，签收人：前台';}, 1200);</script>");
  return page(number, "<div class=\"row\">暂无查询结果，请核对单号</div>");
}

}  // namespace

void installTrackingRoutes(TestService& service) {
  service.setRoute("/s", [](const RecordedRequest& r) {
    std::string number = r.queryValue("wd").value_or("");
    if (number.rfind("ERR", 0) == 0) return Reply::html(pages::serverError(), 500);
    return Reply::html(kindPage(number));
  });
}

}  // namespace quorvel::test
