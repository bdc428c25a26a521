#pragma once
// A stand-in for the web service, served on 127.0.0.1 by libsoup's SoupServer on the
// default GLib main context. Tests iterate that context (runMainLoopUntil, web views,
// waitForRequest) and the server answers from there; the executable
// quorvel-test-service runs the same thing in its own main loop.
#include <cstddef>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

typedef struct _SoupServer SoupServer;
typedef struct _SoupServerMessage SoupServerMessage;
typedef struct _GHashTable GHashTable;

namespace quorvel::test {

struct RecordedRequest {
  std::string method;
  std::string path;   // percent-decoded
  std::string query;  // as sent, without "?"; empty when there was none
  std::map<std::string, std::string> headers;  // lower-cased names; repeated headers joined with ", "
  std::string body;

  // Empty text when the header is absent.
  std::string header(const std::string& name) const;
  std::optional<std::string> cookie(const std::string& name) const;
  std::optional<std::string> queryValue(const std::string& name) const;
  // Fields of an application/x-www-form-urlencoded body.
  std::optional<std::string> formValue(const std::string& name) const;
};

struct Reply {
  int status = 200;
  std::string contentType = "text/html; charset=utf-8";
  std::string body;
  // When set, sent instead of `body` without being copied: a large body made once.
  std::shared_ptr<const std::string> sharedBody;
  // Sent as given, in order (repeated names allowed, e.g. several Set-Cookie).
  std::vector<std::pair<std::string, std::string>> headers;
  // When set, the reply declares this Content-Length, sends `body` and then drops
  // the connection before the rest: a download that breaks off mid-way.
  std::optional<std::size_t> declaredLength;
  // When set, nothing is answered: the request waits until the service answers it 503
  // (TestService::releaseHanging) or stops.
  bool hang = false;
  // When paceMs is set, the body goes out in `pieces` pieces, one every paceMs, with no
  // length declared: a slow reply that keeps moving.
  unsigned paceMs = 0;
  std::size_t pieces = 1;
  // When set, the reply leaves only after this many milliseconds (a slow service); the
  // service answers other requests meanwhile.
  unsigned delayMs = 0;

  static Reply html(std::string body, int status = 200);
  static Reply json(std::string body, int status = 200);
  static Reply text(std::string body, int status = 200);
  static Reply redirect(const std::string& location, int status = 302);
  static Reply notFound();
};

using Handler = std::function<Reply(const RecordedRequest&)>;

class TestService {
 public:
  static constexpr const char* kSessionCookie = "qv_session";

  enum class BadgeMode {
    Json,       // 200 with the JSON text given to setBadgeReply (a signed-out caller is redirected to /login)
    LoginPage,  // 200 with the login page, as a service whose session expired answers
    ErrorPage,  // 500 with an HTML error page
  };

  TestService();
  ~TestService();
  TestService(const TestService&) = delete;
  TestService& operator=(const TestService&) = delete;

  // Binds 127.0.0.1 on `port` (0: any free port). Throws std::runtime_error on failure.
  void start(unsigned port = 0);
  void stop();
  bool running() const { return server_ != nullptr; }
  // "http://127.0.0.1:PORT" (no trailing slash); empty when not running.
  std::string baseUrl() const;
  unsigned port() const { return port_; }
  std::string url(const std::string& pathAndQuery) const { return baseUrl() + pathAndQuery; }

  // Routes. An exact route wins over a prefix route; among prefix routes the longest
  // prefix wins. Handlers run on the main context and may call back into the service.
  void setRoute(const std::string& path, Handler handler);
  void setPrefixRoute(const std::string& prefix, Handler handler);
  void removeRoute(const std::string& path);
  // Back to the built-in routes and replies (sessions and the record stay).
  void resetRoutes();

  // Sign-in sessions: POST /login issues one; tests may also mint one directly.
  std::string issueSession();
  bool isSignedIn(const RecordedRequest& request) const;
  // Every issued session stops being valid (an expired sign-in).
  void invalidateSessions();

  void setBadgeReply(BadgeMode mode, std::string json = defaultBadgeJson());
  static std::string defaultBadgeJson();

  // "/api/my_deadlines" (signed in; otherwise redirected to /login).
  enum class DeadlinesMode {
    Json,             // 200 with the JSON text given to setDeadlinesReply
    MissingHearings,  // 200 with the default lists but no "hearings" key
    LoginPage,        // 200 with the login page, as a service whose session expired answers
  };
  void setDeadlinesReply(DeadlinesMode mode, std::string json = defaultDeadlinesJson());
  static std::string defaultDeadlinesJson();

