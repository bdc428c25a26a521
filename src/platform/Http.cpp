#include "platform/Http.h"

#include <libsoup/soup.h>

#include <atomic>

#include "core/AppError.h"
#include "core/MainQueue.h"
#include "platform/GObjectPtr.h"

namespace quorvel::http {
namespace {

constexpr gsize kReadChunk = 64 * 1024;

SoupSession* sharedSession() {
  // No cookie jar (the caller sends the web store's cookies itself) and no socket
  // time-out of its own: each request carries its own limit.
  static SoupSession* session = soup_session_new_with_options("timeout", 0u, "idle-timeout", 60u, nullptr);
  return session;
}

// One request in flight: its message, its cancellable and the idle watch. Progress
// only stamps the time (it may be reported off the main thread); the timer looks at
// the stamp when it fires and either waits out the rest or cancels. Signal handlers
// and the timer point at this object, so its destructor detaches both.
class Exchange {
 public:
  Exchange(GObjectPtr<SoupMessage> msg, unsigned idleMs)
      : msg_(std::move(msg)), cancellable_(g_cancellable_new()), idleUs_(gint64(idleMs) * 1000) {
    if (idleUs_ <= 0) return;
    progress();
    // Bytes written: request line and headers, then each piece of the body.
    g_signal_connect(msg_.get(), "wrote-headers", G_CALLBACK(onMessageProgress), this);
    g_signal_connect(msg_.get(), "wrote-body-data", G_CALLBACK(onBodyWritten), this);
    // Bytes read up to the reply headers; the body is read by send() itself.
    g_signal_connect(msg_.get(), "got-informational", G_CALLBACK(onMessageProgress), this);
    g_signal_connect(msg_.get(), "got-headers", G_CALLBACK(onMessageProgress), this);
    timer_ = g_timeout_add(idleMs, onTimer, this);
  }
  ~Exchange() {
    g_signal_handlers_disconnect_by_data(msg_.get(), this);
    if (timer_) g_source_remove(timer_);
    g_object_unref(cancellable_);
  }
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  SoupMessage* message() const { return msg_.get(); }
  GCancellable* cancellable() const { return cancellable_; }
  bool timedOut() const { return timedOut_; }
  void progress() { lastProgress_.store(g_get_monotonic_time(), std::memory_order_relaxed); }

 private:
  static void onMessageProgress(SoupMessage*, gpointer self) { static_cast<Exchange*>(self)->progress(); }
  static void onBodyWritten(SoupMessage*, guint, gpointer self) { static_cast<Exchange*>(self)->progress(); }

  static gboolean onTimer(gpointer data) {
    auto* self = static_cast<Exchange*>(data);
    self->timer_ = 0;
    gint64 idle = g_get_monotonic_time() - self->lastProgress_.load(std::memory_order_relaxed);
    if (idle < self->idleUs_) {
      guint restMs = static_cast<guint>((self->idleUs_ - idle + 999) / 1000);
      self->timer_ = g_timeout_add(restMs, onTimer, self);
      return G_SOURCE_REMOVE;
    }
    self->timedOut_ = true;
    // Cancelling may finish the request, and end this object, before it returns.
    GCancellable* c = G_CANCELLABLE(g_object_ref(self->cancellable_));
    g_cancellable_cancel(c);
    g_object_unref(c);
    return G_SOURCE_REMOVE;
  }

  GObjectPtr<SoupMessage> msg_;
  GCancellable* cancellable_;
  const gint64 idleUs_;
  std::atomic<gint64> lastProgress_{0};
  unsigned timer_ = 0;
  bool timedOut_ = false;
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

// Takes over `error`.
[[noreturn]] void throwTransportError(GError* error, bool timedOut) {
  std::string text = describe(error, timedOut);
  int code = timedOut ? G_IO_ERROR_TIMED_OUT : (error ? error->code : -1);
  g_clear_error(&error);
  throw AppError("Http", code, text);
}

struct Opened {
  GInputStream* stream = nullptr;
  GError* error = nullptr;
};

struct Chunk {
  gssize size = -1;
  GError* error = nullptr;
};

using OpenAwaiter = CallbackAwaiter<Opened>;
using ChunkAwaiter = CallbackAwaiter<Chunk>;
using ClosedAwaiter = CallbackAwaiter<bool>;

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
  auto msg = GObjectPtr<SoupMessage>::adopt(soup_message_new(request.method.c_str(), request.url.c_str()));
  if (!msg) throw AppError("Http", -1, "请求地址无效：" + request.url);

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

  const unsigned idleMs = request.idleTimeoutMs ? *request.idleTimeoutMs : request.timeoutSeconds * 1000u;
  Exchange x(msg, idleMs);

  Opened opened = co_await OpenAwaiter([&](OpenAwaiter::Resolver resolve) {
    soup_session_send_async(
        sharedSession(), x.message(), G_PRIORITY_DEFAULT, x.cancellable(),
        [](GObject* source, GAsyncResult* res, gpointer data) {
          std::unique_ptr<OpenAwaiter::Resolver> fn(static_cast<OpenAwaiter::Resolver*>(data));
          Opened r;
          r.stream = soup_session_send_finish(SOUP_SESSION(source), res, &r.error);
          (*fn)(r);
        },
        new OpenAwaiter::Resolver(std::move(resolve)));
  });
  if (!opened.stream) throwTransportError(opened.error, x.timedOut());
  auto stream = GObjectPtr<GInputStream>::adopt(opened.stream);

  // The body is read here, chunk by chunk, so that each chunk counts as progress.
  std::string body;
  std::vector<char> buffer(kReadChunk);
  GError* readError = nullptr;
  for (;;) {
    Chunk chunk = co_await ChunkAwaiter([&](ChunkAwaiter::Resolver resolve) {
      g_input_stream_read_async(
          stream, buffer.data(), buffer.size(), G_PRIORITY_DEFAULT, x.cancellable(),
          [](GObject* source, GAsyncResult* res, gpointer data) {
            std::unique_ptr<ChunkAwaiter::Resolver> fn(static_cast<ChunkAwaiter::Resolver*>(data));
            Chunk r;
            r.size = g_input_stream_read_finish(G_INPUT_STREAM(source), res, &r.error);
            (*fn)(r);
          },
          new ChunkAwaiter::Resolver(std::move(resolve)));
    });
    if (chunk.size < 0) {
      readError = chunk.error;
      break;
    }
    if (chunk.size == 0) break;
    x.progress();
    body.append(buffer.data(), static_cast<size_t>(chunk.size));
  }

  // Closed asynchronously: a synchronous close (also the one a last unref does)
  // would skip an unread rest of the body on the main thread.
  co_await ClosedAwaiter([&](ClosedAwaiter::Resolver resolve) {
    g_input_stream_close_async(
        stream, G_PRIORITY_DEFAULT, x.cancellable(),
        [](GObject* source, GAsyncResult* res, gpointer data) {
          std::unique_ptr<ClosedAwaiter::Resolver> fn(static_cast<ClosedAwaiter::Resolver*>(data));
          // The body is complete or already failed: a close error adds nothing.
          bool ok = g_input_stream_close_finish(G_INPUT_STREAM(source), res, nullptr);
          (*fn)(ok);
        },
        new ClosedAwaiter::Resolver(std::move(resolve)));
  });
  if (readError) throwTransportError(readError, x.timedOut());

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
  r.body = std::move(body);
  co_return r;
}

}  // namespace quorvel::http
