// Native form posts and Quick Archive uploads: the cookie rule, the wire formats,
// the reply rules, and whole requests against the test service (cookies come from a
// stand-in store here; the real WebKit store is covered by the web tests).
#include <glib.h>
#include <gtest/gtest.h>
#include <libsoup/soup.h>
#include <sys/stat.h>

#include <filesystem>
#include <memory>

#include "fakes/FakeWebStore.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "TestService.h"
#include "base/AppError.h"
#include "core/BrowserModel.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/NativeRequests.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

Url url(const std::string& s) { return *Url::parse(s); }

std::string decodedField(const std::string& body, const std::string& name) {
  GHashTable* t = soup_form_decode(body.c_str());
  std::string v;
  if (auto* s = static_cast<const char*>(g_hash_table_lookup(t, name.c_str()))) v = s;
  g_hash_table_unref(t);
  return v;
}

}  // namespace

// ---- the cookie rule ----

TEST(CookieRule, SendsOnlyCookiesOfTheServiceHostAndItsParentDomains) {
  std::vector<NativeCookie> store = {
      {"a", "1", ".example.org"},      // parent domain with a leading dot
      {"b", "2", "app.example.org"},   // the host itself
      {"c", "3", "tracker.net"},       // unrelated site
      {"d", "4", "xapp.example.org"},  // not a parent: no dot before the host
      {"e", "5", "."},                 // nothing left after trimming
      {"f", "6", "APP.Example.ORG."},  // case and trailing dot do not matter
      {"g", "7", "ample.org"},         // a text suffix, not a domain suffix
  };
  EXPECT_EQ(selectCookieHeader(store, url("https://app.example.org/")), "a=1; b=2; f=6");
  // A subdomain of the service gets the parent-domain cookie, not the host-only ones.
  EXPECT_EQ(selectCookieHeader(store, url("https://sub.app.example.org/")), "a=1; b=2; f=6");
  EXPECT_EQ(selectCookieHeader(store, url("https://other.example.org/")), "a=1");
}

TEST(CookieRule, NoMatchGivesAnEmptyHeaderNeverTheWholeStore) {
  std::vector<NativeCookie> store = {{"sid", "x", "search.example.com"}, {"t", "y", ".ads.example"}};
  EXPECT_EQ(selectCookieHeader(store, url("https://app.quorvel.cn/")), "");
  EXPECT_EQ(selectCookieHeader({}, url("https://app.quorvel.cn/")), "");
}

TEST(CookieRule, SecureCookiesTravelOnlyOverHttps) {
  std::vector<NativeCookie> store = {{"plain", "1", "127.0.0.1", false}, {"sec", "2", "127.0.0.1", true}};
  EXPECT_EQ(selectCookieHeader(store, url("http://127.0.0.1:8080/")), "plain=1");
  EXPECT_EQ(selectCookieHeader(store, url("https://127.0.0.1/")), "plain=1; sec=2");
}

// ---- form bodies ----

TEST(FormBody, ReservedCharactersAndChineseArriveAsTyped) {
  EXPECT_EQ(formEncode("A+B & C=D"), "A%2BB%20%26%20C%3DD");
  EXPECT_EQ(formEncode("张三"), "%E5%BC%A0%E4%B8%89");
  EXPECT_EQ(formEncode("az-AZ_09.*~/?#%"), "az-AZ_09.*%7E%2F%3F%23%25");

  std::map<std::string, std::string> fields = {
      {"content", "A+B & C=D"}, {"date", "2026-03-02"}, {"todo_type", "开庭 准备"}, {"a&b", "x=y"}};
  std::string body = encodeFormBody(fields);
  // A standard form decoder gives back every field unchanged.
  for (const auto& [k, v] : fields) EXPECT_EQ(decodedField(body, k), v) << k;
  EXPECT_EQ(encodeFormBody({}), "");
}

// ---- the form reply rule ----

