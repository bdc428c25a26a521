// Idle time-outs of native requests over real loopback HTTP: a transfer that keeps
// moving may run far past the limit, one that stops moving for longer fails with the
// time-out error about one limit after its last byte.
#include <fcntl.h>
#include <gio/gio.h>
#include <gio/gunixinputstream.h>
#include <glib-unix.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "TestHelpers.h"
#include "TestService.h"
#include "base/AppError.h"
#include "base/MainQueue.h"
#include "base/GObjectPtr.h"
#include "platform/Http.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

constexpr unsigned kIdleMs = 500;
constexpr unsigned kStepMs = 100;
constexpr int kSteps = 15;  // 1.5 s of steady progress, three idle limits

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Distinct bytes per piece, so a lost or repeated piece shows in the comparison.
std::vector<std::string> pieces(int count, size_t size) {
  std::vector<std::string> out;
  for (int i = 0; i < count; ++i) {
    std::string p(size, '\0');
    for (size_t j = 0; j < size; ++j) p[j] = static_cast<char>('a' + (i * 7 + j) % 26);
    out.push_back(std::move(p));
  }
  return out;
}

std::string joined(const std::vector<std::string>& parts, size_t count) {
  std::string all;
  for (size_t i = 0; i < count && i < parts.size(); ++i) all += parts[i];
  return all;
}

void expectTimedOut(const Outcome<http::HttpResponse>& o) {
  ASSERT_FALSE(o.value) << "got HTTP " << o.value->status;
  AppError e = errorOf(o);
  EXPECT_EQ(e.domain, "Http");
  EXPECT_EQ(e.code, G_IO_ERROR_TIMED_OUT);
  EXPECT_EQ(e.message, "请求超时");
}

// A request body that arrives over time: the read end of a pipe, its write end fed
// one piece every `stepMs` from the main loop. After the last piece the pipe is
// closed (end of body) or, when `stallAtEnd`, left open with nothing more coming.
class FedPipe {
 public:
  FedPipe(std::vector<std::string> parts, unsigned stepMs, bool stallAtEnd)
      : parts_(std::move(parts)), stallAtEnd_(stallAtEnd) {
    int fds[2];
    GError* err = nullptr;
    if (!g_unix_open_pipe(fds, FD_CLOEXEC, &err)) {
      ADD_FAILURE() << err->message;
      g_clear_error(&err);
      return;
    }
    g_unix_set_fd_nonblocking(fds[0], TRUE, nullptr);
    g_unix_set_fd_nonblocking(fds[1], TRUE, nullptr);
    stream_ = http::adoptStream(g_unix_input_stream_new(fds[0], TRUE));
    writeFd_ = fds[1];
    timer_ = g_timeout_add(stepMs, onStep, this);
  }
  ~FedPipe() {
    if (timer_) g_source_remove(timer_);
    closeWriteEnd();
  }
  FedPipe(const FedPipe&) = delete;
  FedPipe& operator=(const FedPipe&) = delete;

  std::shared_ptr<GInputStream> stream() const { return stream_; }
  std::int64_t length() const { return static_cast<std::int64_t>(joined(parts_, parts_.size()).size()); }
  bool allFed() const { return next_ == parts_.size(); }
  Clock::time_point lastFedAt() const { return lastFedAt_; }

 private:
  static gboolean onStep(gpointer data) {
    auto* self = static_cast<FedPipe*>(data);
    const std::string& p = self->parts_[self->next_++];
    // A pipe holds far more than one piece and the reader keeps draining it.
    EXPECT_EQ(::write(self->writeFd_, p.data(), p.size()), static_cast<ssize_t>(p.size()));
    self->lastFedAt_ = Clock::now();
    if (!self->allFed()) return G_SOURCE_CONTINUE;
    self->timer_ = 0;
    if (!self->stallAtEnd_) self->closeWriteEnd();
    return G_SOURCE_REMOVE;
  }
  void closeWriteEnd() {
    if (writeFd_ >= 0) ::close(writeFd_);
    writeFd_ = -1;
  }

