#pragma once
// What a tab shows when its page could not be loaded: the reason in plain words and
// a small page with the address and a "重新载入" link. Kept apart from the engine so
// the texts and the escaping are tested headless.
#include <string>

namespace quorvel::LoadFailure {

// The reason of a failed load from its error (GLib domain name, code and message):
// "无法连接到服务器", "找不到服务器", "连接超时", …; unknown errors keep the message.
std::string reason(const std::string& domain, int code, const std::string& message);

// Ports a web engine never connects to (the "bad ports" of the web's fetch rules).
bool isRestrictedPort(int port);

// The reason for a load of `address` that the engine turned into an empty page
// without reporting an error: "该端口不允许访问" for a restricted port, else
// "无法打开页面".
std::string refusedLoadReason(const std::string& address);

// Where the page's "重新载入" link leads: the tab that shows the page loads its
// address again.
inline constexpr const char* kRetryLink = "quorvel-retry:load";

// The in-tab page for a load of `address` that failed for `reason`. Both texts are
// inserted escaped; the page runs no script.
std::string page(const std::string& address, const std::string& reason);

// Text with the characters that mean something in HTML (& < > " ') escaped.
std::string escapeHtml(const std::string& text);

}  // namespace quorvel::LoadFailure
