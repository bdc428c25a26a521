#include "platform/Http.h"

#include <libsoup/soup.h>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/MainQueue.h"

namespace quorvel::http {
namespace {

SoupSession* sharedSession() {
  // No cookie jar (the caller sends the web store's cookies itself) and no socket
  // time-out of its own: each request carries its own limit.
  static SoupSession* session = soup_session_new_with_options("timeout", 0u, "idle-timeout", 60u, nullptr);
  return session;
}

struct Outcome {
  GBytes* bytes = nullptr;
  GError* error = nullptr;
};

struct Deadline {
  GCancellable* cancellable = g_cancellable_new();
  unsigned timer = 0;
  bool fired = false;
  ~Deadline() {
    if (timer && !fired) cancelTimer(timer);
    g_object_unref(cancellable);
  }
};

std::string describe(const GError* e, bool timedOut) {
  if (timedOut || g_error_matches(e, G_IO_ERROR, G_IO_ERROR_TIMED_OUT)) return "请求超时";
  std::string detail = e && e->message ? e->message : "";
  if (g_error_matches(e, G_IO_ERROR, G_IO_ERROR_CONNECTION_REFUSED)) return "无法连接到服务器：" + detail;
  if (e && e->domain == G_RESOLVER_ERROR) return "找不到服务器：" + detail;
  if (e && e->domain == G_TLS_ERROR) return "安全连接失败：" + detail;
  if (g_error_matches(e, G_IO_ERROR, G_IO_ERROR_CANCELLED)) return "请求已取消";
  return "网络请求失败：" + detail;
}

}  // namespace

std::string HttpResponse::header(const std::string& name) const {
  for (const auto& [k, v] : headers)
    if (g_ascii_strcasecmp(k.c_str(), name.c_str()) == 0) return v;
  return {};
}

std::shared_ptr<GInputStream> adoptStream(GInputStream* stream) {
  return std::shared_ptr<GInputStream>(stream, [](GInputStream* s) {
    if (s) g_object_unref(s);
  });
}

Task<HttpResponse> send(HttpRequest request) {
  SoupMessage* msg = soup_message_new(request.method.c_str(), request.url.c_str());
  if (!msg) throw AppError(errors::kHttp, -1, "请求地址无效：" + request.url);
  std::shared_ptr<SoupMessage> holdMsg(msg, [](SoupMessage* m) { g_object_unref(m); });

  SoupMessageHeaders* out = soup_message_get_request_headers(msg);
  for (const auto& [name, value] : request.headers) soup_message_headers_append(out, name.c_str(), value.c_str());
  // Content-Type, when given, is already among the headers.
  if (request.bodyStream) {
    soup_message_set_request_body(msg, nullptr, request.bodyStream.get(), request.bodyLength);
  } else if (request.body) {
    GBytes* bytes = g_bytes_new(request.body->data(), request.body->size());
    soup_message_set_request_body_from_bytes(msg, nullptr, bytes);
    g_bytes_unref(bytes);
  }

  auto deadline = std::make_shared<Deadline>();
  if (request.timeoutSeconds > 0) {
    std::weak_ptr<Deadline> weak = deadline;
    deadline->timer = postToMainAfter(request.timeoutSeconds * 1000u, [weak] {
      if (auto d = weak.lock()) {
        d->fired = true;
        g_cancellable_cancel(d->cancellable);
      }
    });
  }

  Outcome o = co_await CallbackAwaiter<Outcome>([&](CallbackAwaiter<Outcome>::Resolver resolve) {
    auto* heap = new CallbackAwaiter<Outcome>::Resolver(std::move(resolve));
    soup_session_send_and_read_async(
        sharedSession(), msg, G_PRIORITY_DEFAULT, deadline->cancellable,
        [](GObject* source, GAsyncResult* res, gpointer data) {
          std::unique_ptr<CallbackAwaiter<Outcome>::Resolver> fn(static_cast<CallbackAwaiter<Outcome>::Resolver*>(data));
          Outcome r;
          r.bytes = soup_session_send_and_read_finish(SOUP_SESSION(source), res, &r.error);
          (*fn)(r);
        },
        heap);
  });

  if (!o.bytes) {
    std::string text = describe(o.error, deadline->fired);
    int code = deadline->fired ? G_IO_ERROR_TIMED_OUT : (o.error ? o.error->code : -1);
    g_clear_error(&o.error);
    throw AppError(errors::kHttp, code, text);
  }

  HttpResponse r;
  r.status = static_cast<int>(soup_message_get_status(msg));
  if (GUri* uri = soup_message_get_uri(msg)) {
    char* s = g_uri_to_string(uri);
    r.finalURL = s;
    g_free(s);
  }
  SoupMessageHeadersIter iter;
  const char* name;
  const char* value;
  soup_message_headers_iter_init(&iter, soup_message_get_response_headers(msg));
  while (soup_message_headers_iter_next(&iter, &name, &value)) r.headers.emplace_back(name, value);
  gsize size = 0;
  const char* data = static_cast<const char*>(g_bytes_get_data(o.bytes, &size));
  if (data && size) r.body.assign(data, size);
  g_bytes_unref(o.bytes);
  co_return r;
}

}  // namespace quorvel::http