  std::vector<std::string> parts_;
  bool stallAtEnd_;
  std::shared_ptr<GInputStream> stream_;
  int writeFd_ = -1;
  size_t next_ = 0;
  unsigned timer_ = 0;
  Clock::time_point lastFedAt_ = Clock::now();
};

// A bare HTTP/1.1 peer on 127.0.0.1 for replies SoupServer cannot give: once a
// request head is in, it sends `head` and then one of `bodyParts` every `stepMs`,
// and keeps the connection open. An empty head means it never answers.
class RawServer {
 public:
  RawServer(std::string head, std::vector<std::string> bodyParts, unsigned stepMs)
      : head_(std::move(head)), parts_(std::move(bodyParts)), stepMs_(stepMs) {
    service_ = GObjectPtr<GSocketService>::adopt(g_socket_service_new());
    auto loopback = GObjectPtr<GInetAddress>::adopt(g_inet_address_new_loopback(G_SOCKET_FAMILY_IPV4));
    auto address = GObjectPtr<GSocketAddress>::adopt(g_inet_socket_address_new(loopback, 0));
    GSocketAddress* bound = nullptr;
    GError* err = nullptr;
    if (!g_socket_listener_add_address(G_SOCKET_LISTENER(service_.get()), address, G_SOCKET_TYPE_STREAM,
                                       G_SOCKET_PROTOCOL_TCP, nullptr, &bound, &err)) {
      ADD_FAILURE() << err->message;
      g_clear_error(&err);
      return;
    }
    port_ = g_inet_socket_address_get_port(G_INET_SOCKET_ADDRESS(bound));
    g_object_unref(bound);
    g_signal_connect(service_.get(), "incoming", G_CALLBACK(onIncoming), this);
    g_socket_service_start(service_);
  }
  ~RawServer() {
    g_signal_handlers_disconnect_by_data(service_.get(), this);
    g_socket_service_stop(service_);
    g_socket_listener_close(G_SOCKET_LISTENER(service_.get()));
    g_cancellable_cancel(cancellable_);
    conns_.clear();
    drainMainLoop();  // lets cancelled reads finish while their connections are gone
  }
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  std::string url(const std::string& path) const { return "http://127.0.0.1:" + std::to_string(port_) + path; }
  int requestsSeen() const { return requestsSeen_; }
  bool allSent() const { return sent_ == parts_.size(); }
  Clock::time_point lastSentAt() const { return lastSentAt_; }

 private:
  struct Conn {
    RawServer* server;
    GObjectPtr<GSocketConnection> socket;
    std::string received;
    char buffer[4096];
    unsigned timer = 0;
    ~Conn() {
      if (timer) g_source_remove(timer);
      g_io_stream_close(G_IO_STREAM(socket.get()), nullptr, nullptr);
    }
  };

  static gboolean onIncoming(GSocketService*, GSocketConnection* connection, GObject*, gpointer data) {
    auto* self = static_cast<RawServer*>(data);
    auto conn = std::make_shared<Conn>();
    conn->server = self;
    conn->socket = GObjectPtr<GSocketConnection>::retain(connection);
    self->conns_.push_back(conn);
    readMore(conn);
    return TRUE;
  }

  static void readMore(const std::shared_ptr<Conn>& conn) {
    g_input_stream_read_async(g_io_stream_get_input_stream(G_IO_STREAM(conn->socket.get())), conn->buffer,
                              sizeof conn->buffer, G_PRIORITY_DEFAULT, conn->server->cancellable_, onRead,
                              new std::weak_ptr<Conn>(conn));
  }

