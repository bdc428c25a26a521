#include "platform/Http.h"

#include <libsoup/soup.h>

#include <atomic>
#include <optional>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/FailureText.h"
#include "base/MainQueue.h"
#include "base/Async.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/Text.h"

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
  Exchange(GObjectPtr<SoupMessage> msg, unsigned idleMs, GCancellable* owner, GCancellable* scope)
      : msg_(std::move(msg)), idleUs_(gint64(idleMs) * 1000) {
    if (owner) followOwner(owner);
    if (scope) followOwner(scope);
    if (idleUs_ <= 0) return;
    progress();
    // Bytes written: request line and headers, then each piece of the body.
    watch("wrote-headers", G_CALLBACK(onMessageProgress));
    watch("wrote-body-data", G_CALLBACK(onBodyWritten));
    // Bytes read up to the reply headers; the body is read by send() itself.
    watch("got-informational", G_CALLBACK(onMessageProgress));
    watch("got-headers", G_CALLBACK(onMessageProgress));
    timer_ = SourceId(g_timeout_add(idleMs, onTimer, this));
  }
  ~Exchange() {
    for (auto& [owner, handler] : owners_) g_cancellable_disconnect(owner, handler);
  }
  Exchange(const Exchange&) = delete;
  Exchange& operator=(const Exchange&) = delete;

  SoupMessage* message() const { return msg_.get(); }
  GCancellable* cancellable() const { return cancellable_.get(); }
  bool timedOut() const { return timedOut_; }
  void progress() { lastProgress_.store(g_get_monotonic_time(), std::memory_order_relaxed); }

 private:
  // The session may keep the message after this exchange ends: the handlers go with it.
  void watch(const char* signal, GCallback callback) {
    handlers_.emplace_back(msg_.get(), g_signal_connect(msg_.get(), signal, callback, this));
  }
  // The owner's cancel reaches the request's own cancellable (which the idle limit
  // also uses), at once when the owner is cancelled already.
  void followOwner(GCancellable* owner) {
    auto held = GObjectPtr<GCancellable>::retain(owner);
    gulong handler = g_cancellable_connect(
        held, G_CALLBACK(+[](GCancellable*, gpointer mine) { g_cancellable_cancel(G_CANCELLABLE(mine)); }),
        g_object_ref(cancellable_.get()), g_object_unref);
    owners_.emplace_back(std::move(held), handler);
  }

  static void onMessageProgress(SoupMessage*, gpointer self) { static_cast<Exchange*>(self)->progress(); }
  static void onBodyWritten(SoupMessage*, guint, gpointer self) { static_cast<Exchange*>(self)->progress(); }

  static gboolean onTimer(gpointer data) {
    auto* self = static_cast<Exchange*>(data);
    self->timer_.forget();  // this source ends here
    gint64 idle = g_get_monotonic_time() - self->lastProgress_.load(std::memory_order_relaxed);
    if (idle < self->idleUs_) {
      guint restMs = static_cast<guint>((self->idleUs_ - idle + 999) / 1000);
      self->timer_ = SourceId(g_timeout_add(restMs, onTimer, self));
      return G_SOURCE_REMOVE;
    }
    self->timedOut_ = true;
    // Cancelling may finish the request, and end this object, before it returns.
    GObjectPtr<GCancellable> c(self->cancellable_);
    g_cancellable_cancel(c);
    return G_SOURCE_REMOVE;
  }

  GObjectPtr<SoupMessage> msg_;
  GObjectPtr<GCancellable> cancellable_ = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
  // The caller's cancellable and its chain's scope.
  std::vector<std::pair<GObjectPtr<GCancellable>, gulong>> owners_;
  std::vector<SignalHandler> handlers_;
  const gint64 idleUs_;
  std::atomic<gint64> lastProgress_{0};
  SourceId timer_;
  bool timedOut_ = false;
};

