#include "core/ServiceRequests.h"

#include "base/AppError.h"
#include "base/Log.h"
#include "core/AppConfig.h"
#include "base/LogTags.h"
#include "core/NativeRequests.h"
#include "platform/Http.h"

namespace quorvel {

Task<std::string> ServiceRequests::cookieHeader(const Url& home) {
  std::vector<NativeCookie> cookies;
  if (store_) cookies = co_await store_->cookies();
  co_return selectCookieHeader(cookies, home);
}

namespace {
constexpr unsigned kFormTimeoutSeconds = 25;
constexpr unsigned kUploadTimeoutSeconds = 300;
constexpr size_t kLogCut = 120;

std::string pathOf(const std::string& url) {
  auto u = Url::parse(url);
  return u ? u->decodedPath() : std::string();
}
}  // namespace

Task<FormResult> ServiceRequests::postForm(const std::string& pathArg,
                                                            const std::map<std::string, std::string>& fieldsArg) {
  // Own copies: the caller's arguments need not outlive the first suspension.
  const std::string path = pathArg;
  const std::map<std::string, std::string> fields = fieldsArg;

  const Url home = AppConfig::homeURL(defaults_);
  auto target = home.resolve(path);
  // The cookies chosen below belong to the service: never send them anywhere else.
  if (!target || (target->scheme != "http" && target->scheme != "https") ||
      !isServiceHost(target->host, home.host)) {
    co_return FormResult{false, -1, "invalid url"};
  }
  target->fragment.reset();

  std::string cookies = co_await cookieHeader(home);

  http::HttpRequest req;
  req.method = "POST";
  req.url = target->toString();
  req.timeoutSeconds = kFormTimeoutSeconds;
  if (!cookies.empty()) req.headers.emplace_back("Cookie", cookies);
  req.headers.emplace_back("User-Agent", AppConfig::userAgent());
  req.headers.emplace_back("X-Requested-With", "XMLHttpRequest");
  if (!fields.empty()) {
    req.headers.emplace_back("Content-Type", "application/x-www-form-urlencoded; charset=utf-8");
    req.body = encodeFormBody(fields);
  }

  http::HttpResponse reply;
  try {
    reply = co_await http::send(std::move(req));
  } catch (const AppError& e) {
    logLine(tags::kPost, path + " 失败：" + e.message, LogLevel::warning);
    co_return FormResult{false, -1, e.message};
  }

  std::string body = utf8OrEmpty(reply.body);
  bool ok = isFormResultOk(reply.status, pathOf(reply.finalURL), body);
  logLine(tags::kPost, path + " → HTTP " + std::to_string(reply.status) + " ok=" + (ok ? "1" : "0") +
                      " body=" + prefixCharacters(body, kLogCut));
  co_return FormResult{ok, reply.status, std::move(body)};
}

Task<long long> ServiceRequests::quickUpload(const std::vector<std::filesystem::path>& filesArg, long long procId) {
  const std::vector<std::filesystem::path> files = filesArg;

  const Url home = AppConfig::homeURL(defaults_);
  std::string cookies = co_await cookieHeader(home);

  // Sizes are taken and every file is opened once now: a file that cannot be read
  // stops the upload before anything is sent. The bytes are read while sending.
  MultipartBody body = MultipartBody::forFiles(files, makeBoundary("----QuorvelArchive"));

  http::HttpRequest req;
  req.method = "POST";
  req.url = appendingPathComponent(home, "api/proc_quick_upload/" + std::to_string(procId)).toString();
  req.timeoutSeconds = kUploadTimeoutSeconds;
  req.headers.emplace_back("Content-Type", body.contentType());
  if (!cookies.empty()) req.headers.emplace_back("Cookie", cookies);
  req.headers.emplace_back("User-Agent", AppConfig::userAgent());
  req.bodyStream = http::adoptStream(body.openStream());
  req.bodyLength = static_cast<std::int64_t>(body.length());

  http::HttpResponse reply = co_await http::send(std::move(req));
  co_return parseUploadReply(reply.status, reply.body, files.size());
}

}  // namespace quorvel
