#include "core/ServiceRequests.h"

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/FailureText.h"
#include "base/Log.h"
#include "core/AppConfig.h"
#include "base/LogTags.h"
#include "core/NativeRequests.h"
#include "core/Recents.h"
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
  // The pool outlives the model; these requests may outlive the model while they run.
  WorkerPool& workers = workers_;

  const Url home = AppConfig::homeURL(defaults_);
  auto target = home.resolve(path);
  // The cookies chosen below belong to the service: never send them anywhere else.
  if (!target || (target->scheme != "http" && target->scheme != "https") ||
      !isServiceHost(target->host, home.host)) {
    co_return FormResult{false, -1, "invalid url", AppError(errors::kForm, errors::kFormNotService, "地址无效")};
  }
  target->fragment.reset();

  std::string cookies = co_await cookieHeader(home);

  http::HttpRequest req;
  req.method = "POST";
  req.url = target->toString();
  req.timeoutSeconds = kFormTimeoutSeconds;
  req.maxBodyBytes = http::kMaxJsonReplyBytes;
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
    co_return FormResult{false, -1, e.message, e};
  }

  std::string body = utf8OrEmpty(reply.body);
  const int status = reply.status;
  const std::string finalPath = pathOf(reply.finalURL);
  auto judging = decodeOffMain(workers, body, [status, finalPath](const std::string& b) {
    return formFailureReason(status, finalPath, b);
  });
  std::string failure = co_await judging;
  bool ok = failure.empty();
  logLine(tags::kPost, path + " → HTTP " + std::to_string(reply.status) + " ok=" + (ok ? "1" : "0") +
                      " body=" + textHead(body, kLogCut));
  std::optional<AppError> refused;
  if (!ok) refused = AppError(errors::kForm, reply.status, std::move(failure));
  co_return FormResult{ok, reply.status, std::move(body), std::move(refused)};
}

Task<long long> ServiceRequests::quickUpload(const std::vector<std::filesystem::path>& filesArg, long long procId) {
  const std::vector<std::filesystem::path> files = filesArg;
  WorkerPool& workers = workers_;

  const Url home = AppConfig::homeURL(defaults_);
  std::string cookies = co_await cookieHeader(home);

  // Sizes are taken and every file is opened once now: a file that cannot be read
  // stops the upload before anything is sent. The bytes are read while sending.
  MultipartBody body = MultipartBody::forFiles(files, makeBoundary("----QuorvelArchive"));

  http::HttpRequest req;
  req.method = "POST";
  req.url = appendingPathComponent(home, "api/proc_quick_upload/" + std::to_string(procId)).toString();
  req.timeoutSeconds = kUploadTimeoutSeconds;
  req.maxBodyBytes = http::kMaxJsonReplyBytes;
  req.headers.emplace_back("Content-Type", body.contentType());
  if (!cookies.empty()) req.headers.emplace_back("Cookie", cookies);
  req.headers.emplace_back("User-Agent", AppConfig::userAgent());
  req.bodyStream = http::adoptStream(body.openStream());
  req.bodyLength = static_cast<std::int64_t>(body.length());

  http::HttpResponse reply = co_await http::send(std::move(req));
  if (reply.status < 200 || reply.status > 299)
    logLine(tags::kArchive, "api/proc_quick_upload/" + std::to_string(procId) + " → HTTP " + std::to_string(reply.status) +
                                " body=" + failure::logExcerpt(reply.body),
            LogLevel::warning);
  const int status = reply.status;
  const std::size_t sent = files.size();
  auto judging = decodeOffMain(workers, std::move(reply.body), [status, sent](const std::string& b) {
    return parseUploadReply(status, b, sent);
  });
  co_return co_await judging;
}

}  // namespace quorvel