  static void onRead(GObject* source, GAsyncResult* res, gpointer data) {
    std::unique_ptr<std::weak_ptr<Conn>> weak(static_cast<std::weak_ptr<Conn>*>(data));
    gssize n = g_input_stream_read_finish(G_INPUT_STREAM(source), res, nullptr);
    auto conn = weak->lock();
    if (!conn || n <= 0) return;
    conn->received.append(conn->buffer, static_cast<size_t>(n));
    if (conn->received.find("\r\n\r\n") == std::string::npos) return readMore(conn);
    RawServer* self = conn->server;
    ++self->requestsSeen_;
    if (self->head_.empty()) return;
    self->write(*conn, self->head_);
    if (!self->parts_.empty()) conn->timer = g_timeout_add(self->stepMs_, onStep, conn.get());
  }

  static gboolean onStep(gpointer data) {
    auto* conn = static_cast<Conn*>(data);
    RawServer* self = conn->server;
    self->write(*conn, self->parts_[self->sent_++]);
    if (!self->allSent()) return G_SOURCE_CONTINUE;
    conn->timer = 0;
    return G_SOURCE_REMOVE;
  }

  // A few hundred bytes into a fresh loopback socket never wait.
  void write(Conn& conn, const std::string& bytes) {
    GOutputStream* out = g_io_stream_get_output_stream(G_IO_STREAM(conn.socket.get()));
    EXPECT_TRUE(g_output_stream_write_all(out, bytes.data(), bytes.size(), nullptr, nullptr, nullptr));
    lastSentAt_ = Clock::now();
  }

  std::string head_;
  std::vector<std::string> parts_;
  unsigned stepMs_;
  GObjectPtr<GSocketService> service_;
  GObjectPtr<GCancellable> cancellable_ = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
  std::vector<std::shared_ptr<Conn>> conns_;
  unsigned port_ = 0;
  int requestsSeen_ = 0;
  size_t sent_ = 0;
  Clock::time_point lastSentAt_ = Clock::now();
};

std::string headFor(size_t length) {
  return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + std::to_string(length) + "\r\n\r\n";
}

http::HttpRequest getRequest(const std::string& url) {
  http::HttpRequest req;
  req.url = url;
  req.idleTimeoutMs = kIdleMs;
  return req;
}

}  // namespace

// ---- the request body ----

class HttpIdleUploadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service.start();
    service.setRoute("/upload", [](const RecordedRequest&) { return Reply::text("收到"); });
  }
  void TearDown() override {
    service.stop();
    drainMainLoop();
  }
  http::HttpRequest uploadOf(const FedPipe& pipe) {
    http::HttpRequest req;
    req.method = "POST";
    req.url = service.url("/upload");
    req.headers.emplace_back("Content-Type", "application/octet-stream");
    req.bodyStream = pipe.stream();
    req.bodyLength = pipe.length();
    req.idleTimeoutMs = kIdleMs;
    return req;
  }
  TestService service;
};

TEST_F(HttpIdleUploadTest, ABodyThatKeepsComingOutlastsTheLimitAndArrivesWhole) {
  auto parts = pieces(kSteps, 1000);
  FedPipe pipe(parts, kStepMs, false);
  auto start = Clock::now();
  auto o = runToEnd(http::send(uploadOf(pipe)));
  auto took = msSince(start);

  ASSERT_TRUE(o->value) << errorOf(*o).message;
  EXPECT_EQ(o->value->status, 200);
  EXPECT_EQ(o->value->body, "收到");
  // Far longer than the limit: only idle time counts.
  EXPECT_GE(took, kSteps * kStepMs - kStepMs);
  auto req = service.requestsTo("/upload");
  ASSERT_EQ(req.size(), 1u);
  EXPECT_TRUE(req[0].body == joined(parts, parts.size())) << "body of " << req[0].body.size() << " bytes differs";
}

