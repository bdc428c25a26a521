#include "TestEnv.h"
#include "TestService.h"

#include <nlohmann/json.hpp>
#include "TestServiceSearch.h"
#include "TestServiceUpdate.h"
#include "TestServiceVolume.h"
#include "TestServiceMirror.h"
#include "TestServiceFiles.h"
#include "TestServiceTracking.h"
#include "TestServiceOutage.h"

#include <gio/gio.h>
#include <glib.h>
#include <libsoup/soup.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>
#include <utility>

#include "TestPages.h"
#include "TestServiceArchive.h"
#include "TestServiceCalendar.h"
#include "TestServiceLive.h"
#include "base/MainQueue.h"

namespace quorvel::test {
namespace {

std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}

std::string trim(const std::string& s) {
  auto b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  auto e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

std::optional<std::string> formField(const std::string& encoded, const std::string& name) {
  GHashTable* table = soup_form_decode(encoded.c_str());
  if (!table) return std::nullopt;
  std::optional<std::string> out;
  if (auto* v = static_cast<const char*>(g_hash_table_lookup(table, name.c_str()))) out = v;
  g_hash_table_unref(table);
  return out;
}

std::string randomToken() {
  std::string out;
  for (int i = 0; i < 4; ++i) {
    char buf[9];
    g_snprintf(buf, sizeof buf, "%08x", g_random_int());
    out += buf;
  }
  return out;
}

// A stolen connection is closed on a later turn, after libsoup has left its write loop.
gboolean closeStolen(gpointer data) {
  auto* msg = static_cast<SoupServerMessage*>(data);
  if (GIOStream* stream = soup_server_message_steal_connection(msg)) {
    g_io_stream_close(stream, nullptr, nullptr);
    g_object_unref(stream);
  }
  return G_SOURCE_REMOVE;
}

// A reply that goes out piece by piece (Reply::paceMs); it ends with its last piece or
// when the caller goes away.
struct Paced {
  SoupServerMessage* msg;  // a reference of ours
  std::vector<std::string> pieces;
  std::size_t next = 0;
  bool gone = false;
};

gboolean pacedStep(gpointer data) {
  auto* p = static_cast<Paced*>(data);
  if (p->gone) return G_SOURCE_REMOVE;
  SoupMessageBody* body = soup_server_message_get_response_body(p->msg);
  const std::string& piece = p->pieces[p->next++];
  soup_message_body_append(body, SOUP_MEMORY_COPY, piece.data(), piece.size());
  const bool last = p->next == p->pieces.size();
  if (last) soup_message_body_complete(body);
  soup_server_message_unpause(p->msg);
  return last ? G_SOURCE_REMOVE : G_SOURCE_CONTINUE;
}

void pacedDone(gpointer data) {
  auto* p = static_cast<Paced*>(data);
  g_signal_handlers_disconnect_by_data(p->msg, p);
  g_object_unref(p->msg);
  delete p;
}

void sendPaced(SoupServerMessage* msg, const std::string& body, std::size_t count, unsigned paceMs) {
  auto* p = new Paced{static_cast<SoupServerMessage*>(g_object_ref(msg)), {}};
  count = std::max<std::size_t>(1, count);
  const std::size_t size = (body.size() + count - 1) / count;
  for (std::size_t at = 0; at < body.size(); at += size) p->pieces.push_back(body.substr(at, size));
  if (p->pieces.empty()) p->pieces.emplace_back();
  soup_message_headers_set_encoding(soup_server_message_get_response_headers(msg), SOUP_ENCODING_CHUNKED);
  auto gone = +[](SoupServerMessage*, gpointer data) { static_cast<Paced*>(data)->gone = true; };
  g_signal_connect(msg, "finished", G_CALLBACK(gone), p);
  g_signal_connect(msg, "disconnected", G_CALLBACK(gone), p);
  soup_server_message_pause(msg);
  g_timeout_add_full(G_PRIORITY_DEFAULT, paceMs, pacedStep, p, pacedDone);
}

// A reply held back for a while: paused until its timer fires, forgotten when the
// client goes away first or the service stops.
struct HeldReply {
  std::set<unsigned>* pending;
  SoupServerMessage* msg;
  guint timer = 0;
};

gboolean releaseHeldReply(gpointer data) {
  auto* held = static_cast<HeldReply*>(data);
  held->pending->erase(held->timer);
  soup_server_message_unpause(held->msg);
  return G_SOURCE_REMOVE;
}

void dropHeldReply(SoupServerMessage*, gpointer data) {
  auto* held = static_cast<HeldReply*>(data);
  held->pending->erase(held->timer);
  g_source_remove(held->timer);  // frees `held`
}

void freeHeldReply(gpointer data) {
  auto* held = static_cast<HeldReply*>(data);
  g_signal_handlers_disconnect_by_data(held->msg, held);
  g_object_unref(held->msg);
  delete held;
}

void onPartialChunkWritten(SoupServerMessage* msg, gpointer) {
  g_signal_handlers_disconnect_by_func(msg, reinterpret_cast<gpointer>(onPartialChunkWritten), nullptr);
  g_idle_add_full(G_PRIORITY_DEFAULT, closeStolen, g_object_ref(msg), g_object_unref);
}

}  // namespace

// ---- RecordedRequest ----

std::string RecordedRequest::header(const std::string& name) const {
  auto it = headers.find(lower(name));
  return it == headers.end() ? std::string() : it->second;
}

std::optional<std::string> RecordedRequest::cookie(const std::string& name) const {
  std::string all = header("cookie");
  size_t pos = 0;
  while (pos <= all.size()) {
    size_t end = all.find(';', pos);
    if (end == std::string::npos) end = all.size();
    std::string pair = trim(all.substr(pos, end - pos));
    auto eq = pair.find('=');
    if (eq != std::string::npos && pair.substr(0, eq) == name) return pair.substr(eq + 1);
    pos = end + 1;
  }
  return std::nullopt;
}

std::optional<std::string> RecordedRequest::queryValue(const std::string& name) const {
  return formField(query, name);
}

std::optional<std::string> RecordedRequest::formValue(const std::string& name) const {
  return formField(body, name);
}

// ---- Reply ----

Reply Reply::html(std::string body, int status) {
  Reply r;
  r.status = status;
  r.body = std::move(body);
  return r;
}

Reply Reply::json(std::string body, int status) {
  Reply r;
  r.status = status;
  r.contentType = "application/json; charset=utf-8";
  r.body = std::move(body);
  return r;
}

Reply Reply::text(std::string body, int status) {
  Reply r;
  r.status = status;
  r.contentType = "text/plain; charset=utf-8";
  r.body = std::move(body);
  return r;
}

Reply Reply::redirect(const std::string& location, int status) {
  Reply r;
  r.status = status;
  r.headers.emplace_back("Location", location);
  return r;
}

Reply Reply::notFound() { return html(pages::notFound(""), 404); }

// ---- TestService ----

TestService::TestService() {
  badgeJson_ = defaultBadgeJson();
  deadlinesJson_ = defaultDeadlinesJson();
  nodesJson_ = defaultNodesJson();
  installBuiltinRoutes();
}

TestService::~TestService() { stop(); }

void TestService::start(unsigned port) {
  if (server_) return;
  server_ = soup_server_new("server-header", "QuorvelTestService", nullptr);
  soup_server_add_handler(server_, nullptr, &TestService::onRequest, this, nullptr);
  GError* error = nullptr;
  // The listening socket attaches to the thread-default context, which is the default
  // main context for tests and the executable alike.
  if (!soup_server_listen_local(server_, port, SOUP_SERVER_LISTEN_IPV4_ONLY, &error)) {
    std::string message = error ? error->message : "unknown error";
    g_clear_error(&error);
    g_object_unref(server_);
    server_ = nullptr;
    throw std::runtime_error("test service cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + message);
  }
  GSList* uris = soup_server_get_uris(server_);
  port_ = uris ? static_cast<unsigned>(g_uri_get_port(static_cast<GUri*>(uris->data))) : 0;
  g_slist_free_full(uris, reinterpret_cast<GDestroyNotify>(g_uri_unref));
}

void TestService::stop() {
  if (!server_) return;
  // Disconnecting closes their connections; our references go with them.
  for (auto& h : std::exchange(held_, {})) g_object_unref(h.msg);
  for (unsigned timer : std::exchange(heldBack_, {})) g_source_remove(timer);
  soup_server_disconnect(server_);
  g_object_unref(server_);
  server_ = nullptr;
  port_ = 0;
}

std::string TestService::baseUrl() const {
  if (!server_) return "";
  return "http://127.0.0.1:" + std::to_string(port_);
}

void TestService::setRoute(const std::string& path, Handler handler) {
  std::lock_guard lock(mutex_);
  exactRoutes_[path] = std::move(handler);
}

void TestService::setPrefixRoute(const std::string& prefix, Handler handler) {
  std::lock_guard lock(mutex_);
  prefixRoutes_[prefix] = std::move(handler);
}

void TestService::removeRoute(const std::string& path) {
  std::lock_guard lock(mutex_);
  exactRoutes_.erase(path);
  prefixRoutes_.erase(path);
}

void TestService::resetRoutes() {
  {
    std::lock_guard lock(mutex_);
    exactRoutes_.clear();
    prefixRoutes_.clear();
    badgeMode_ = BadgeMode::Json;
    badgeJson_ = defaultBadgeJson();
    deadlinesMode_ = DeadlinesMode::Json;
    deadlinesJson_ = defaultDeadlinesJson();
    nodesJson_ = defaultNodesJson();
    badgeOutage_ = Outage::none;
    deadlinesOutage_ = Outage::none;
  }
  releaseHanging();
  installBuiltinRoutes();
}

std::optional<Handler> TestService::findRoute(const std::string& path) const {
  std::lock_guard lock(mutex_);
  if (auto it = exactRoutes_.find(path); it != exactRoutes_.end()) return it->second;
  const Handler* best = nullptr;
  size_t bestLen = 0;
  for (const auto& [prefix, handler] : prefixRoutes_) {
    if (path.rfind(prefix, 0) == 0 && prefix.size() >= bestLen) {
      best = &handler;
      bestLen = prefix.size();
    }
  }
  if (best) return *best;
  return std::nullopt;
}

std::string TestService::issueSession() {
  std::string token = randomToken();
  std::lock_guard lock(mutex_);
  sessions_.insert(token);
  return token;
}

bool TestService::isSignedIn(const RecordedRequest& request) const {
  auto token = request.cookie(kSessionCookie);
  if (!token) return false;
  std::lock_guard lock(mutex_);
  return sessions_.count(*token) > 0;
}

void TestService::invalidateSessions() {
  std::lock_guard lock(mutex_);
  sessions_.clear();
}

void TestService::setBadgeReply(BadgeMode mode, std::string json) {
  std::lock_guard lock(mutex_);
  badgeMode_ = mode;
  badgeJson_ = std::move(json);
}

std::string TestService::defaultBadgeJson() {
  return R"({"overdue":2,"today":1,"soon":3,"verify":1,"hearings":2,)"
         R"("user":"张律师","role":"lawyer","firm":"墨衡律师事务所","ts":"2026-03-02 09:00"})";
}

void TestService::setDeadlinesReply(DeadlinesMode mode, std::string json) {
  std::lock_guard lock(mutex_);
  deadlinesMode_ = mode;
  deadlinesJson_ = std::move(json);
}

std::string TestService::defaultDeadlinesJson() {
  return R"({"overdue":[{"content":"提交证据","date":"2026-02-27","days":-3,"client":"张三","proc":"（2026）京0105民初1234号","proc_id":88}],)"
         R"("today":[{"content":"缴纳诉讼费","date":"2026-03-02","days":0,"client":"李四","proc":"劳动仲裁","proc_id":91}],)"
         R"("soon":[{"content":"答辩期届满","date":"2026-03-05","days":3,"client":null,"proc":null,"proc_id":null}],)"
         R"("verify":[],)"
         R"("hearings":[{"content":"开庭","date":"2026-03-10","days":8,"client":"张三","proc":"（2026）京0105民初1234号","proc_id":88}]})";
}

void TestService::setNodesReply(std::string json) {
  std::lock_guard lock(mutex_);
  nodesJson_ = std::move(json);
}

void TestService::setCaseShareDir(std::optional<std::filesystem::path> dir) {
  std::lock_guard lock(mutex_);
  caseShareDir_ = std::move(dir);
}

std::optional<std::filesystem::path> TestService::caseShareDir() const {
  std::lock_guard lock(mutex_);
  return caseShareDir_;
}

std::string TestService::defaultNodesJson() { return searchDemoNodesJson(); }

std::optional<std::vector<TestService::Part>> TestService::multipartParts(const RecordedRequest& request) {
  std::string type = request.header("content-type");
  if (type.rfind("multipart/form-data", 0) != 0) return std::nullopt;
  SoupMessageHeaders* headers = soup_message_headers_new(SOUP_MESSAGE_HEADERS_MULTIPART);
  soup_message_headers_replace(headers, "Content-Type", type.c_str());
  GBytes* body = g_bytes_new(request.body.data(), request.body.size());
  SoupMultipart* multipart = soup_multipart_new_from_message(headers, body);
  g_bytes_unref(body);
  soup_message_headers_unref(headers);
  if (!multipart) return std::nullopt;
  std::vector<Part> out;
  for (int i = 0; i < soup_multipart_get_length(multipart); ++i) {
    SoupMessageHeaders* partHeaders = nullptr;
    GBytes* partBody = nullptr;
    if (!soup_multipart_get_part(multipart, i, &partHeaders, &partBody)) continue;
    Part part;
    char* disposition = nullptr;
    GHashTable* params = nullptr;
    if (soup_message_headers_get_content_disposition(partHeaders, &disposition, &params)) {
      if (auto* n = params ? static_cast<const char*>(g_hash_table_lookup(params, "name")) : nullptr) part.name = n;
      if (auto* f = params ? static_cast<const char*>(g_hash_table_lookup(params, "filename")) : nullptr)
        part.fileName = f;
      g_free(disposition);
      if (params) g_hash_table_destroy(params);
    }
    gsize n = 0;
    auto* data = static_cast<const char*>(g_bytes_get_data(partBody, &n));
    part.bytes.assign(data ? data : "", n);
    out.push_back(std::move(part));
  }
  soup_multipart_free(multipart);
  return out;
}

int TestService::multipartFileCount(const RecordedRequest& request) {
  auto parts = multipartParts(request);
  if (!parts) return -1;
  int count = 0;
  for (const auto& p : *parts) count += p.name == "files";
  return count;
}

std::string TestService::attachmentBytes() {
  std::string out(64 * 1024, '\0');
  for (size_t i = 0; i < out.size(); ++i) out[i] = static_cast<char>((i * 31 + (i >> 8) * 7 + 5) & 0xFF);
  return out;
}

std::vector<RecordedRequest> TestService::requests() const {
  std::lock_guard lock(mutex_);
  return record_;
}

std::vector<RecordedRequest> TestService::requestsTo(const std::string& path) const {
  std::lock_guard lock(mutex_);
  std::vector<RecordedRequest> out;
  for (const auto& r : record_)
    if (r.path == path) out.push_back(r);
  return out;
}

void TestService::clearRequests() {
  std::lock_guard lock(mutex_);
  record_.clear();
}

std::optional<RecordedRequest> TestService::waitForRequest(const std::string& path, unsigned timeoutMs) {
  std::optional<RecordedRequest> found;
  runMainLoopUntil(
      [&] {
        std::lock_guard lock(mutex_);
        for (const auto& r : record_) {
          if (r.path == path) {
            found = r;
            return true;
          }
        }
        return false;
      },
      scaledWait(timeoutMs));
  return found;
}

void TestService::onRequest(SoupServer*, SoupServerMessage* msg, const char* path, GHashTable*, void* self) {
  static_cast<TestService*>(self)->handle(msg, path);
}

void TestService::handle(SoupServerMessage* msg, const char* rawPath) {
  RecordedRequest req;
  req.method = soup_server_message_get_method(msg);
  if (char* decoded = g_uri_unescape_string(rawPath, nullptr)) {
    req.path = decoded;
    g_free(decoded);
  } else {
    req.path = rawPath;
  }
  if (const char* q = g_uri_get_query(soup_server_message_get_uri(msg))) req.query = q;

  SoupMessageHeadersIter iter;
  const char* name;
  const char* value;
  soup_message_headers_iter_init(&iter, soup_server_message_get_request_headers(msg));
  while (soup_message_headers_iter_next(&iter, &name, &value)) {
    std::string key = lower(name);
    auto [it, inserted] = req.headers.emplace(key, value);
    if (!inserted) it->second += (key == "cookie" ? "; " : ", ") + std::string(value);
  }
  if (SoupMessageBody* body = soup_server_message_get_request_body(msg)) {
    GBytes* bytes = soup_message_body_flatten(body);
    gsize size = 0;
    const char* data = static_cast<const char*>(g_bytes_get_data(bytes, &size));
    if (data && size) req.body.assign(data, size);
    g_bytes_unref(bytes);
  }
  {
    std::lock_guard lock(mutex_);
    record_.push_back(req);
  }

  auto route = findRoute(req.path);
  Reply reply;
  try {
    reply = route ? (*route)(req) : Reply::html(pages::notFound(req.path), 404);
  } catch (const std::exception& e) {
    // A throwing test handler must not unwind through libsoup.
    reply = Reply::text(std::string("handler failed: ") + e.what(), 500);
  } catch (...) {
    reply = Reply::text("handler failed", 500);
  }

  if (reply.hang) {
    hold(msg, req.path);
    return;
  }
  if (reply.delayMs > 0) holdBack(msg, reply.delayMs);
  soup_server_message_set_status(msg, reply.status, nullptr);
  SoupMessageHeaders* out = soup_server_message_get_response_headers(msg);
  for (const auto& [hname, hvalue] : reply.headers) soup_message_headers_append(out, hname.c_str(), hvalue.c_str());
  if (!reply.contentType.empty()) soup_message_headers_replace(out, "Content-Type", reply.contentType.c_str());

  if (reply.paceMs > 0) {
    sendPaced(msg, reply.body, reply.pieces, reply.paceMs);
    return;
  }
  SoupMessageBody* responseBody = soup_server_message_get_response_body(msg);
  if (reply.declaredLength && *reply.declaredLength > reply.body.size()) {
    // Declare the full length, hand over what there is, and hang up once it is written.
    soup_message_headers_set_encoding(out, SOUP_ENCODING_CONTENT_LENGTH);
    soup_message_headers_set_content_length(out, static_cast<goffset>(*reply.declaredLength));
    soup_message_body_append(responseBody, SOUP_MEMORY_COPY, reply.body.data(), reply.body.size());
    g_signal_connect(msg, "wrote-chunk", G_CALLBACK(onPartialChunkWritten), nullptr);
    return;
  }
  if (reply.sharedBody) {
    auto* keep = new std::shared_ptr<const std::string>(reply.sharedBody);
    GBytes* bytes = g_bytes_new_with_free_func((*keep)->data(), (*keep)->size(), [](gpointer p) {
      delete static_cast<std::shared_ptr<const std::string>*>(p);
    }, keep);
    soup_message_body_append_bytes(responseBody, bytes);
    g_bytes_unref(bytes);
  } else {
    soup_message_body_append(responseBody, SOUP_MEMORY_COPY, reply.body.data(), reply.body.size());
  }
  soup_message_body_complete(responseBody);
}

void TestService::holdBack(SoupServerMessage* msg, unsigned ms) {
  soup_server_message_pause(msg);
  auto* held = new HeldReply{&heldBack_, SOUP_SERVER_MESSAGE(g_object_ref(msg))};
  held->timer = g_timeout_add_full(G_PRIORITY_DEFAULT, ms, releaseHeldReply, held, freeHeldReply);
  heldBack_.insert(held->timer);
  g_signal_connect(msg, "finished", G_CALLBACK(dropHeldReply), held);
}

Reply TestService::requireSignIn(const RecordedRequest& r, const std::function<Reply()>& page) const {
  if (isSignedIn(r)) return page();
  // The sign-in page brings the user back to the page asked for.
  std::string target = r.path + (r.query.empty() ? "" : "?" + r.query);
  char* escaped = g_uri_escape_string(target.c_str(), nullptr, false);
  Reply reply = Reply::redirect(std::string("/login?next=") + escaped);
  g_free(escaped);
  return reply;
}

std::string TestService::signInTarget(const RecordedRequest& r) {
  std::string next = r.queryValue("next").value_or("");
  // Only a path of this service: nothing that names another host ("//host", a backslash).
  bool local = next.size() > 1 && next[0] == '/' && next[1] != '/' && next.find('\\') == std::string::npos;
  return local ? next : "/dashboard";
}

Reply TestService::signedInRedirect(const RecordedRequest& r) {
  Reply reply = Reply::redirect(signInTarget(r));
  reply.headers.emplace_back("Set-Cookie", std::string(kSessionCookie) + "=" + issueSession() + "; Path=/; HttpOnly");
  return reply;
}

void TestService::setSignsInByItself(bool on) {
  std::lock_guard lock(mutex_);
  signsInByItself_ = on;
}

Reply TestService::loginRoute(const RecordedRequest& r) {
  bool byItself;
  {
    std::lock_guard lock(mutex_);
    byItself = signsInByItself_;
  }
  if (r.method != "POST") {
    if (byItself && !r.queryValue("manual")) return signedInRedirect(r);
    return Reply::html(pages::login());
  }
  std::string user = trim(r.formValue("username").value_or(""));
  if (user.empty()) return Reply::html(pages::login("请输入账号和密码"));
  return signedInRedirect(r);
}

void TestService::setOutage(Outage outage) {
  setBadgeOutage(outage);
  setDeadlinesOutage(outage);
}

void TestService::setBadgeOutage(Outage outage) {
  {
    std::lock_guard lock(mutex_);
    badgeOutage_ = outage;
  }
  if (outage != Outage::hanging) releaseHanging("/api/desktop/badges");
}

void TestService::setDeadlinesOutage(Outage outage) {
  {
    std::lock_guard lock(mutex_);
    deadlinesOutage_ = outage;
  }
  if (outage != Outage::hanging) releaseHanging("/api/my_deadlines");
}

TestService::Outage TestService::badgeOutage() const {
  std::lock_guard lock(mutex_);
  return badgeOutage_;
}

TestService::Outage TestService::deadlinesOutage() const {
  std::lock_guard lock(mutex_);
  return deadlinesOutage_;
}

std::size_t TestService::hangingCount() const { return held_.size(); }

void TestService::hold(SoupServerMessage* msg, const std::string& path) {
  soup_server_message_pause(msg);
  held_.push_back(Held{static_cast<SoupServerMessage*>(g_object_ref(msg)), path});
  // A caller that gives up closes the connection: the message is no longer ours to answer.
  g_signal_connect(msg, "disconnected", G_CALLBACK(+[](SoupServerMessage* m, gpointer self) {
                     auto& held = static_cast<TestService*>(self)->held_;
                     for (auto it = held.begin(); it != held.end(); ++it) {
                       if (it->msg != m) continue;
                       g_signal_handlers_disconnect_by_data(m, self);
                       g_object_unref(m);
                       held.erase(it);
                       return;
                     }
                   }),
                   this);
}

void TestService::releaseHanging(const std::string& path) {
  std::vector<Held> keep;
  for (auto& h : std::exchange(held_, {})) {
    if (!path.empty() && h.path != path) {
      keep.push_back(h);
      continue;
    }
    g_signal_handlers_disconnect_by_data(h.msg, this);
    soup_server_message_set_status(h.msg, 503, nullptr);
    const std::string body = pages::serverError();
    soup_server_message_set_response(h.msg, "text/html; charset=utf-8", SOUP_MEMORY_COPY, body.data(), body.size());
    soup_server_message_unpause(h.msg);
    g_object_unref(h.msg);
  }
  held_ = std::move(keep);
}

Reply TestService::badgeRoute(const RecordedRequest& r) const {
  BadgeMode mode;
  std::string json;
  Outage outage;
  {
    std::lock_guard lock(mutex_);
    mode = badgeMode_;
    json = badgeJson_;
    outage = badgeOutage_;
  }
  if (auto failing = outageReply(outage, /*badges=*/true)) return std::move(*failing);
  switch (mode) {
    case BadgeMode::LoginPage: return Reply::html(pages::login());
    case BadgeMode::ErrorPage: return Reply::html(pages::serverError(), 500);
    case BadgeMode::Json: break;
  }
  if (!isSignedIn(r)) return Reply::redirect("/login");
  return Reply::json(json);
}

Reply TestService::deadlinesRoute(const RecordedRequest& r) const {
  DeadlinesMode mode;
  std::string json;
  Outage outage;
  {
    std::lock_guard lock(mutex_);
    mode = deadlinesMode_;
    json = deadlinesJson_;
    outage = deadlinesOutage_;
  }
  if (auto failing = outageReply(outage, /*badges=*/false)) return std::move(*failing);
  if (mode == DeadlinesMode::LoginPage) return Reply::html(pages::login());
  if (!isSignedIn(r)) return Reply::redirect("/login");
  if (mode == DeadlinesMode::MissingHearings) {
    std::string full = defaultDeadlinesJson();
    auto cut = full.rfind(",\"hearings\"");
    return Reply::json(full.substr(0, cut) + "}");
  }
  return Reply::json(json);
}

Reply TestService::signedInPost(const RecordedRequest& r, const std::function<Reply()>& answer) const {
  if (!isSignedIn(r)) return Reply::redirect("/login");
  if (r.method != "POST") {
    Reply reply = Reply::json(R"({"success":false,"error":"method not allowed"})", 405);
    reply.headers.emplace_back("Allow", "POST");
    return reply;
  }
  return answer();
}

void TestService::installBuiltinRoutes() {
  auto page = [](std::string (*render)()) { return [render] { return Reply::html(render()); }; };

  setRoute("/", [](const RecordedRequest&) { return Reply::redirect("/dashboard"); });
  setRoute("/login", [this](const RecordedRequest& r) { return loginRoute(r); });
  // The dashboard's counters show the same counts as the badge reply.
  setRoute("/dashboard", [this](const RecordedRequest& r) {
    return requireSignIn(r, [this] {
      std::string html = pages::dashboard();
      nlohmann::json counts;
      {
        std::lock_guard lock(mutex_);
        counts = nlohmann::json::parse(badgeJson_, nullptr, false);
      }
      for (const char* key : {"overdue", "today", "soon", "verify", "hearings"}) {
        std::string marker = std::string("{{") + key + "}}";
        std::string value = counts.is_object() && counts.contains(key) ? counts[key].dump() : "0";
        for (auto at = html.find(marker); at != std::string::npos; at = html.find(marker))
          html.replace(at, marker.size(), value);
      }
      return Reply::html(html);
    });
  });
  setRoute("/cases", [this, page](const RecordedRequest& r) { return requireSignIn(r, page(pages::cases)); });
  setRoute("/calendar", [this, page](const RecordedRequest& r) { return requireSignIn(r, page(pages::calendar)); });

  setPrefixRoute("/proceeding/", [this](const RecordedRequest& r) {
    return requireSignIn(r, [&r] {
      std::string rest = r.path.substr(std::string("/proceeding/").size());
      auto slash = rest.find('/');
      std::string id = rest.substr(0, slash);
      std::string tail = slash == std::string::npos ? "" : rest.substr(slash);
      return Reply::html(pages::proceeding(id, tail));
    });
  });

  setRoute("/forbidden", [](const RecordedRequest&) { return Reply::html(pages::forbidden(), 403); });

  setRoute("/download/attachment", [](const RecordedRequest&) {
    Reply r;
    r.contentType = "application/pdf";
    r.body = attachmentBytes();
    r.headers.emplace_back("Content-Disposition", "attachment; filename=\"报告.pdf\"");
    return r;
  });
  setRoute("/download/broken", [](const RecordedRequest&) {
    Reply r;
    r.contentType = "application/octet-stream";
    r.body = attachmentBytes().substr(0, kBrokenSentLength);
    r.declaredLength = kBrokenDeclaredLength;
    r.headers.emplace_back("Content-Disposition", "attachment; filename=\"broken.bin\"");
    return r;
  });
  setRoute("/download/evil", [](const RecordedRequest&) {
    Reply r;
    r.contentType = "text/plain; charset=utf-8";
    r.body = "evil\n";
    r.headers.emplace_back("Content-Disposition", "attachment; filename=\"../../evil.txt\"");
    return r;
  });

  setRoute("/nav-garbage", [](const RecordedRequest&) { return Reply::html(pages::navGarbage()); });
  setRoute("/new-window", [](const RecordedRequest&) { return Reply::html(pages::newWindow()); });

  setRoute("/api/desktop/badges", [this](const RecordedRequest& r) { return badgeRoute(r); });
  setRoute("/api/my_deadlines", [this](const RecordedRequest& r) { return deadlinesRoute(r); });
  setRoute("/api/desktop/nodes", [this](const RecordedRequest& r) {
    return requireSignIn(r, [this] {
      std::lock_guard lock(mutex_);
      return Reply::json(nodesJson_);
    });
  });

  setPrefixRoute("/api/proc_quick_upload/", [this](const RecordedRequest& r) {
    return signedInPost(r, [this, &r] { return quickArchiveUpload(*this, r); });
  });
  installSearchRoutes(*this);
  installUpdateRoutes(*this);
  installCalendarRoutes(*this);
  installVolumeRoutes(*this);
  installMirrorRoutes(*this);
  installFileRoutes(*this);
  installTrackingRoutes(*this);
  installOutageRoutes(*this);
  installLiveRoutes(*this);
}

}  // namespace quorvel::test
