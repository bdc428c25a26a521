#include "base/FailureText.h"

#include <gio/gio.h>

namespace quorvel::failure {

std::string statusSentence(int status) {
  const std::string code = "（HTTP " + std::to_string(status) + "）";
  switch (status) {
    case 401: return "登录已过期" + code;
    case 403: return "没有权限" + code;
    case 404: return "服务器上没有这个地址" + code;
    case 408:
    case 504: return "服务器响应超时" + code;
    case 413: return "内容太大，服务器不接收" + code;
    case 429:
    case 503: return "服务器繁忙，请稍后再试" + code;
    default: break;
  }
  if (status >= 500 && status <= 599) return "服务器出错" + code;
  if (status >= 400 && status <= 499) return "服务器拒绝了请求" + code;
  if (status >= 300 && status <= 399 && status != 304) return "服务器把请求转到了别处" + code;
  return std::string(kUnreadableReply) + code;
}

std::optional<std::string> transportSentence(const std::string& domain, int code) {
  if (domain == g_quark_to_string(G_RESOLVER_ERROR)) return "找不到服务器";
  if (domain == g_quark_to_string(G_TLS_ERROR)) return "无法建立安全连接";
  if (domain != g_quark_to_string(G_IO_ERROR)) return std::nullopt;
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
    default: return std::nullopt;
  }
}

std::string logExcerpt(std::string_view body, std::size_t maxBytes) {
  const bool cut = body.size() > maxBytes;
  std::string_view head = body.substr(0, maxBytes);
  const char* end = nullptr;
  // A character cut in two at the end is left out; anything else invalid means binary.
  if (!g_utf8_validate(head.data(), static_cast<gssize>(head.size()), &end)) {
    std::size_t valid = static_cast<std::size_t>(end - head.data());
    if (!cut || head.size() - valid > 3 ||
        g_utf8_get_char_validated(end, static_cast<gssize>(head.size() - valid)) != static_cast<gunichar>(-2))
      return "<" + std::to_string(body.size()) + " 字节，不是文本>";
    head = head.substr(0, valid);
  }
  std::string out;
  out.reserve(head.size() + 3);
  for (char c : head) out += c == '\n' || c == '\r' || c == '\t' ? ' ' : c;
  if (cut) out += "…";
  return out;
}

}  // namespace quorvel::failure