TEST_F(HttpIdleUploadTest, ABodyThatStallsFailsOneLimitAfterItsLastPiece) {
  // Three pieces of ten, then nothing: the declared length is never reached.
  auto parts = pieces(10, 1000);
  FedPipe pipe({parts.begin(), parts.begin() + 3}, kStepMs, true);
  http::HttpRequest req = uploadOf(pipe);
  req.bodyLength = static_cast<std::int64_t>(joined(parts, parts.size()).size());
  auto start = Clock::now();
  auto o = runToEnd(http::send(std::move(req)));
  auto took = msSince(start);

  expectTimedOut(*o);
  ASSERT_TRUE(pipe.allFed());
  auto sinceLast = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - pipe.lastFedAt()).count();
  // Counted from the last piece, not from the start of the request.
  EXPECT_GE(took, 3 * kStepMs + kIdleMs - 50) << "cut off before the body went idle";
  EXPECT_GE(sinceLast, kIdleMs - 50);
  EXPECT_LT(sinceLast, kIdleMs + 700) << "idle far longer than the limit";
  EXPECT_TRUE(service.requestsTo("/upload").empty());
}

// ---- the reply ----

TEST(HttpIdleReply, ABodyTrickledPastTheLimitArrivesWhole) {
  auto parts = pieces(kSteps, 100);
  const std::string all = joined(parts, parts.size());
  RawServer server(headFor(all.size()), parts, kStepMs);
  auto start = Clock::now();
  auto o = runToEnd(http::send(getRequest(server.url("/slow"))));
  auto took = msSince(start);

  ASSERT_TRUE(o->value) << errorOf(*o).message;
  EXPECT_EQ(o->value->status, 200);
  EXPECT_EQ(o->value->header("content-type"), "text/plain");
  EXPECT_TRUE(o->value->body == all) << "body of " << o->value->body.size() << " bytes differs";
  EXPECT_GE(took, kSteps * kStepMs - kStepMs);
}

TEST(HttpIdleReply, ABodyThatStopsMidWayFailsOneLimitAfterItsLastPiece) {
  // Headers and three pieces of ten, then silence on an open connection.
  auto parts = pieces(10, 100);
  RawServer server(headFor(joined(parts, parts.size()).size()), {parts.begin(), parts.begin() + 3}, kStepMs);
  auto start = Clock::now();
  auto o = runToEnd(http::send(getRequest(server.url("/stops"))));
  auto took = msSince(start);

  expectTimedOut(*o);
  ASSERT_TRUE(server.allSent());
  auto sinceLast = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - server.lastSentAt()).count();
  EXPECT_GE(took, 3 * kStepMs + kIdleMs - 50) << "cut off before the reply went idle";
  EXPECT_GE(sinceLast, kIdleMs - 50);
  EXPECT_LT(sinceLast, kIdleMs + 700) << "idle far longer than the limit";
}

TEST(HttpIdleReply, AServerThatNeverAnswersFailsAfterAboutTheLimit) {
  RawServer server("", {}, kStepMs);
  auto start = Clock::now();
  auto o = runToEnd(http::send(getRequest(server.url("/silent"))));
  auto took = msSince(start);
  expectTimedOut(*o);
  EXPECT_EQ(server.requestsSeen(), 1);
  EXPECT_GE(took, kIdleMs - 50);
  EXPECT_LT(took, kIdleMs + 700);

  // The limit in whole seconds works the same way.
  http::HttpRequest req;
  req.url = server.url("/silent-too");
  req.timeoutSeconds = 1;
  start = Clock::now();
  o = runToEnd(http::send(std::move(req)));
  took = msSince(start);
  expectTimedOut(*o);
  EXPECT_GE(took, 950);
  EXPECT_LT(took, 1700);
}

// ---- the size cap of a reply ----

