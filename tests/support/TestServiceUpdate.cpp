#include "TestServiceUpdate.h"

#include <utility>

namespace quorvel::test {

std::string demoVersionJson() {
  return R"({"version":"3.4.2","url":"/download","notes":"Windows 客户端 3.4.2：修复打印预览偶尔空白。",)"
         R"("mac":{"version":"2.2.0","url":"/download/mac/quorvel-2.2.0.dmg","notes":""},)"
         R"("linux":{"version":"2.2.0","url":"/download/linux/quorvel_2.2.0_amd64.deb",)"
         R"("notes":"Linux 客户端 2.2.0：系统搜索、开机自启与页面导出。"}})";
}

void setVersionReply(TestService& service, std::string body, std::string contentType) {
  service.setRoute("/api/desktop/version", [body = std::move(body), contentType](const RecordedRequest&) {
    Reply r;
    r.contentType = contentType;
    r.body = body;
    return r;
  });
}

void servePackage(TestService& service, const std::string& path, std::string bytes) {
  service.setRoute(path, [bytes = std::move(bytes)](const RecordedRequest&) {
    Reply r;
    r.contentType = "application/octet-stream";
    r.body = bytes;
    return r;
  });
}

void installUpdateRoutes(TestService& service) {
  setVersionReply(service, demoVersionJson(), "application/json; charset=utf-8");
  service.setRoute("/download", [](const RecordedRequest&) {
    return Reply::html(
        "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>客户端下载</title>"
        "<style>body{font-family:sans-serif;background:#F5F7FA;color:#0F1B29;margin:0}"
        ".wrap{max-width:720px;margin:48px auto;padding:0 24px}h1{color:#1B3A5C;font-size:26px}"
        ".card{background:#fff;border:1px solid #E2E8F0;border-radius:12px;padding:18px 22px;margin:14px 0}"
        ".card b{color:#1B3A5C}.ver{color:#D4A853;font-weight:600}a{color:#1B3A5C}</style></head><body>"
        "<div class=\"wrap\"><h1>墨衡台 · 客户端下载</h1>"
        "<div class=\"card\"><b>Linux 客户端</b> <span class=\"ver\">2.2.0</span><p>"
        "Debian / Ubuntu 安装包（.deb），与你正在使用的版本相同。</p></div>"
        "<div class=\"card\"><b>Windows 客户端</b> <span class=\"ver\">3.4.2</span><p>请在 Windows 电脑上打开本页下载。</p></div>"
        "</div></body></html>\n");
  });
}

}  // namespace quorvel::test
