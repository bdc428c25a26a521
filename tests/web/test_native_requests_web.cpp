// Native form posts and uploads with the cookies of the real shared web store: the
// user signs in at the test service in a web view, then the workspace's native
// requests reach the service as that user.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <memory>

#include "ServiceTabFixture.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "TestService.h"
#include "WebHarness.h"
#include "core/AppConfig.h"
#include "base/AppError.h"
#include "core/BrowserModel.h"
#include "base/MainQueue.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"
#include "web/WebEngine.h"

namespace quorvel::test {
namespace {
namespace fs = std::filesystem;

// Requests here go through the real web store and network stack: more time than the default.
constexpr unsigned kTaskMs = 20000;

class NativeRequestsWebTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service.start();
    home.defaults().set("serverURL", service.baseUrl());
    services = makeTestServices(home.defaults());
    model = pages.model(&services->webEngine());
    dir = fs::temp_directory_path() / ("quorvel-upload-" + std::to_string(::getpid()));
    fs::create_directories(dir);
  }
  void TearDown() override {
    model.reset();
    services.reset();
    home.defaults().remove("serverURL");
    home.defaults().remove("session.tabs.v1");
    service.stop();
    drainMainLoop();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  // Signs in through the service's login form in a web view on the shared store.
  void signIn() {
    WebHarness::Options o;
    o.networkSession = services->webEngine().network();
    WebHarness h(o);
    ASSERT_TRUE(h.loadURI(service.url("/login")));
    h.evalText(
        "document.getElementById('username').value = 'zhang';"
        "document.getElementById('password').value = 'secret';"
        "setTimeout(function(){ document.getElementById('loginForm').submit(); }, 0); return '';");
    ASSERT_TRUE(h.waitFor([&] { return !service.requestsTo("/dashboard").empty(); }, 15000));
    h.waitForLoad();
    // A cookie of another site in the same store must stay with that site.
    ASSERT_TRUE(addWebCookie(*services, "foreign", "leak", "search.example.com"));
  }

  TempHome home;
  TestService service;
  std::unique_ptr<AppServices> services;
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model;
  fs::path dir;
};

TEST_F(NativeRequestsWebTest, APostedTodoReachesTheServiceSignedInWithItsFieldsIntact) {
  ASSERT_NO_FATAL_FAILURE(signIn());
  service.setRoute("/api/quick_add_todo", [this](const RecordedRequest& r) {
    return service.isSignedIn(r) ? Reply::json(R"({"success":true})") : Reply::redirect("/login");
  });
  std::map<std::string, std::string> fields = {
      {"content", "A+B & C=D 准备证据"}, {"date", "2026-03-05"}, {"todo_type", "deadline"}, {"proc_id", "88"}};
  auto o = runToEnd(model->requests().postForm("/api/quick_add_todo?ajax=1", fields), kTaskMs);
  ASSERT_TRUE(o->value);
  EXPECT_TRUE(o->value->ok) << o->value->statusCode << " " << o->value->body;

  auto req = service.requestsTo("/api/quick_add_todo");
  ASSERT_EQ(req.size(), 1u);
  EXPECT_TRUE(service.isSignedIn(req[0]));
  for (const auto& [k, v] : fields) EXPECT_EQ(req[0].formValue(k), v) << k;
  EXPECT_EQ(req[0].cookie("foreign"), std::nullopt);
  EXPECT_EQ(req[0].header("user-agent"), AppConfig::userAgent());
}

TEST_F(NativeRequestsWebTest, AnUploadOfTwoFilesArrivesByteExact) {
  ASSERT_NO_FATAL_FAILURE(signIn());
  std::string binary(200000, '\0');
  for (size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>((i * 131) >> 3);
  writeFile(dir / "证据一.png", binary);
  writeFile(dir / "说明.txt", "第二份\n");
  service.setPrefixRoute("/api/proc_quick_upload/", [this](const RecordedRequest& r) {
    return service.isSignedIn(r) ? Reply::json(R"({"success":true,"count":2})") : Reply::redirect("/login");
  });

  auto o = runToEnd(model->requests().quickUpload({dir / "证据一.png", dir / "说明.txt"}, 31), kTaskMs);
  ASSERT_TRUE(o->value) << (o->error ? o->error->message : "");
  EXPECT_EQ(*o->value, 2);
  auto req = service.requestsTo("/api/proc_quick_upload/31");
  ASSERT_EQ(req.size(), 1u);
  EXPECT_TRUE(service.isSignedIn(req[0]));
  EXPECT_EQ(req[0].cookie("foreign"), std::nullopt);
  std::string b = req[0].header("content-type").substr(std::string("multipart/form-data; boundary=").size());
  std::string expected = "--" + b +
                         "\r\nContent-Disposition: form-data; name=\"files\"; filename=\"证据一.png\"\r\n"
                         "Content-Type: application/octet-stream\r\n\r\n" +
                         binary + "\r\n--" + b +
                         "\r\nContent-Disposition: form-data; name=\"files\"; filename=\"说明.txt\"\r\n"
                         "Content-Type: application/octet-stream\r\n\r\n第二份\n\r\n--" +
                         b + "--\r\n";
  EXPECT_TRUE(req[0].body == expected) << req[0].body.size() << " vs " << expected.size();
}

TEST_F(NativeRequestsWebTest, ServerErrorsAndDroppedConnectionsGiveTheDocumentedFailures) {
  ASSERT_NO_FATAL_FAILURE(signIn());
  writeFile(dir / "a.pdf", "%PDF");
  service.setRoute("/api/quick_add_todo", [](const RecordedRequest&) { return Reply::text("出错了", 500); });
  service.setPrefixRoute("/api/proc_quick_upload/", [](const RecordedRequest&) { return Reply::text("出错了", 500); });

  auto form = runToEnd(model->requests().postForm("/api/quick_add_todo?ajax=1", {{"content", "x"}}), kTaskMs);
  ASSERT_TRUE(form->value);
  EXPECT_FALSE(form->value->ok);
  EXPECT_EQ(form->value->statusCode, 500);
  EXPECT_EQ(form->value->body, "出错了");
  ASSERT_TRUE(form->value->error);
  EXPECT_EQ(form->value->error->message, "服务器出错（HTTP 500）");
  EXPECT_EQ(form->value->error->code, 500);

  auto up = runToEnd(model->requests().quickUpload({dir / "a.pdf"}, 9), kTaskMs);
  auto e = up->error;
  ASSERT_TRUE(e);
  EXPECT_EQ(e->domain, "QuickArchive");
  EXPECT_EQ(e->code, 500);
  EXPECT_EQ(e->message, "服务器出错（HTTP 500）");

  auto hangUp = [](const RecordedRequest&) {
    Reply r = Reply::json("{\"success\":");
    r.declaredLength = 2048;
    return r;
  };
  service.setRoute("/api/quick_add_todo", hangUp);
  service.setPrefixRoute("/api/proc_quick_upload/", hangUp);
  form = runToEnd(model->requests().postForm("/api/quick_add_todo?ajax=1", {{"content", "x"}}), kTaskMs);
  ASSERT_TRUE(form->value);
  EXPECT_FALSE(form->value->ok);
  EXPECT_EQ(form->value->statusCode, -1);
  ASSERT_TRUE(form->value->error);
  EXPECT_EQ(form->value->error->message, "服务器中断了连接");
  up = runToEnd(model->requests().quickUpload({dir / "a.pdf"}, 9), kTaskMs);
  e = up->error;
  ASSERT_TRUE(e);
  EXPECT_EQ(e->domain, "Http");
  EXPECT_EQ(e->message, "服务器中断了连接");
}

}  // namespace
}  // namespace quorvel::test