TEST(HttpReplyCap, ABodyOverTheCapFailsWithItsMessageWhetherDeclaredOrNot) {
  auto parts = pieces(10, 1000);
  auto expectTooLarge = [](const Outcome<http::HttpResponse>& o) {
    ASSERT_FALSE(o.value) << "got HTTP " << o.value->status;
    AppError e = errorOf(o);
    EXPECT_EQ(e.domain, "Http");
    EXPECT_EQ(e.code, http::kReplyTooLarge);
    EXPECT_EQ(e.message, "服务器回复超过 4 KB");
  };
  {
    // Declared too long: refused at the headers, long before the body is through.
    RawServer server(headFor(10000), parts, kStepMs);
    auto req = getRequest(server.url("/declared"));
    req.maxBodyBytes = 4096;
    auto start = Clock::now();
    auto o = runToEnd(http::send(std::move(req)));
    expectTooLarge(*o);
    EXPECT_LT(msSince(start), 3 * kStepMs);
  }
  {
    // No length declared: counted as it comes, refused once past the cap.
    RawServer server("HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nConnection: close\r\n\r\n", parts, kStepMs);
    auto req = getRequest(server.url("/streamed"));
    req.maxBodyBytes = 4096;
    auto o = runToEnd(http::send(std::move(req)));
    expectTooLarge(*o);
    EXPECT_FALSE(server.allSent());
  }
  {
    // Exactly at the cap: the whole body.
    std::vector<std::string> four(parts.begin(), parts.begin() + 4);
    RawServer server(headFor(4000), four, 10);
    auto req = getRequest(server.url("/fits"));
    req.maxBodyBytes = 4000;
    auto o = runToEnd(http::send(std::move(req)));
    ASSERT_TRUE(o->value) << errorOf(*o).message;
    EXPECT_EQ(o->value->body, joined(four, 4));
  }
}

// ---- the owner's cancellable ----

TEST(HttpOwnerCancel, TheOwnerCancellingOrGoingAwayEndsTheRequestAtOnce) {
  auto expectCancelled = [](const Outcome<http::HttpResponse>& o) {
    ASSERT_FALSE(o.value) << "got HTTP " << o.value->status;
    AppError e = errorOf(o);
    EXPECT_EQ(e.domain, "Http");
    EXPECT_EQ(e.code, G_IO_ERROR_CANCELLED);
    EXPECT_EQ(e.message, "请求已取消");
  };
  auto parts = pieces(kSteps, 100);
  {
    // Cancelled mid-body: well before the trickle ends, and no time-out is reported.
    RawServer server(headFor(joined(parts, parts.size()).size()), parts, kStepMs);
    Cancellable owner;
    postToMainAfter(3 * kStepMs, [&owner] { owner.cancel(); });
    auto start = Clock::now();
    auto o = runToEnd(http::send(getRequest(server.url("/cancelled")), &owner));
    expectCancelled(*o);
    EXPECT_LT(msSince(start), (kSteps - 3) * kStepMs);
  }
  {
    // The owner gone while the request waits for a silent server.
    RawServer server("", {}, kStepMs);
    auto owner = std::make_unique<Cancellable>();
    auto req = getRequest(server.url("/owner-gone"));
    req.idleTimeoutMs = 5000;
    auto sending = http::send(std::move(req), owner.get());
    postToMainAfter(kStepMs, [&owner] { owner.reset(); });
    auto start = Clock::now();
    auto o = runToEnd(std::move(sending));
    expectCancelled(*o);
    EXPECT_LT(msSince(start), 2000);
  }
  {
    // Cancelled before the call: nothing is sent.
    RawServer server("", {}, kStepMs);
    Cancellable owner;
    owner.cancel();
    auto o = runToEnd(http::send(getRequest(server.url("/never")), &owner));
    expectCancelled(*o);
  }
  {
    // An owner that never cancels changes nothing.
    std::vector<std::string> two(parts.begin(), parts.begin() + 2);
    RawServer server(headFor(joined(two, 2).size()), two, 10);
    Cancellable owner;
    auto o = runToEnd(http::send(getRequest(server.url("/kept")), &owner));
    ASSERT_TRUE(o->value) << errorOf(*o).message;
    EXPECT_EQ(o->value->body, joined(two, 2));
  }
}