TEST(FormReply, SuccessNeedsA2xxStatusNoSignInPageAndNoJsonFailure) {
  EXPECT_TRUE(isFormResultOk(200, "/api/quick_add_todo", "done"));
  EXPECT_TRUE(isFormResultOk(204, "/x", ""));
  EXPECT_TRUE(isFormResultOk(200, "/x", R"({"ok":true})"));
  EXPECT_TRUE(isFormResultOk(200, "/x", R"({"success":true})"));
  EXPECT_TRUE(isFormResultOk(200, "/x", R"({"data":1})"));
  EXPECT_TRUE(isFormResultOk(200, "/x", R"([false])"));
  EXPECT_TRUE(isFormResultOk(200, "/x", R"({"success":"false","ok":"false"})"));  // texts are not Booleans
  EXPECT_TRUE(isFormResultOk(200, "/x", R"({"success":0})"));

  EXPECT_FALSE(isFormResultOk(199, "/x", "ok"));
  EXPECT_FALSE(isFormResultOk(300, "/x", "ok"));
  EXPECT_FALSE(isFormResultOk(500, "/x", R"({"success":true})"));
  EXPECT_FALSE(isFormResultOk(-1, "", ""));
  EXPECT_FALSE(isFormResultOk(200, "/login", "ok"));
  EXPECT_FALSE(isFormResultOk(200, "/login/sso", "ok"));
  EXPECT_FALSE(isFormResultOk(200, "/x", R"(<form><input type="password" name="password"></form>)"));
  EXPECT_FALSE(isFormResultOk(200, "/x", R"({"success":false})"));
  EXPECT_FALSE(isFormResultOk(200, "/x", R"({"success":true,"ok":false})"));
  EXPECT_FALSE(isFormResultOk(200, "/x", R"({"success":"yes","ok":false})"));
  EXPECT_FALSE(isFormResultOk(200, "/x", R"({"ok":false})"));
  EXPECT_FALSE(isFormResultOk(200, "/x", R"({"success":false,"ok":true})"));
}

// What the quick to-do shows for a failed post: a short sentence, never the body.
TEST(FormReply, AFailureIsSaidInAShortSentenceWithoutTheBody) {
  EXPECT_EQ(formFailureReason(200, "/x", "done"), "");
  const std::string errorPage = "<!DOCTYPE html><html><head><title>500 Internal Server Error</title></head></html>";
  EXPECT_EQ(formFailureReason(500, "/x", errorPage), "服务器出错（HTTP 500）");
  EXPECT_EQ(formFailureReason(502, "/x", errorPage), "服务器出错（HTTP 502）");
  EXPECT_EQ(formFailureReason(503, "/x", ""), "服务器繁忙，请稍后再试（HTTP 503）");
  EXPECT_EQ(formFailureReason(504, "/x", errorPage), "服务器响应超时（HTTP 504）");
  EXPECT_EQ(formFailureReason(403, "/x", errorPage), "没有权限（HTTP 403）");
  EXPECT_EQ(formFailureReason(404, "/x", errorPage), "服务器上没有这个地址（HTTP 404）");
  EXPECT_EQ(formFailureReason(422, "/x", "x"), "服务器拒绝了请求（HTTP 422）");
  EXPECT_EQ(formFailureReason(200, "/login", "<form>"), "尚未登录或登录已过期");
  EXPECT_EQ(formFailureReason(200, "/x", R"(<input name="password">)"), "尚未登录或登录已过期");
  // The service's own words, cut, with the status when that failed too.
  EXPECT_EQ(formFailureReason(400, "/x", R"({"success":false,"error":"待办内容不能为空"})"),
            "待办内容不能为空（HTTP 400）");
  EXPECT_EQ(formFailureReason(200, "/x", R"({"success":false,"msg":"  已存在相同待办 "})"), "已存在相同待办");
  EXPECT_EQ(formFailureReason(200, "/x", R"({"ok":false})"), "服务器没有接受这次提交");
  std::string longText;
  for (int i = 0; i < 70; ++i) longText += "审";
  EXPECT_EQ(formFailureReason(200, "/x", R"({"success":false,"error":")" + longText + "\"}"), longText.substr(0, 60 * 3));
}

// ---- multipart ----

class MultipartTest : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(dir); }
  TempHome home;
  fs::path dir = home.root() / "files";
};