  // A service in trouble (TestServiceOutage.h): while an endpoint's outage is not
  // none, "/api/desktop/badges" and "/api/my_deadlines" answer as it says, whatever
  // their mode and whether the caller is signed in.
  enum class Outage { none, serverError, forbidden, malformed, otherShape, hanging, hugeBody, hugeUserName };
  void setOutage(Outage outage);  // both endpoints
  void setBadgeOutage(Outage outage);
  void setDeadlinesOutage(Outage outage);
  Outage badgeOutage() const;
  Outage deadlinesOutage() const;
  // Requests kept waiting by Reply::hang; releaseHanging answers them 503 (an outage
  // that ends releases those of its endpoint itself).
  std::size_t hangingCount() const;
  void releaseHanging(const std::string& path = "");

  // "/api/desktop/nodes" (signed in): {ok, contracts:[{id,no,clients,procs}], clients:[{id,name,contract,procs}]}.
  void setNodesReply(std::string json);
  static std::string defaultNodesJson();

  // The folder of the case share the volume shows: "/api/desktop/upload" stores the
  // uploaded files there (by the path's tail), as the service stores them in the case
  // storage. Unset: uploads are only answered.
  void setCaseShareDir(std::optional<std::filesystem::path> dir);
  std::optional<std::filesystem::path> caseShareDir() const;

  // Native endpoints, all POST and signed in: "/api/quick_add_todo" files a to-do and
  // answers {"success":true,"log_id":N}, "/api/mark_todo_done/<id>" marks it done and
  // answers {"success":true} (TestServiceLive.h); "/api/proc_quick_upload/<id>"
  // answers {"success":true,"count":N}, N being the number of multipart parts named
  // "files" (400 for a body that is not multipart, 404 for a proceeding the firm does
  // not have), and stores them in the proceeding's folder on the case share
  // (TestServiceArchive.h); "/api/desktop/upload" is the mirror's (TestServiceMirror.h).
  // Number of multipart parts named "files" in a request; -1 when it is not multipart.
  static int multipartFileCount(const RecordedRequest& request);
  // The parts of a multipart/form-data body, in order; nothing when it is not one.
  struct Part {
    std::string name, fileName, bytes;
  };
  static std::optional<std::vector<Part>> multipartParts(const RecordedRequest& request);

  // The body of /download/attachment: a fixed 64 KiB pattern.
  static std::string attachmentBytes();
  // What /download/broken declares and how much it sends before it hangs up.
  static constexpr std::size_t kBrokenDeclaredLength = 100000;
  static constexpr std::size_t kBrokenSentLength = 30000;

  // The request record (safe from any thread).
  std::vector<RecordedRequest> requests() const;
  std::vector<RecordedRequest> requestsTo(const std::string& path) const;
  void clearRequests();
  // The oldest recorded request to `path`, iterating the default main context until
  // one arrives or timeoutMs passes. Call clearRequests() first to wait for a new one.
  std::optional<RecordedRequest> waitForRequest(const std::string& path, unsigned timeoutMs);

  // The built-in sign-in page and form handler (for routes that wrap it). A signed-out
  // request for a page is sent to "/login?next=<page>"; signing in returns there.
  Reply loginRoute(const RecordedRequest& r);
  // The demo's sign-in: a plain GET of "/login" signs a demo account in by itself
  // ("/login?manual=1" still shows the form).
  void setSignsInByItself(bool on);

 private:
  static void onRequest(SoupServer* server, SoupServerMessage* msg, const char* path, GHashTable* query,
                        void* self);
  void handle(SoupServerMessage* msg, const char* path);
  std::optional<Handler> findRoute(const std::string& path) const;
  void installBuiltinRoutes();
  Reply requireSignIn(const RecordedRequest& r, const std::function<Reply()>& page) const;
  Reply badgeRoute(const RecordedRequest& r) const;
  Reply deadlinesRoute(const RecordedRequest& r) const;
  Reply signedInPost(const RecordedRequest& r, const std::function<Reply()>& answer) const;
  void hold(SoupServerMessage* msg, const std::string& path);

  struct Held {
    SoupServerMessage* msg;  // a reference of ours
    std::string path;
  };
  static std::string signInTarget(const RecordedRequest& r);
  Reply signedInRedirect(const RecordedRequest& r);
  void holdBack(SoupServerMessage* msg, unsigned ms);

  SoupServer* server_ = nullptr;
  unsigned port_ = 0;

  mutable std::mutex mutex_;
  std::map<std::string, Handler> exactRoutes_;
  std::map<std::string, Handler> prefixRoutes_;
  std::set<std::string> sessions_;
  bool signsInByItself_ = false;
  BadgeMode badgeMode_ = BadgeMode::Json;
  std::string badgeJson_;
  DeadlinesMode deadlinesMode_ = DeadlinesMode::Json;
  std::string deadlinesJson_;
  std::string nodesJson_;
  std::optional<std::filesystem::path> caseShareDir_;
  std::vector<RecordedRequest> record_;
  Outage badgeOutage_ = Outage::none;
  Outage deadlinesOutage_ = Outage::none;
  std::vector<Held> held_;  // main context only
  std::set<unsigned> heldBack_;  // timers of delayed replies (main context)
};

}  // namespace quorvel::test
