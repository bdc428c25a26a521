#include "diagnostics/EditUploadTest.h"

#include <chrono>
#include <filesystem>
#include <utility>

#include "base/AppError.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/Task.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/NativeRequests.h"
#include "core/WebStore.h"
#include "diagnostics/Reports.h"
#include "diagnostics/rules/EditUploadRules.h"
#include "features/mirror/MirrorFormats.h"
#include "platform/Http.h"

namespace quorvel::EditUploadTest {

namespace fs = std::filesystem;
using nlohmann::json;
namespace rules = EditUploadRules;

namespace {

constexpr unsigned kRequestTimeoutSeconds = 120;

struct Answer {
  int status = -1;
  std::string text;
};

// The Cookie header of the service's own cookies.
Task<std::string> serviceCookies(WebStore& store, Url home) {
  std::vector<NativeCookie> cookies = co_await store.cookies();
  co_return selectCookieHeader(cookies, home);
}

// Sends a request with the session's cookies and the user agent; a request that fails
// is logged and answers (-1, "").
Task<Answer> send(WebStore& store, Url home, http::HttpRequest req) {
  try {
    std::string cookies = co_await serviceCookies(store, home);
    if (!cookies.empty()) req.headers.emplace_back("Cookie", cookies);
    req.headers.emplace_back("User-Agent", AppConfig::userAgent());
    req.timeoutSeconds = kRequestTimeoutSeconds;
    req.maxBodyBytes = http::kMaxJsonReplyBytes;
    http::HttpResponse reply = co_await http::send(std::move(req));
    co_return Answer{reply.status, rules::bodyText(reply.body)};
  } catch (...) {
    logPlainLine("[EDIT-TEST] 请求失败 " + describe(std::current_exception()), LogLevel::warning);
  }
  co_return Answer{};
}

Task<Answer> download(WebStore& store, Url home, std::string serverPath) {
  http::HttpRequest req;
  req.url = MirrorRules::downloadAddress(home, serverPath);
  co_return co_await send(store, home, std::move(req));
}

Task<Answer> deleteFile(WebStore& store, Url home, std::string serverPath) {
  http::HttpRequest req;
  req.method = "POST";
  req.url = appendingPathComponent(home, "api/delete_physical_file").toString();
  req.headers.emplace_back("Content-Type", "application/json");
  req.body = json{{"file_path", serverPath}}.dump();
  co_return co_await send(store, home, std::move(req));
}

// A write error is only logged: the upload that follows shows what it did.
void writeVersion(const fs::path& local, const std::string& text) {
  auto written = writeFileReplacingLinks(local, text);
  if (!written.ok())
    logPlainLine("[EDIT-TEST] 写入测试文件失败 " + local.string() + "：" + describe(written.error()), LogLevel::warning);
}

// Each upload through the mirror's, as an editor's goes.
Task<json> upload(const Services& s, std::string serverPath, fs::path local) {
  json answer = co_await s.mirror.uploadFile(serverPath, local);
  co_return answer;
}

Task<void> check(Services s, std::function<void(json)> then) {
  json report = json::object();
  const BadgeCounts badges = s.browser.account().badges.get();
  report["firm"] = badges.firm;
  report["user"] = badges.user;
  if (!rules::canStart(badges.firm)) {
    report["result"] = "fail";
    report["reason"] = rules::kCannotStart;
    then(std::move(report));
    co_return;
  }

  std::string contract;
  try {
    std::string nodes = co_await s.browser.reads().fetchJSON("/api/desktop/nodes");
    if (auto first = rules::firstContract(nodes)) {
      contract = first->number;
      report["contractCount"] = first->count;
    }
  } catch (...) {
    // No nodes: the firm's self-check folder takes the file.
  }
  report["contract"] = contract;

  const long long stamp =
      std::chrono::duration_cast<std::chrono::seconds>(s.clock.now().time_since_epoch()).count();
  const std::string path = rules::serverPath(badges.firm, contract, stamp);
  report["path"] = path;
  const Url home = AppConfig::homeURL(s.defaults);
  std::error_code ec;
  fs::path tmp = fs::temp_directory_path(ec);
  if (ec || tmp.empty()) tmp = "/tmp";
  const fs::path local = tmp / rules::localFileName(stamp);
  // The local copy goes however the check ends.
  struct RemovedAtEnd {
    fs::path file;
    ~RemovedAtEnd() {
      std::error_code ignored;
      fs::remove(file, ignored);
    }
  } removeLocal{local};

  bool uploaded = false;
  std::string error;
  try {
    writeVersion(local, rules::version1(stamp));
    json firstUpload = co_await upload(s, path, local);
    report["upload1"] = rules::uploadRecord(firstUpload);
    uploaded = true;
    Answer first = co_await download(s.webStore, home, path);
    report["download1"] = rules::downloadRecord(first.status, first.text, rules::version1(stamp));

    writeVersion(local, rules::version2(stamp));
    json secondUpload = co_await upload(s, path, local);
    report["upload2"] = rules::uploadRecord(secondUpload);
    Answer second = co_await download(s.webStore, home, path);
    report["download2"] = rules::downloadRecord(second.status, second.text, rules::version2(stamp));
  } catch (...) {
    error = describe(std::current_exception());
  }

  // Whatever went wrong after the first upload, the test file does not stay behind.
  if (uploaded) {
    Answer removed = co_await deleteFile(s.webStore, home, path);
    report["cleanup"] = rules::cleanupRecord(removed.status, removed.text);
    Answer after = co_await download(s.webStore, home, path);
    report["afterDeleteHTTP"] = after.status;
  }
  report["result"] = error.empty() ? rules::result(report) : "fail";
  if (!error.empty()) report["error"] = error;
  then(std::move(report));
}

}  // namespace

// What the check works with belongs to its owner: it ends with the owner's scope.
void run(Services services, std::function<void(json)> then) {
  TaskScope& scope = services.scope;
  scope.spawn(check(std::move(services), std::move(then)));
}

}  // namespace quorvel::EditUploadTest