TEST_F(MultipartTest, TwoFilesInOrderByteExactWithEscapedNames) {
  std::string binary("\x00\x01\r\n--B\xff", 8);
  fs::path first = dir / "起诉状 v2.pdf";
  fs::path second = dir / "a\"b\r\nc.bin";
  writeFile(first, "PDF-1");
  writeFile(second, binary);

  MultipartBody body = MultipartBody::forFiles({first, second}, "----QuorvelArchiveXYZ");
  std::string expected =
      "------QuorvelArchiveXYZ\r\n"
      "Content-Disposition: form-data; name=\"files\"; filename=\"起诉状 v2.pdf\"\r\n"
      "Content-Type: application/octet-stream\r\n\r\n"
      "PDF-1\r\n"
      "------QuorvelArchiveXYZ\r\n"
      "Content-Disposition: form-data; name=\"files\"; filename=\"a%22b%0D%0Ac.bin\"\r\n"
      "Content-Type: application/octet-stream\r\n\r\n" +
      binary +
      "\r\n"
      "------QuorvelArchiveXYZ--\r\n";
  EXPECT_EQ(body.readAll(), expected);
  EXPECT_EQ(body.length(), expected.size());
  EXPECT_EQ(body.contentType(), "multipart/form-data; boundary=----QuorvelArchiveXYZ");
  // Nothing of the files is held in memory: they are read while the body streams.
  for (const auto& p : body.pieces())
    if (p.file) {
      EXPECT_TRUE(p.bytes.empty());
    }
}

TEST_F(MultipartTest, NoFilesIsOnlyTheClosingLineAndFieldsPrecedeFiles) {
  EXPECT_EQ(MultipartBody::forFiles({}, "--B").readAll(), "----B--\r\n");

  fs::path f = dir / "empty.txt";
  writeFile(f, "");
  MultipartBody body("X");
  body.addField("path", "/案件/a b.docx");
  body.addFile("file", f);
  body.finish();
  EXPECT_EQ(body.readAll(),
            "--X\r\nContent-Disposition: form-data; name=\"path\"\r\n\r\n/案件/a b.docx\r\n"
            "--X\r\nContent-Disposition: form-data; name=\"file\"; filename=\"empty.txt\"\r\n"
            "Content-Type: application/octet-stream\r\n\r\n\r\n"
            "--X--\r\n");
}

TEST_F(MultipartTest, UnreadableFilesFailBeforeAnythingIsBuilt) {
  fs::path ok = dir / "ok.txt";
  writeFile(ok, "ok");
  try {
    MultipartBody::forFiles({ok, dir / "missing.pdf"}, "B");
    FAIL() << "a missing file must throw";
  } catch (const AppError& e) {
    EXPECT_NE(e.message.find("missing.pdf"), std::string::npos) << e.message;
  }
  EXPECT_THROW(MultipartBody::forFiles({dir}, "B"), AppError);  // a folder is no file
}

TEST_F(MultipartTest, AFileThatShrankAfterItsSizeWasTakenFailsTheStream) {
  fs::path f = dir / "scan.tif";
  writeFile(f, std::string(5000, 'x'));
  MultipartBody body = MultipartBody::forFiles({f}, "B");
  writeFile(f, "short");
  EXPECT_THROW(body.readAll(), AppError);
  // A file that grew is sent with the announced size, so the length stays true.
  writeFile(f, std::string(6000, 'y'));
  std::string bytes = body.readAll();
  EXPECT_EQ(bytes.size(), body.length());
}

TEST(MultipartBoundary, FreshUpperCaseUuidEachTime) {
  std::string a = makeBoundary("----QuorvelArchive"), b = makeBoundary("----QuorvelArchive");
  EXPECT_NE(a, b);
  ASSERT_EQ(a.size(), 18u + 36u);
  EXPECT_EQ(a.rfind("----QuorvelArchive", 0), 0u);
  for (char c : a.substr(18)) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || c == '-') << a;
}

// ---- upload reply ----