// The failure in a short sentence; the library's own text only for a kind we do not know.
std::string describe(const AppError& e, bool timedOut, bool cancelled) {
  if (timedOut || (e.domain == g_quark_to_string(G_IO_ERROR) && e.code == G_IO_ERROR_TIMED_OUT)) return "请求超时";
  if (cancelled) return "请求已取消";
  if (auto sentence = failure::transportSentence(e.domain, e.code)) return *sentence;
  return "网络请求失败：" + e.message;
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

Task<HttpResponse> send(HttpRequest request, const Cancellable* owner) {
  // Taken before the first suspension: the owner's object may be gone by the next turn.
  GCancellable* ownerCancellable = owner ? owner->get() : nullptr;
  auto msg = GObjectPtr<SoupMessage>::adopt(soup_message_new(request.method.c_str(), request.url.c_str()));
  if (!msg) throw AppError(errors::kHttp, -1, "请求地址无效：" + request.url);

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
  Exchange x(msg, idleMs, ownerCancellable, co_await chainCancellable());

  // A transport failure is rethrown in our own words (and as a time-out when the idle
  // limit ran out).
  auto transportError = [&](const AppError& e) {
    int code = x.timedOut() ? G_IO_ERROR_TIMED_OUT : e.code;
    bool cancelled = e.code == G_IO_ERROR_CANCELLED && e.domain == g_quark_to_string(G_IO_ERROR);
    return AppError(errors::kHttp, code, describe(e, x.timedOut(), cancelled));
  };

  auto open = asyncCall<GObjectPtr<GInputStream>>(
      [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        soup_session_send_async(sharedSession(), x.message(), G_PRIORITY_DEFAULT, c, cb, data);
      },
      [](GObject* source, GAsyncResult* res, GError** error) {
        return GObjectPtr<GInputStream>::adopt(soup_session_send_finish(SOUP_SESSION(source), res, error));
      },
      x.cancellable());
  GObjectPtr<GInputStream> stream;
  try {
    stream = co_await open;
  } catch (const AppError& e) {
    throw transportError(e);
  }
  const std::size_t cap = request.maxBodyBytes;
  const AppError tooLarge(errors::kHttp, kReplyTooLarge, "服务器回复超过 " + sizeLimitText(cap));
  const goffset declared = soup_message_headers_get_content_length(soup_message_get_response_headers(msg));
  // Refused before reading: the rest is never fetched (the close below drops it).
  std::optional<AppError> readError;
  if (cap > 0 && declared > 0 && static_cast<std::uint64_t>(declared) > cap) readError = tooLarge;

  // The body is read here, chunk by chunk, so that each chunk counts as progress.
  std::string body;
  std::vector<char> buffer(kReadChunk);
  while (!readError) {
    auto read = asyncCall<gssize>(
        [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
          g_input_stream_read_async(stream, buffer.data(), buffer.size(), G_PRIORITY_DEFAULT, c, cb, data);
        },
        [](GObject* source, GAsyncResult* res, GError** error) {
          return g_input_stream_read_finish(G_INPUT_STREAM(source), res, error);
        },
        x.cancellable());
    gssize size = 0;
    try {
      size = co_await read;
    } catch (const AppError& e) {
      readError = transportError(e);
      break;
    }
    if (size <= 0) break;
    x.progress();
    if (cap > 0 && body.size() + static_cast<size_t>(size) > cap) {
      readError = tooLarge;
      break;
    }
    body.append(buffer.data(), static_cast<size_t>(size));
  }

  // A refused body is not drained: the connection is dropped instead.
  if (readError && readError->code == kReplyTooLarge && readError->domain == errors::kHttp)
    g_cancellable_cancel(x.cancellable());
  // Closed asynchronously: a synchronous close (also the one a last unref does)
  // would skip an unread rest of the body on the main thread.
  auto close = asyncCall<bool>(
      [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        g_input_stream_close_async(stream, G_PRIORITY_DEFAULT, c, cb, data);
      },
      [](GObject* source, GAsyncResult* res, GError**) {
        // The body is complete or already failed: a close error adds nothing.
        return static_cast<bool>(g_input_stream_close_finish(G_INPUT_STREAM(source), res, nullptr));
      },
      x.cancellable());
  co_await close;
  if (readError) throw *readError;

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

DownloadSession::DownloadSession(unsigned stallSeconds)
    : session_(GObjectPtr<GObject>::adopt(
          G_OBJECT(soup_session_new_with_options("timeout", stallSeconds, "idle-timeout", 60u, nullptr)))) {}

Task<std::optional<HttpDownload>> DownloadSession::open(std::string url,
                                                        std::vector<std::pair<std::string, std::string>> headers) const {
  // Held until the reply's headers are in, should the owner go meanwhile.
  GObjectPtr<GObject> session = session_;
  GObjectPtr<SoupMessage> msg = GObjectPtr<SoupMessage>::adopt(soup_message_new("GET", url.c_str()));
  if (!msg) co_return std::nullopt;
  SoupMessageHeaders* h = soup_message_get_request_headers(msg.get());
  for (auto& [k, v] : headers) soup_message_headers_replace(h, k.c_str(), v.c_str());
  SoupMessage* m = msg.get();
  auto sending = asyncCall<GObjectPtr<GInputStream>>(
      [m, s = SOUP_SESSION(session.get())](GCancellable* c, GAsyncReadyCallback cb, gpointer d) {
        soup_session_send_async(s, m, G_PRIORITY_DEFAULT, c, cb, d);
      },
      [](GObject* src, GAsyncResult* res, GError** e) {
        return GObjectPtr<GInputStream>::adopt(soup_session_send_finish(SOUP_SESSION(src), res, e));
      });
  HttpDownload out;
  out.body = co_await sending;
  out.status = static_cast<int>(soup_message_get_status(m));
  SoupMessageHeaders* reply = soup_message_get_response_headers(m);
  const char* type = soup_message_headers_get_content_type(reply, nullptr);
  out.contentType = type ? type : "";
  out.contentLength = soup_message_headers_get_content_length(reply);
  out.request = GObjectPtr<GObject>::retain(G_OBJECT(m));
  co_return out;
}

std::string registrableDomain(const std::string& host) {
  const char* base = soup_tld_get_base_domain(host.c_str(), nullptr);
  return base ? base : host;
}

std::optional<std::string> headerValue(_SoupMessageHeaders* headers, const char* name) {
  const char* v = headers ? soup_message_headers_get_one(headers, name) : nullptr;
  if (!v) return std::nullopt;
  return std::string(v);
}

std::vector<Cookie> takeCookies(GList* cookies) {
  std::vector<Cookie> out;
  for (GList* l = cookies; l; l = l->next) {
    auto* c = static_cast<SoupCookie*>(l->data);
    const char* domain = soup_cookie_get_domain(c);
    out.push_back(Cookie{soup_cookie_get_name(c), soup_cookie_get_value(c), domain ? domain : "",
                         static_cast<bool>(soup_cookie_get_secure(c))});
  }
  g_list_free_full(cookies, reinterpret_cast<GDestroyNotify>(soup_cookie_free));
  return out;
}

}  // namespace quorvel::http
