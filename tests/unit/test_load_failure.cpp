// The in-tab message of a failed load: reasons in plain words and a page that shows
// server-supplied text as text.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include "web/rules/LoadFailure.h"

using namespace quorvel;

TEST(LoadFailureReason, NetworkErrorsInPlainWords) {
  std::string io = g_quark_to_string(G_IO_ERROR);
  EXPECT_EQ(LoadFailure::reason(io, G_IO_ERROR_CONNECTION_REFUSED, "Connection refused"), "无法连接到服务器");
  EXPECT_EQ(LoadFailure::reason(io, G_IO_ERROR_TIMED_OUT, "Socket I/O timed out"), "连接超时");
  EXPECT_EQ(LoadFailure::reason(io, G_IO_ERROR_HOST_NOT_FOUND, "x"), "找不到服务器");
  EXPECT_EQ(LoadFailure::reason(io, G_IO_ERROR_NETWORK_UNREACHABLE, "x"), "网络不可用");
  EXPECT_EQ(LoadFailure::reason(io, G_IO_ERROR_CONNECTION_CLOSED, "x"), "服务器中断了连接");
  EXPECT_EQ(LoadFailure::reason(g_quark_to_string(G_RESOLVER_ERROR), G_RESOLVER_ERROR_NOT_FOUND,
                                "Error resolving “x.invalid”"),
            "找不到服务器");
  EXPECT_EQ(LoadFailure::reason(g_quark_to_string(G_TLS_ERROR), G_TLS_ERROR_BAD_CERTIFICATE, "x"), "无法建立安全连接");
  // The same code in another domain is not a connection error.
  EXPECT_EQ(LoadFailure::reason("SomeOtherError", G_IO_ERROR_CONNECTION_REFUSED, "boom"), "无法打开页面（boom）");
  EXPECT_EQ(LoadFailure::reason(io, G_IO_ERROR_FAILED, ""), "无法打开页面");
}

TEST(LoadFailureReason, RefusedLoadsNameARestrictedPort) {
  for (int port : {1, 9, 25, 6000, 6667, 10080}) EXPECT_TRUE(LoadFailure::isRestrictedPort(port)) << port;
  for (int port : {-1, 80, 443, 8080, 6670, 10081}) EXPECT_FALSE(LoadFailure::isRestrictedPort(port)) << port;
  EXPECT_EQ(LoadFailure::refusedLoadReason("http://127.0.0.1:9/dashboard"), "该端口不允许访问");
  EXPECT_EQ(LoadFailure::refusedLoadReason("https://app.quorvel.cn:25/"), "该端口不允许访问");
  EXPECT_EQ(LoadFailure::refusedLoadReason("http://127.0.0.1:8080/dashboard"), "无法打开页面");
  EXPECT_EQ(LoadFailure::refusedLoadReason("https://app.quorvel.cn/cases"), "无法打开页面");
}

TEST(LoadFailurePage, AddressAndReasonAreTextAndTheLinkAsksTheTabToRetry) {
  std::string address = "http://127.0.0.1:8080/cases?q=a&b=\"x\"'><script>alert(1)</script>";
  std::string page = LoadFailure::page(address, "无法连接到服务器<img src=x onerror=alert(2)>");
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_EQ(page.find("<img"), std::string::npos);
  std::string escaped = "http://127.0.0.1:8080/cases?q=a&amp;b=&quot;x&quot;&#39;&gt;&lt;script&gt;alert(1)&lt;/script&gt;";
  EXPECT_NE(page.find("<p id=\"qv-address\">" + escaped + "</p>"), std::string::npos);
  EXPECT_NE(page.find("<a id=\"qv-reload\" href=\"quorvel-retry:load\">重新载入</a>"), std::string::npos);
  EXPECT_NE(page.find("<p id=\"qv-reason\">无法连接到服务器&lt;img src=x onerror=alert(2)&gt;</p>"), std::string::npos);
  // The page itself runs nothing; other text stays as it is.
  EXPECT_NE(page.find("default-src 'none'"), std::string::npos);
  EXPECT_EQ(LoadFailure::escapeHtml("案件 /cases?id=1"), "案件 /cases?id=1");
}
