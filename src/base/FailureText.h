#pragma once
// What went wrong with a request to the service, in the short Chinese sentence the
// user sees: its HTTP status, a transport failure (no connection, time-out) or a reply
// that cannot be read. A reply's body is never shown; what of it goes to the log is
// cut by logExcerpt.
#include <glib.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

namespace quorvel::failure {

inline constexpr const char* kUnreadableReply = "服务器的回复无法识别";
inline constexpr const char* kNotTextReply = "服务器的回复不是文本";
inline constexpr const char* kSignedOut = "尚未登录或登录已过期";

// A reply whose status is no success, with the status in it: "服务器出错（HTTP 500）",
// "没有权限（HTTP 403）", "服务器上没有这个地址（HTTP 404）", …
std::string statusSentence(int status);

// A transport failure from its GLib error (domain name and code): "无法连接到服务器",
// "找不到服务器", "连接超时", …; nothing for an error of no known kind.
std::optional<std::string> transportSentence(const std::string& domain, int code);

// A system error in Chinese, for the messages that name it: "是文件夹，不是文件",
// "没有权限", "磁盘空间不足", …; an error of no known kind as "系统错误（代码 N）".
// From an errno value, a std::error_code of the system, or a GLib error (GIO and
// file errors; an error of another domain keeps its own message).
std::string systemErrorText(int errnoValue);
std::string systemErrorText(const std::error_code& ec);
std::string systemErrorText(const GError* error);

// What of a reply body may go to the log: at most `maxBytes` bytes, cut before a
// character that does not fit, line breaks as spaces, "…" when cut; a body that is
// not UTF-8 text is told by its size.
std::string logExcerpt(std::string_view body, std::size_t maxBytes = 240);

}  // namespace quorvel::failure