TEST(UploadReply, CountOnlyForA2xxJsonSuccessTrue) {
  EXPECT_EQ(parseUploadReply(200, R"({"success":true,"count":3})", 2), 3);
  EXPECT_EQ(parseUploadReply(201, R"({"success":true})", 2), 2);
  EXPECT_EQ(parseUploadReply(200, R"({"success":true,"count":"3"})", 2), 2);
  EXPECT_EQ(parseUploadReply(200, R"({"success":true,"count":2.5})", 4), 4);

  auto failure = [](int status, const std::string& body) {
    try {
      parseUploadReply(status, body, 1);
    } catch (const AppError& e) {
      return e;
    }
    return AppError("none", 0, "");
  };
  AppError text = failure(200, R"({"success":"true"})");
  EXPECT_EQ(text.domain, "QuickArchive");
  EXPECT_EQ(text.code, 200);
  EXPECT_EQ(text.message, "服务器没有接受这次上传");
  EXPECT_EQ(failure(200, R"({"success":false,"count":1})").code, 200);
  EXPECT_EQ(failure(500, R"({"success":true})").message, "服务器出错（HTTP 500）");
  EXPECT_EQ(failure(502, "\xff\xfe").message, "服务器出错（HTTP 502）");
  EXPECT_EQ(failure(404, R"({"success":false,"error":"未找到编号为 133 的案件"})").message,
            "未找到编号为 133 的案件（HTTP 404）");
  // A page where JSON was expected: never shown, only said.
  std::string page = "<html><body>" + std::string(60, 'a') + "</body></html>";
  EXPECT_EQ(failure(200, page).message, "服务器的回复无法识别");
  EXPECT_EQ(failure(302, page).message, "服务器把请求转到了别处（HTTP 302）");
  EXPECT_EQ(failure(200, R"(<form><input type="password" name="password"></form>)").message, "尚未登录或登录已过期");
}

TEST(TextHelpers, GraphemePrefixAndPathAppending) {
  EXPECT_EQ(prefixCharacters("ab👍🏽cd", 3), "ab👍🏽");
  EXPECT_EQ(prefixCharacters("短", 120), "短");
  EXPECT_EQ(appendingPathComponent(url("https://h.cn"), "api/proc_quick_upload/7").toString(),
            "https://h.cn/api/proc_quick_upload/7");
  EXPECT_EQ(appendingPathComponent(url("https://h.cn/"), "api/desktop/upload").toString(),
            "https://h.cn/api/desktop/upload");
  EXPECT_EQ(appendingPathComponent(url("https://h.cn/base"), "api/x").toString(), "https://h.cn/base/api/x");
  EXPECT_EQ(appendingPathComponent(url("https://h.cn/base/"), "api/x").toString(), "https://h.cn/base/api/x");
}

// ---- whole requests against the test service ----

class NativeRequestTest : public ::testing::Test {
 protected:
  void SetUp() override {
    service.start();
    home.defaults().set("serverURL", service.baseUrl());
    token = service.issueSession();
    webStore.stored = {{TestService::kSessionCookie, token, "127.0.0.1"},
                       {"other", "site", "search.example.com"},
                       {"secure_only", "s", "127.0.0.1", true}};
    model = pages.model(&webStore);
    setLogSink([this](const std::string& line) { logs.push_back(line); });
    dir = home.root() / "up";
    fs::create_directories(dir);
  }
  void TearDown() override {
    setLogSink({});
    model.reset();
    service.stop();
    drainMainLoop();
  }
  FormResult post(const std::string& path, const std::map<std::string, std::string>& fields) {
    auto o = runToEnd(model->requests().postForm(path, fields));
    EXPECT_TRUE(o->value.has_value());
    return o->value.value_or(FormResult{});
  }
  bool logged(const std::string& text) const {
    for (const auto& l : logs)
      if (l.find(text) != std::string::npos) return true;
    return false;
  }

  TempHome home;
  TestService service;
  FakePages pages{home.defaults()};
  std::shared_ptr<BrowserModel> model;
  FakeWebStore webStore;
  std::string token;
  std::vector<std::string> logs;
  fs::path dir;
};

