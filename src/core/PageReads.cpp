#include "core/PageReads.h"

#include <glib.h>

#include <algorithm>
#include <utility>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/FailureText.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "base/Text.h"
#include "core/BadgeCounts.h"

namespace quorvel::PageReads {
namespace {
constexpr const char* kNoText = "页面没有返回文本";
constexpr const char* kNotSignedIn = "尚未登录或登录已过期";
constexpr const char* kTooLarge = "服务器回复超过 ";

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

std::string seconds(unsigned ms) { return std::to_string((ms + 999) / 1000); }

// The page's answer, or a failure once guardMs pass without one: a page whose scripts
// are stuck never settles its promise. A late answer is dropped.
Task<JsResult> call(std::shared_ptr<WebPage> page, nlohmann::json args, unsigned guardMs,
                    const char* script = kReadScript) {
  // A named awaiter: GCC 12 destroys a capturing lambda temporary inside a co_await
  // operand twice.
  CallbackAwaiter<JsResult> read([page, args, guardMs, script](CallbackAwaiter<JsResult>::Resolver resolve) {
    auto guard = std::make_shared<unsigned>(0);
    *guard = postToMainAfter(guardMs, [resolve, guard, guardMs] {
      *guard = 0;
      resolve(JsResult::failure(errors::kQuorvel, errors::kPageReadFailed, "页面 " + seconds(guardMs) + " 秒无答复"));
    });
    page->callAsyncFunction(script, args, [resolve, guard](JsResult r) {
      if (*guard) cancelTimer(std::exchange(*guard, 0));
      resolve(std::move(r));
    });
  });
  JsResult r = co_await read;
  co_return r;
}

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// A piece of the byte form: characters U+0000-U+00FF, each one byte of the answer, as
// the engine hands them over (UTF-8). False, `out` partly grown, for any other character.
bool appendBytesOf(std::string& out, const std::string& chars) {
  const auto* at = reinterpret_cast<const unsigned char*>(chars.data());
  const auto* end = at + chars.size();
  while (at < end) {
    if (*at < 0x80) {
      out.push_back(static_cast<char>(*at++));
    } else if ((*at == 0xC2 || *at == 0xC3) && at + 1 < end && (at[1] & 0xC0) == 0x80) {
      out.push_back(static_cast<char>(((at[0] & 0x03) << 6) | (at[1] & 0x3F)));
      at += 2;
    } else {
      return false;
    }
  }
  return true;
}

Reply failed(AppError error, std::string detail) {
  Reply r;
  r.kind = Reply::Kind::failed;
  r.error = std::move(error);
  r.detail = std::move(detail);
  return r;
}

Reply failed(std::string reason, std::string detail) {
  return failed(AppError(errors::kQuorvel, errors::kPageReadFailed, std::move(reason)), std::move(detail));
}

// The page function itself failed: the engine's error, or ours (no page, the guard).
bool fromEngine(const AppError& e) {
  return !(e.domain == errors::kQuorvel && e.code == errors::kPageReadFailed);
}
}  // namespace

bool isOnService(const WebPage& page, const Url& home) {
  auto url = page.currentURL();
  if (!url) return false;
  auto u = Url::parse(*url);
  return u && isServiceOrigin(*u, home);
}

Task<Reply> read(std::shared_ptr<WebPage> page, std::string path, Limits l, bool loginCheck) {
  // The page ends its own fetch before the native guard gives up on it.
  const unsigned totalMs = l.guardMs > 2000 ? l.guardMs - 1000 : l.guardMs / 2;
  nlohmann::json args = {{"target", path},
                         {"idleMs", l.idleMs},
                         {"totalMs", totalMs},
                         {"maxBytes", static_cast<long long>(l.maxBytes)},
                         {"partChars", static_cast<long long>(l.partChars)},
                         {"login", loginCheck ? 1 : 0}};
  auto calling = call(page, std::move(args), l.guardMs);
  JsResult r = co_await calling;
  if (!r.ok()) {
    // Our own failures say what happened in Chinese; the engine's are logged as they are.
    const AppError& e = r.error();
    if (e.domain.empty()) co_return failed("页面脚本执行失败", e.message);
    const bool ours = e.domain == errors::kQuorvel && !e.message.empty();
    co_return failed(AppError(e.domain, e.code, ours ? e.message : "页面脚本执行失败"), e.message);
  }
  if (!r.value().is_string()) co_return failed(kNoText, describe(r.value()));
  // Moved, not copied: a reply may be hundreds of megabytes.
  std::string text = std::move(r.value().get_ref<std::string&>());
  const bool byteForm = startsWith(text, "__BYTES__");
  if (byteForm || startsWith(text, "__PARTS__")) {
    // A long answer, piece by piece: the main loop turns between the pieces.
    const size_t colon = text.rfind(':');
    const std::string key = text.substr(9, colon == std::string::npos ? 0 : colon - 9);
    const long long count = colon == std::string::npos ? 0 : std::atoll(text.c_str() + colon + 1);
    std::string whole;
    // The byte form's size is known (all pieces but the last are full): no spare
    // capacity is left by growing.
    if (byteForm && count > 0)
      whole.reserve(static_cast<std::size_t>(std::min<unsigned long long>(
          static_cast<unsigned long long>(count) * l.partChars, l.maxBytes + 64)));
    for (long long i = 0; i < count; ++i) {
      auto reading = call(page, {{"key", key}, {"index", i}}, l.guardMs, kPartScript);
      JsResult piece = co_await reading;
      if (!piece.isText())
        co_return failed("页面读取中断（页面已刷新或关闭）", piece.ok() ? describe(piece.value()) : piece.error().message);
      const auto& chars = piece.value().get_ref<const std::string&>();
      if (!byteForm) whole += chars;
      else if (!appendBytesOf(whole, chars)) co_return failed(kNoText, kNoText);
      if (whole.size() > l.maxBytes + 64) co_return failed(kTooLarge + sizeLimitText(l.maxBytes), "");
    }
    if (count <= 0 || key.empty()) co_return failed(kNoText, text);
    text = std::move(whole);
  }

  if (loginCheck && text == "__LOGIN__") {
    Reply login;
    login.kind = Reply::Kind::login;
    co_return login;
  }
  if (text == "__TIMEOUT__") co_return failed("服务器 " + seconds(l.idleMs) + " 秒无响应", "");
  if (text == "__TOOBIG__") co_return failed(kTooLarge + sizeLimitText(l.maxBytes), "");
  if (startsWith(text, "__ERR__")) co_return failed("无法连接到服务器", std::move(text));
  // The native guard as well: the page's own check may not have run (a fake page).
  if (text.size() > l.maxBytes + 64) co_return failed(kTooLarge + sizeLimitText(l.maxBytes), "");

  Reply reply;
  reply.kind = Reply::Kind::text;
  reply.status = 200;
  if (startsWith(text, "__HTTP__")) {
    size_t nl = text.find('\n');
    size_t digits = nl == std::string::npos ? text.size() : nl;
    reply.status = std::atoi(text.substr(8, digits - 8).c_str());
    text.erase(0, nl == std::string::npos ? text.size() : nl + 1);
  }
  reply.text = std::move(text);
  co_return reply;
}

Task<std::string> fetchText(std::shared_ptr<WebPage> page, std::string path, Limits limits) {
  auto reading = read(std::move(page), path, limits);
  Reply r = co_await reading;
  if (r.kind == Reply::Kind::failed) {
    const AppError& e = r.error ? *r.error : AppError(errors::kQuorvel, errors::kPageReadFailed, "");
    if (fromEngine(e)) throw AppError(e.domain, e.code, r.detail);
    const std::string& reason = e.message;
    // What the page met goes to the log as it came; the error says it in words.
    if (startsWith(r.detail, "__ERR__")) {
      logLine(tags::kBridge, "读取 " + path + " 失败：" + failure::logExcerpt(r.detail), LogLevel::warning);
      throw AppError(errors::kQuorvel, errors::kPageReadFailed, reason);
    }
    // A refused reply is said in the log, whoever asked: nothing is cut off silently.
    if (startsWith(reason, kTooLarge)) logLine(tags::kBridge, "读取 " + path + " 被拒绝：" + reason, LogLevel::warning);
    throw AppError(errors::kQuorvel, errors::kPageReadFailed, reason == kNoText ? r.detail : reason);
  }
  if (r.status < 200 || r.status > 299) {
    logLine(tags::kBridge, "读取 " + path + " → HTTP " + std::to_string(r.status) + " " + failure::logExcerpt(r.text),
            LogLevel::warning);
    throw AppError(errors::kQuorvel, errors::kPageReadFailed, failure::statusSentence(r.status));
  }
  if (!isUtf8(r.text)) throw AppError(errors::kQuorvel, errors::kNotText, "响应不是文本");
  co_return std::move(r.text);
}

std::string replyFailureReason(const Reply& reply) {
  if (reply.kind == Reply::Kind::failed) return reply.error ? reply.error->message : std::string();
  if (reply.kind == Reply::Kind::login) return kNotSignedIn;
  if (reply.status < 200 || reply.status > 299) return "服务器返回 " + std::to_string(reply.status);
  if (looksLikeLoginPage(reply.text)) return kNotSignedIn;
  return "服务器回复无法识别";
}

}  // namespace quorvel::PageReads
