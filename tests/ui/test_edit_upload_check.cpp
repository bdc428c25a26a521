// The edit-and-upload check run the way a user runs it: the built client with
// "--edittest" against the test service, signed in by the service's sign-in page,
// writing its report and quitting by itself.
#include <gtest/gtest.h>
#include <libsoup/soup.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

#include "ChildProcess.h"
#include "TestEnv.h"
#include "TestService.h"
#include "TestServiceFiles.h"

using namespace quorvel;
using namespace quorvel::test;
using nlohmann::json;

namespace {
namespace fs = std::filesystem;

// The client's temporary folder for the life of the object.
class TempDirVar {
 public:
  explicit TempDirVar(const fs::path& dir) {
    if (const char* v = std::getenv("TMPDIR")) saved_ = v;
    fs::create_directories(dir);
    setenv("TMPDIR", dir.c_str(), 1);
  }
  ~TempDirVar() {
    if (saved_) setenv("TMPDIR", saved_->c_str(), 1);
    else unsetenv("TMPDIR");
  }

 private:
  std::optional<std::string> saved_;
};

class EditUploadCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    service.start();
    service.setSignsInByItself(true);
    plantForeignCookies();
  }

  // Cookies the web store holds from before: another site's, and a Secure one of the
  // service's host, which must not travel over plain http.
  void plantForeignCookies() {
    fs::path db = home.dataHome() / "Quorvel" / "cookies.sqlite";
    fs::create_directories(db.parent_path());
    SoupCookieJar* jar = soup_cookie_jar_db_new(db.c_str(), FALSE);
    soup_cookie_jar_add_cookie(jar, soup_cookie_new("foreign", "leak", "search.example.com", "/", 3600));
    SoupCookie* secure = soup_cookie_new("secure_only", "leak", "127.0.0.1", "/", 3600);
    soup_cookie_set_secure(secure, TRUE);
    soup_cookie_jar_add_cookie(jar, secure);
    g_object_unref(jar);
  }

  // Runs the client with "--edittest" until it ends; answers its report.
  json runCheck() {
    Child client({QUORVEL_APP_EXE, "--server-url", service.baseUrl(), "--edittest"},
                 G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
    EXPECT_TRUE(client.started());
    // 8 s after launch, then the round trip; the service answers from this loop.
    EXPECT_TRUE(client.waitForExit(60000)) << "the client did not end\n" << readFile(err);
    EXPECT_EQ(client.exitStatus(), 0) << readFile(err);
    return json::parse(readFile(home.dataHome() / "Quorvel" / "edit-upload-test.json"), nullptr, false);
  }

  void expectCookiesOfTheServiceOnly(const std::string& path) {
    auto requests = service.requestsTo(path);
    ASSERT_FALSE(requests.empty()) << path;
    for (const auto& r : requests) {
      std::string cookie = r.header("cookie");
      EXPECT_NE(cookie.find(std::string(TestService::kSessionCookie) + "="), std::string::npos) << cookie;
      EXPECT_EQ(cookie.find("foreign"), std::string::npos) << cookie;
      EXPECT_EQ(cookie.find("secure_only"), std::string::npos) << cookie;
      EXPECT_NE(r.header("user-agent").find("Quorvel/2.2.0"), std::string::npos);
    }
  }

  // Neither the service nor the temporary folder keeps a test file.
  void expectNothingLeft(const std::string& serverPath) {
    EXPECT_TRUE(uploadedPaths(service).empty());
    EXPECT_EQ(deletedPaths(service), std::vector<std::string>{serverPath});
    for (const auto& e : fs::directory_iterator(tmp))
      EXPECT_NE(e.path().filename().string().rfind("editest-", 0), 0u) << e.path();
  }

  TempHome home;
  fs::path tmp = home.root() / "tmp";
  TempDirVar tmpVar{tmp};
  fs::path err = home.root() / "stderr.txt";
  TestService service;
};