TEST_F(NativeRequestTest, FormPostCarriesFieldsIntactWithTheSessionCookieAndHeaders) {
  service.setRoute("/api/quick_add_todo", [](const RecordedRequest&) { return Reply::json(R"({"success":true})"); });
  auto r = post("/api/quick_add_todo?ajax=1",
                {{"content", "A+B & C=D 张三"}, {"date", "2026-03-02"}, {"todo_type", "hearing"}, {"proc_id", "12"}});
  EXPECT_TRUE(r.ok);
  EXPECT_EQ(r.statusCode, 200);
  EXPECT_EQ(r.body, R"({"success":true})");

  auto req = service.requestsTo("/api/quick_add_todo");
  ASSERT_EQ(req.size(), 1u);
  EXPECT_EQ(req[0].method, "POST");
  EXPECT_EQ(req[0].query, "ajax=1");
  EXPECT_EQ(req[0].formValue("content"), "A+B & C=D 张三");
  EXPECT_EQ(req[0].formValue("proc_id"), "12");
  EXPECT_EQ(req[0].header("content-type"), "application/x-www-form-urlencoded; charset=utf-8");
  EXPECT_EQ(req[0].header("x-requested-with"), "XMLHttpRequest");
  EXPECT_EQ(req[0].header("user-agent"), AppConfig::userAgent());
  // Only the service's cookie: not the other site's, not the Secure one over http.
  EXPECT_EQ(req[0].header("cookie"), std::string(TestService::kSessionCookie) + "=" + token);
  EXPECT_TRUE(logged("[Quorvel][POST] /api/quick_add_todo?ajax=1 → HTTP 200 ok=1 body={\"success\":true}"));
}

TEST_F(NativeRequestTest, EmptyFieldsSendNoBodyAndNoContentType) {
  service.setPrefixRoute("/api/mark_todo_done/", [](const RecordedRequest&) { return Reply::text("ok"); });
  auto r = post("/api/mark_todo_done/881", {});
  EXPECT_TRUE(r.ok);
  auto req = service.requestsTo("/api/mark_todo_done/881");
  ASSERT_EQ(req.size(), 1u);
  EXPECT_EQ(req[0].body, "");
  EXPECT_EQ(req[0].header("content-type"), "");
}

TEST_F(NativeRequestTest, SignInRedirectsPasswordPagesJsonFailuresAndErrorsAreFailures) {
  // A signed-out caller is redirected to the sign-in page.
  service.setPrefixRoute("/api/mark_todo_done/", [](const RecordedRequest&) { return Reply::redirect("/login"); });
  auto r = post("/api/mark_todo_done/1", {{"a", "b"}});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.statusCode, 200);

  service.setRoute("/api/quick_add_todo", [](const RecordedRequest&) {
    return Reply::html(R"(<form><input type="password" name="password"></form>)");
  });
  r = post("/api/quick_add_todo?ajax=1", {{"content", "x"}});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.statusCode, 200);

  service.setRoute("/api/quick_add_todo",
                   [](const RecordedRequest&) { return Reply::json(R"({"success":true,"ok":false})"); });
  EXPECT_FALSE(post("/api/quick_add_todo?ajax=1", {{"content", "x"}}).ok);

  service.setRoute("/api/quick_add_todo", [](const RecordedRequest&) { return Reply::text("服务器错误", 500); });
  r = post("/api/quick_add_todo?ajax=1", {{"content", "x"}});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.statusCode, 500);
  EXPECT_EQ(r.body, "服务器错误");
  EXPECT_TRUE(logged("→ HTTP 500 ok=0 body=服务器错误"));
}

TEST_F(NativeRequestTest, ADroppedConnectionIsLoggedAndReportedWithoutStatus) {
  service.setRoute("/api/quick_add_todo", [](const RecordedRequest&) {
    Reply r = Reply::json(R"({"succ)");
    r.declaredLength = 4000;
    return r;
  });
  auto r = post("/api/quick_add_todo?ajax=1", {{"content", "x"}});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.statusCode, -1);
  EXPECT_FALSE(r.body.empty());
  EXPECT_TRUE(logged("[Quorvel][POST] /api/quick_add_todo?ajax=1 失败：" + r.body));

  // Nobody listens any more: the connection is refused.
  service.stop();
  r = post("/api/quick_add_todo?ajax=1", {{"content", "x"}});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.statusCode, -1);
}

