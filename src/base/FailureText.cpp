#include "base/FailureText.h"

#include <gio/gio.h>

#include <cerrno>

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

namespace {

std::optional<std::string> ioErrorText(int code) {
  switch (code) {
    case G_IO_ERROR_NOT_FOUND: return "文件或文件夹不存在";
    case G_IO_ERROR_EXISTS: return "已有同名的文件或文件夹";
    case G_IO_ERROR_IS_DIRECTORY: return "是文件夹，不是文件";
    case G_IO_ERROR_NOT_DIRECTORY: return "路径中有一项不是文件夹";
    case G_IO_ERROR_NOT_EMPTY: return "文件夹不是空的";
    case G_IO_ERROR_NOT_REGULAR_FILE: return "不是普通文件";
    case G_IO_ERROR_FILENAME_TOO_LONG: return "文件名太长";
    case G_IO_ERROR_INVALID_FILENAME: return "文件名无效";
    case G_IO_ERROR_TOO_MANY_LINKS: return "符号链接层数太多";
    case G_IO_ERROR_NO_SPACE: return "磁盘空间不足";
    case G_IO_ERROR_INVALID_ARGUMENT: return "参数无效";
    case G_IO_ERROR_PERMISSION_DENIED: return "没有权限";
    case G_IO_ERROR_NOT_SUPPORTED: return "不支持这个操作";
    case G_IO_ERROR_NOT_MOUNTED: return "卷宗盘未挂载";
    case G_IO_ERROR_ALREADY_MOUNTED: return "已经挂载";
    case G_IO_ERROR_CLOSED: return "文件已关闭";
    case G_IO_ERROR_CANCELLED: return "操作已取消";
    case G_IO_ERROR_READ_ONLY: return "只读，不能写入";
    case G_IO_ERROR_CANT_CREATE_BACKUP: return "无法创建备份";
    case G_IO_ERROR_WRONG_ETAG: return "文件已被别处改动";
    case G_IO_ERROR_TIMED_OUT: return "操作超时";
    case G_IO_ERROR_BUSY: return "文件或设备正被占用";
    case G_IO_ERROR_WOULD_BLOCK: return "资源暂时不可用";
    case G_IO_ERROR_HOST_NOT_FOUND: return "找不到服务器";
    case G_IO_ERROR_TOO_MANY_OPEN_FILES: return "打开的文件太多";
    case G_IO_ERROR_ADDRESS_IN_USE: return "地址已被占用";
    case G_IO_ERROR_INVALID_DATA: return "数据无效";
    case G_IO_ERROR_HOST_UNREACHABLE:
    case G_IO_ERROR_CONNECTION_REFUSED: return "无法连接到服务器";
    case G_IO_ERROR_NETWORK_UNREACHABLE: return "网络不可用";
    case G_IO_ERROR_CONNECTION_CLOSED: return "连接已断开";  // also BROKEN_PIPE
    case G_IO_ERROR_NOT_CONNECTED: return "没有连接";
    case G_IO_ERROR_MESSAGE_TOO_LARGE: return "内容太大";
    default: return std::nullopt;
  }
}

std::optional<std::string> fileErrorText(int code) {
  switch (code) {
    case G_FILE_ERROR_EXIST: return ioErrorText(G_IO_ERROR_EXISTS);
    case G_FILE_ERROR_ISDIR: return ioErrorText(G_IO_ERROR_IS_DIRECTORY);
    case G_FILE_ERROR_ACCES:
    case G_FILE_ERROR_PERM: return ioErrorText(G_IO_ERROR_PERMISSION_DENIED);
    case G_FILE_ERROR_NAMETOOLONG: return ioErrorText(G_IO_ERROR_FILENAME_TOO_LONG);
    case G_FILE_ERROR_NOENT: return ioErrorText(G_IO_ERROR_NOT_FOUND);
    case G_FILE_ERROR_NOTDIR: return ioErrorText(G_IO_ERROR_NOT_DIRECTORY);
    case G_FILE_ERROR_ROFS: return ioErrorText(G_IO_ERROR_READ_ONLY);
    case G_FILE_ERROR_LOOP: return ioErrorText(G_IO_ERROR_TOO_MANY_LINKS);
    case G_FILE_ERROR_NOSPC: return ioErrorText(G_IO_ERROR_NO_SPACE);
    case G_FILE_ERROR_MFILE:
    case G_FILE_ERROR_NFILE: return ioErrorText(G_IO_ERROR_TOO_MANY_OPEN_FILES);
    case G_FILE_ERROR_INVAL: return ioErrorText(G_IO_ERROR_INVALID_ARGUMENT);
    case G_FILE_ERROR_TXTBSY: return ioErrorText(G_IO_ERROR_BUSY);
    case G_FILE_ERROR_IO: return "读写出错（磁盘或网络盘故障）";
    case G_FILE_ERROR_NOMEM: return "内存不足";
    default: return std::nullopt;
  }
}

}  // namespace

std::string systemErrorText(int errnoValue) {
  // Those GIO folds into its generic code.
  switch (errnoValue) {
    case 0: return "没有错误";
    case EIO: return "读写出错（磁盘或网络盘故障）";
    case EXDEV: return "不能跨磁盘移动";
    case ENOMEM: return "内存不足";
#ifdef EDQUOT
    case EDQUOT: return "超出磁盘配额";
#endif
    default: break;
  }
  if (auto text = ioErrorText(g_io_error_from_errno(errnoValue))) return *text;
  return "系统错误（代码 " + std::to_string(errnoValue) + "）";
}

std::string systemErrorText(const std::error_code& ec) {
  if (ec.category() == std::system_category() || ec.category() == std::generic_category())
    return systemErrorText(ec.value());
  return ec.message();
}

std::string systemErrorText(const GError* error) {
  if (!error) return "未知错误";
  std::optional<std::string> text;
  if (error->domain == G_IO_ERROR) text = ioErrorText(error->code);
  else if (error->domain == G_FILE_ERROR) text = fileErrorText(error->code);
  if (text) return *text;
  return error->message ? error->message : "未知错误";
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