TEST_F(EditUploadCheck, TheRoundTripPassesDeletesItsFileAndSendsOnlyTheServicesCookies) {
  json report = runCheck();
  ASSERT_TRUE(report.is_object()) << readFile(err);
  EXPECT_EQ(report["result"], "ok") << report.dump(2);
  EXPECT_EQ(report["firm"], "墨衡律师事务所");
  EXPECT_EQ(report["user"], "张律师");
  EXPECT_EQ(report["contract"], "HT-2026-007");
  const std::string path = report.value("path", "");
  EXPECT_EQ(path.rfind("user_data/墨衡律师事务所/案件电子卷宗/HT-2026-007/00_合同公共材料/__编辑回流测试-", 0), 0u);
  EXPECT_EQ(report["upload1"], (json{{"ok", true}, {"replaced", false}, {"size", 36}}));
  EXPECT_EQ(report["upload2"], (json{{"ok", true}, {"replaced", true}, {"size", 73}}));
  for (const char* d : {"download1", "download2"}) {
    EXPECT_EQ(report[d]["http"], 200) << d;
    EXPECT_EQ(report[d]["match"], true) << d;
  }
  EXPECT_EQ(report["cleanup"], (json{{"http", 200}, {"body", R"({"success":true})"}}));
  EXPECT_EQ(report["afterDeleteHTTP"], 404);
  EXPECT_FALSE(report.contains("error"));

  auto deletes = service.requestsTo("/api/delete_physical_file");
  ASSERT_EQ(deletes.size(), 1u);
  EXPECT_EQ(deletes[0].method, "POST");
  EXPECT_EQ(deletes[0].header("content-type"), "application/json");
  EXPECT_EQ(json::parse(deletes[0].body), (json{{"file_path", path}}));
  expectCookiesOfTheServiceOnly("/download_file");
  expectCookiesOfTheServiceOnly("/api/delete_physical_file");
  expectNothingLeft(path);
  EXPECT_NE(readFile(err).find("[EDIT-TEST] {"), std::string::npos);
}

TEST_F(EditUploadCheck, ASecondUploadThatFailsStillDeletesTheFirstCopy) {
  // The first upload is stored as the service stores it; the second meets an error page.
  int uploads = 0;
  service.setRoute("/api/desktop/upload", [&](const RecordedRequest& r) {
    if (++uploads > 1) return Reply::html("<html>服务器错误</html>", 500);
    auto parts = TestService::multipartParts(r).value_or(std::vector<TestService::Part>{});
    EXPECT_EQ(parts.size(), 2u);
    if (parts.size() != 2) return Reply::json("{}", 400);
    keepUploadedFile(service, parts[0].bytes, parts[1].bytes);
    return Reply::json(json{{"ok", true}, {"replaced", false}, {"size", parts[1].bytes.size()}}.dump());
  });
  json report = runCheck();
  ASSERT_TRUE(report.is_object()) << readFile(err);
  EXPECT_EQ(report["result"], "fail") << report.dump(2);
  EXPECT_FALSE(report.value("error", "").empty()) << report.dump(2);
  EXPECT_EQ(report["upload1"]["ok"], true);
  EXPECT_EQ(report["download1"]["match"], true);
  EXPECT_FALSE(report.contains("upload2"));
  EXPECT_EQ(uploads, 2);
  EXPECT_EQ(report["cleanup"]["http"], 200);
  EXPECT_EQ(report["afterDeleteHTTP"], 404);
  ASSERT_EQ(service.requestsTo("/api/delete_physical_file").size(), 1u);
  expectNothingLeft(report.value("path", ""));
}

// The platform account has no case storage: nothing is read or sent after the badges.
// Without contracts the file goes into the firm's self-check folder.
TEST_F(EditUploadCheck, ThePlatformAccountStopsAtOnceAndNoContractMeansTheSelfCheckFolder) {
  service.setBadgeReply(TestService::BadgeMode::Json,
                        R"({"overdue":0,"today":0,"soon":0,"verify":0,"hearings":0,"user":"平台管理员","firm":"SYSTEM"})");
  json stopped = runCheck();
  EXPECT_EQ(stopped, (json{{"firm", "SYSTEM"}, {"user", "平台管理员"}, {"result", "fail"},
                           {"reason", "没有登录态或平台账号，无法测试"}}));
  // (Other parts of the workspace read the nodes at start.)
  for (const char* path : {"/api/desktop/upload", "/download_file", "/api/delete_physical_file"})
    EXPECT_TRUE(service.requestsTo(path).empty()) << path;

  service.setBadgeReply(TestService::BadgeMode::Json);
  service.setNodesReply(R"({"ok":true,"contracts":[],"clients":[]})");
  json report = runCheck();
  EXPECT_EQ(report["result"], "ok") << report.dump(2);
  EXPECT_EQ(report["contract"], "");
  EXPECT_FALSE(report.contains("contractCount"));
  EXPECT_EQ(report.value("path", "").rfind("user_data/墨衡律师事务所/案件电子卷宗/__自检__/__编辑回流测试-", 0), 0u);
  expectNothingLeft(report.value("path", ""));
}

}  // namespace
