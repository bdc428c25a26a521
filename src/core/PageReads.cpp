#include "core/PageReads.h"

#include <glib.h>

#include <cstdlib>
#include <cstring>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/FailureText.h"
#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel::PageReads {
namespace {
std::string describe(const nlohmann::json& v) {
  if (v.is_string()) return v.get<std::string>();
  try {
    return v.dump();
  } catch (const std::exception&) {
    return "（无法显示的值）";
  }
}

// Valid UTF-8, NUL characters allowed (GLib's check stops at them).
bool isUtf8(const std::string& s) {
  size_t start = 0;
  while (start <= s.size()) {
    size_t end = s.find('\0', start);
    if (end == std::string::npos) end = s.size();
    if (end > start && !g_utf8_validate(s.data() + start, static_cast<gssize>(end - start), nullptr)) return false;
    start = end + 1;
  }
  return true;
}

Task<JsResult> call(std::shared_ptr<WebPage> page, const char* body, nlohmann::json args) {
  // A named awaiter: GCC 12 destroys a capturing lambda temporary inside a co_await
  // operand twice.
  CallbackAwaiter<JsResult> read([page, body, args](CallbackAwaiter<JsResult>::Resolver resolve) {
    page->callAsyncFunction(body, args, resolve);
  });
  JsResult r = co_await read;
  co_return r;
}
}  // namespace

bool isOnService(const WebPage& page, const Url& home) {
  auto url = page.currentURL();
  if (!url) return false;
  auto u = Url::parse(*url);
  return u && isServiceOrigin(*u, home);
}

Task<std::string> fetchText(std::shared_ptr<WebPage> page, std::string path) {
  nlohmann::json args = {{"target", path}};
  auto read = call(page, kPageFetch, std::move(args));
  JsResult r = co_await read;
  if (!r.ok) throw AppError(r.errorDomain, r.errorCode, r.errorMessage);
  if (!r.value.is_string()) throw AppError(errors::kQuorvel, errors::kPageReadFailed, describe(r.value));
  std::string text = r.value.get<std::string>();
  // What the page met is logged as it came; the error says what happened in words.
  if (text.rfind("__ERR__", 0) == 0) {
    logLine(tags::kBridge, "读取 " + path + " 失败：" + failure::logExcerpt(text), LogLevel::warning);
    throw AppError(errors::kQuorvel, errors::kPageReadFailed, "无法连接到服务器");
  }
  if (text.rfind(kStatusMark, 0) == 0) {
    size_t lineEnd = text.find('\n');
    int status = std::atoi(text.substr(std::strlen(kStatusMark), lineEnd).c_str());
    std::string body = lineEnd == std::string::npos ? std::string() : text.substr(lineEnd + 1);
    logLine(tags::kBridge, "读取 " + path + " → HTTP " + std::to_string(status) + " " + failure::logExcerpt(body),
            LogLevel::warning);
    throw AppError(errors::kQuorvel, errors::kPageReadFailed, failure::statusSentence(status));
  }
  if (!isUtf8(text)) throw AppError(errors::kQuorvel, errors::kNotText, "响应不是文本");
  co_return text;
}

Task<std::optional<std::string>> badgesText(std::shared_ptr<WebPage> page) {
  auto read = call(page, kBadges, nlohmann::json::object());
  JsResult r = co_await read;
  if (!r.ok) {
    logLine(tags::kBadge, r.errorMessage, LogLevel::warning);
    co_return std::nullopt;
  }
  if (!r.value.is_string()) co_return std::nullopt;
  std::string text = r.value.get<std::string>();
  if (text.rfind("__ERR__", 0) == 0) {
    logLine(tags::kBadge, text, LogLevel::warning);
    co_return std::nullopt;
  }
  co_return text;
}

Task<std::optional<std::string>> deadlinesText(std::shared_ptr<WebPage> page) {
  auto read = call(page, kDeadlines, nlohmann::json::object());
  JsResult r = co_await read;
  if (!r.ok || !r.value.is_string()) co_return std::nullopt;
  co_return r.value.get<std::string>();
}

}  // namespace quorvel::PageReads
