#include "web/rules/LoadFailure.h"

#include "base/Text.h"

#include <gio/gio.h>

namespace quorvel::LoadFailure {

std::string reason(const std::string& domain, int code, const std::string& message) {
  if (domain == g_quark_to_string(G_RESOLVER_ERROR)) return "找不到服务器";
  if (domain == g_quark_to_string(G_TLS_ERROR)) return "无法建立安全连接";
  if (domain == g_quark_to_string(G_IO_ERROR)) {
    switch (code) {
      case G_IO_ERROR_CONNECTION_REFUSED:
      case G_IO_ERROR_HOST_UNREACHABLE: return "无法连接到服务器";
      case G_IO_ERROR_TIMED_OUT: return "连接超时";
      case G_IO_ERROR_HOST_NOT_FOUND: return "找不到服务器";
      case G_IO_ERROR_NETWORK_UNREACHABLE: return "网络不可用";
      case G_IO_ERROR_CONNECTION_CLOSED:  // also BROKEN_PIPE
      case G_IO_ERROR_PARTIAL_INPUT: return "服务器中断了连接";
      case G_IO_ERROR_PROXY_FAILED:
      case G_IO_ERROR_PROXY_AUTH_FAILED:
      case G_IO_ERROR_PROXY_NEED_AUTH:
      case G_IO_ERROR_PROXY_NOT_ALLOWED: return "无法通过代理服务器连接";
      default: break;
    }
  }
  return message.empty() ? "无法打开页面" : "无法打开页面（" + message + "）";
}

std::string escapeHtml(const std::string& text) { return quorvel::escapeHtml(text); }

std::string page(const std::string& address, const std::string& why) {
  std::string a = escapeHtml(address);
  // No script runs here: the link retries the address, whatever the page says.
  return "<!DOCTYPE html><html lang=\"zh-CN\"><head><meta charset=\"utf-8\">"
         "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">"
         "<title>无法打开页面</title><style>"
         "body{margin:0;font-family:sans-serif;background:#F6F8FB;color:#1B3A5C}"
         "main{max-width:560px;margin:96px auto;padding:32px;background:#fff;border:1px solid #D5E0EC;border-radius:8px}"
         "h1{font-size:20px;margin:0 0 12px}"
         "#qv-reason{font-size:15px;margin:0 0 8px}"
         "#qv-address{font-size:13px;color:#5B6B7F;word-break:break-all;margin:0 0 24px}"
         "#qv-reload{display:inline-block;padding:6px 16px;border-radius:6px;background:#1B3A5C;color:#fff;"
         "text-decoration:none;font-size:14px}"
         "</style></head><body><main><h1>无法打开页面</h1>"
         "<p id=\"qv-reason\">" + escapeHtml(why) + "</p>"
         "<p id=\"qv-address\">" + a + "</p>"
         "<a id=\"qv-reload\" href=\"" + a + "\">重新载入</a>"
         "</main></body></html>";
}

}  // namespace quorvel::LoadFailure