TEST_F(NativeRequestTest, AddressesOffTheServiceAreRefusedUnsent) {
  auto r = post("https://evil.example/steal", {{"a", "b"}});
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.statusCode, -1);
  EXPECT_EQ(r.body, "invalid url");
  EXPECT_EQ(post("//evil.example/x", {}).body, "invalid url");
  EXPECT_TRUE(service.requests().empty());
  EXPECT_FALSE(logged("[Quorvel][POST]"));
}

TEST_F(NativeRequestTest, UploadSendsTwoFilesByteExactAndReturnsTheCount) {
  std::string big(3 * 1024 * 1024 + 17, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>((i * 7 + i / 4096) & 0xFF);
  writeFile(dir / "扫描件.pdf", big);
  writeFile(dir / "清单.txt", "一\r\n二");
  service.setPrefixRoute("/api/proc_quick_upload/",
                         [](const RecordedRequest&) { return Reply::json(R"({"success":true,"count":2})"); });

  auto o = runToEnd(model->requests().quickUpload({dir / "扫描件.pdf", dir / "清单.txt"}, 4711));
  ASSERT_TRUE(o->value) << errorOf(*o).message;
  EXPECT_EQ(*o->value, 2);

  auto req = service.requestsTo("/api/proc_quick_upload/4711");
  ASSERT_EQ(req.size(), 1u);
  std::string type = req[0].header("content-type");
  const std::string prefix = "multipart/form-data; boundary=";
  ASSERT_EQ(type.rfind(prefix, 0), 0u) << type;
  std::string b = type.substr(prefix.size());
  EXPECT_EQ(b.rfind("----QuorvelArchive", 0), 0u);
  std::string expected = "--" + b +
                         "\r\nContent-Disposition: form-data; name=\"files\"; filename=\"扫描件.pdf\"\r\n"
                         "Content-Type: application/octet-stream\r\n\r\n" +
                         big + "\r\n--" + b +
                         "\r\nContent-Disposition: form-data; name=\"files\"; filename=\"清单.txt\"\r\n"
                         "Content-Type: application/octet-stream\r\n\r\n一\r\n二\r\n--" +
                         b + "--\r\n";
  EXPECT_TRUE(req[0].body == expected) << "body differs (" << req[0].body.size() << " vs " << expected.size() << ")";
  EXPECT_EQ(req[0].header("content-length"), std::to_string(expected.size()));
  EXPECT_EQ(req[0].header("cookie"), std::string(TestService::kSessionCookie) + "=" + token);
  EXPECT_EQ(req[0].header("x-requested-with"), "");
}

TEST_F(NativeRequestTest, UploadFailuresThrowTheDocumentedErrors) {
  writeFile(dir / "a.txt", "a");
  service.setPrefixRoute("/api/proc_quick_upload/", [](const RecordedRequest&) { return Reply::json(R"({"success":true})"); });
  auto o = runToEnd(model->requests().quickUpload({dir / "a.txt"}, 1));
  ASSERT_TRUE(o->value);
  EXPECT_EQ(*o->value, 1);  // no count: the number of files sent

  service.setPrefixRoute("/api/proc_quick_upload/",
                         [](const RecordedRequest&) { return Reply::html("<h1>内部错误</h1>", 500); });
  o = runToEnd(model->requests().quickUpload({dir / "a.txt"}, 1));
  AppError e = errorOf(*o);
  EXPECT_EQ(e.domain, "QuickArchive");
  EXPECT_EQ(e.code, 500);
  EXPECT_EQ(e.message, "服务器出错（HTTP 500）");

  // A reply that breaks off is a transport error, thrown as it comes.
  service.setPrefixRoute("/api/proc_quick_upload/", [](const RecordedRequest&) {
    Reply r = Reply::json("{");
    r.declaredLength = 500;
    return r;
  });
  o = runToEnd(model->requests().quickUpload({dir / "a.txt"}, 1));
  EXPECT_EQ(errorOf(*o).domain, "Http");

  // An unreadable file stops the upload before anything is sent.
  service.clearRequests();
  o = runToEnd(model->requests().quickUpload({dir / "a.txt", dir / "gone.pdf"}, 1));
  EXPECT_TRUE(o->exception);
  EXPECT_NE(errorOf(*o).message.find("gone.pdf"), std::string::npos);
  EXPECT_TRUE(service.requestsTo("/api/proc_quick_upload/1").empty());
}
