#include "web/rules/LoadFailure.h"

#include "base/FailureText.h"
#include "base/Text.h"
#include "base/Url.h"

#include <algorithm>
#include <iterator>

namespace quorvel::LoadFailure {

std::string reason(const std::string& domain, int code, const std::string& message) {
  if (auto sentence = failure::transportSentence(domain, code)) return *sentence;
  return message.empty() ? "无法打开页面" : "无法打开页面（" + message + "）";
}

bool isRestrictedPort(int port) {
  static constexpr int kPorts[] = {1,    7,    9,    11,   13,   15,   17,   19,   20,   21,   22,   23,   25,
                                   37,   42,   43,   53,   69,   77,   79,   87,   95,   101,  102,  103,  104,
                                   109,  110,  111,  113,  115,  117,  119,  123,  135,  137,  139,  143,  161,
                                   179,  389,  427,  465,  512,  513,  514,  515,  526,  530,  531,  532,  540,
                                   548,  554,  556,  563,  587,  601,  636,  989,  990,  993,  995,  1719, 1720,
                                   1723, 2049, 3659, 4045, 4190, 5060, 5061, 6000, 6566, 6665, 6666, 6667, 6668,
                                   6669, 6679, 6697, 10080};
  return std::find(std::begin(kPorts), std::end(kPorts), port) != std::end(kPorts);
}

std::string refusedLoadReason(const std::string& address) {
  auto url = Url::parse(address);
  return url && isRestrictedPort(url->port) ? "该端口不允许访问" : "无法打开页面";
}

std::string escapeHtml(const std::string& text) { return quorvel::escapeHtml(text); }

std::string page(const std::string& address, const std::string& why) {
  std::string a = escapeHtml(address);
  // No script runs here: the link asks the tab to load its address again.
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
         "<a id=\"qv-reload\" href=\"" + std::string(kRetryLink) + "\">重新载入</a>"
         "</main></body></html>";
}

}  // namespace quorvel::LoadFailure
