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

#include "base/Task.h"

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
Task<HttpResponse> send(HttpRequest request);

}  // namespace quorvel::http
