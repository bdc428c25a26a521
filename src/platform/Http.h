#pragma once
// A small HTTP client over one shared libsoup session on the main context.
#include <gio/gio.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "base/Async.h"
#include "base/GObjectPtr.h"
#include "base/Task.h"

struct _SoupMessageHeaders;

namespace quorvel::http {

struct HttpRequest {
  std::string method = "GET";
  std::string url;
  // Sent as given, in order.
  std::vector<std::pair<std::string, std::string>> headers;
  // Either bytes or a stream of `bodyLength` bytes (the request takes a reference).
  std::optional<std::string> body;
  std::shared_ptr<GInputStream> bodyStream;
  std::int64_t bodyLength = -1;
  // Idle limit: the request is cancelled once this many seconds pass without a
  // byte moving either way (request sent, reply received); 0 means no limit.
  // A slow transfer that keeps moving is never cut off.
  unsigned timeoutSeconds = 60;
  // The same limit in milliseconds; when set it replaces timeoutSeconds.
  std::optional<unsigned> idleTimeoutMs;
  // Size limit of the reply body: a longer one (declared or received) ends the request
  // with AppError(errors::kHttp, kReplyTooLarge, …). 0 means no limit.
  std::size_t maxBodyBytes = 0;
};

// The limit of a JSON reply the client reads (native requests and page reads alike).
inline constexpr std::size_t kMaxJsonReplyBytes = 8u << 20;
// The limit of the listings that grow with the firm (the case nodes, a contract's file
// manifest): room for 100,000 case files, still a bound on a broken or hostile reply.
inline constexpr std::size_t kMaxListingReplyBytes = 256u << 20;
// The error code of a reply over maxBodyBytes.
inline constexpr int kReplyTooLarge = 413;

struct HttpResponse {
  int status = -1;
  std::string finalURL;  // after redirects
  std::vector<std::pair<std::string, std::string>> headers;
  std::string body;
  // The first header of that name (case-insensitive); empty when absent.
  std::string header(const std::string& name) const;
};

// Owns a GInputStream reference (the pointer may be nullptr).
std::shared_ptr<GInputStream> adoptStream(GInputStream* stream);

// Sends the request and waits for the whole reply. A transport failure (no
// connection, broken reply) throws AppError(errors::kHttp, code, Chinese text); the idle
// limit running out throws AppError(errors::kHttp, G_IO_ERROR_TIMED_OUT, "请求超时"); a
// body over maxBodyBytes throws AppError(errors::kHttp, kReplyTooLarge, "服务器回复超过 N MB").
// Any HTTP status is a reply. Must be called on the main thread.
// `owner`: the caller's cancellable; cancelling it (or the owner going away) ends the
// request with AppError(errors::kHttp, G_IO_ERROR_CANCELLED, "请求已取消"). The request
// keeps its own reference, so the Cancellable object itself may go first.
Task<HttpResponse> send(HttpRequest request, const Cancellable* owner = nullptr);

// A reply whose body is still to be read.
struct HttpDownload {
  int status = -1;
  std::string contentType;          // the media type alone; empty when absent
  std::int64_t contentLength = -1;  // as declared; -1 when not
  GObjectPtr<GInputStream> body;
  GObjectPtr<GObject> request;  // kept while the body is read
};
// A session for long downloads, where a read or write that stalls `stallSeconds`
// fails. Copies share the one session; its owner keeps one while a body is read.
class DownloadSession {
 public:
  explicit DownloadSession(unsigned stallSeconds);

  // GETs `url` with `headers` (replacing any of the same name). Returns once the
  // reply's headers are in; nothing when `url` is no address. A transport failure
  // throws the GIO error as AppError. Must be called on the main thread.
  Task<std::optional<HttpDownload>> open(std::string url,
                                         std::vector<std::pair<std::string, std::string>> headers) const;

 private:
  GObjectPtr<GObject> session_;  // a SoupSession
};

// ---- Values the web engine hands out as libsoup types.

// The registrable domain of a host ("www.example.com.cn" → "example.com.cn"); the host
// itself when it has none (a bare host name, an address).
std::string registrableDomain(const std::string& host);
// The first value of a header; nothing when absent.
std::optional<std::string> headerValue(_SoupMessageHeaders* headers, const char* name);

struct Cookie {
  std::string name;
  std::string value;
  std::string domain;
  bool secure = false;
};
// Reads a list of SoupCookie (as a cookie manager returns it) and frees it.
std::vector<Cookie> takeCookies(GList* cookies);

}  // namespace quorvel::http
