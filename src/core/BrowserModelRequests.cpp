// Native requests to the service: form posts and Quick Archive uploads, carrying the
// web store's cookies for the service host and the workspace's user agent.
#include "app/AppConfig.h"
#include "core/AppError.h"
#include "core/BrowserModel.h"
#include "core/Log.h"
#include "core/NativeRequests.h"
#include "platform/Http.h"
#include "web/WebSession.h"

namespace quorvel {
namespace {
constexpr unsigned kFormTimeoutSeconds = 25;
constexpr unsigned kUploadTimeoutSeconds = 300;
constexpr size_t kLogCut = 120;

CookieSource& cookieSourceSlot() {
  static CookieSource source;
  return source;
}

void readStoreCookies(std::function<void(std::vector<NativeCookie>)> done) {
  if (auto& source = cookieSourceSlot()) return source(std::move(done));
  WebSession::allCookies([done = std::move(done)](std::vector<WebSession::Cookie> all) {
    std::vector<NativeCookie> out;
    out.reserve(all.size());
    for (auto& c : all) out.push_back(NativeCookie{std::move(c.name), std::move(c.value), std::move(c.domain), c.secure});
    done(std::move(out));
  });
}

Task<std::string> cookieHeader(const Url& home) {
  auto cookies = co_await CallbackAwaiter<std::vector<NativeCookie>>(
      [](CallbackAwaiter<std::vector<NativeCookie>>::Resolver resolve) { readStoreCookies(std::move(resolve)); });
  co_return selectCookieHeader(cookies, home);
}

std::string pathOf(const std::string& url) {
  auto u = Url::parse(url);
  return u ? u->decodedPath() : std::string();
}
}  // namespace

void setCookieSource(CookieSource source) { cookieSourceSlot() = std::move(source); }

Task<BrowserModel::FormResult> BrowserModel::postFormResult(const std::string& pathArg,
                                                            const std::map<std::string, std::string>& fieldsArg) {
  // Own copies: the caller's arguments need not outlive the first suspension.
  const std::string path = pathArg;
  const std::map<std::string, std::string> fields = fieldsArg;
  auto keepAlive = weak_from_this().lock();

  const Url home = AppConfig::homeURL();
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
    logLine("POST", path + " 失败：" + e.message);
    co_return FormResult{false, -1, e.message};
  }

  std::string body = utf8OrEmpty(reply.body);
  bool ok = isFormResultOk(reply.status, pathOf(reply.finalURL), body);
  logLine("POST", path + " → HTTP " + std::to_string(reply.status) + " ok=" + (ok ? "1" : "0") +
                      " body=" + prefixCharacters(body, kLogCut));
  co_return FormResult{ok, reply.status, std::move(body)};
}

Task<long long> BrowserModel::quickUpload(const std::vector<std::filesystem::path>& filesArg, long long procId) {
  const std::vector<std::filesystem::path> files = filesArg;
  auto keepAlive = weak_from_this().lock();

  const Url home = AppConfig::homeURL();
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
