#include "core/PageReads.h"

#include <glib.h>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
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
  if (text.rfind("__ERR__", 0) == 0) throw AppError(errors::kQuorvel, errors::kPageReadFailed, text);
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
