// Failures in the words the user sees, and what of a reply body reaches the log.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include "base/FailureText.h"

using namespace quorvel;

TEST(FailureText, StatusesInWordsWithTheirNumber) {
  EXPECT_EQ(failure::statusSentence(500), "服务器出错（HTTP 500）");
  EXPECT_EQ(failure::statusSentence(599), "服务器出错（HTTP 599）");
  EXPECT_EQ(failure::statusSentence(503), "服务器繁忙，请稍后再试（HTTP 503）");
  EXPECT_EQ(failure::statusSentence(429), "服务器繁忙，请稍后再试（HTTP 429）");
  EXPECT_EQ(failure::statusSentence(504), "服务器响应超时（HTTP 504）");
  EXPECT_EQ(failure::statusSentence(401), "登录已过期（HTTP 401）");
  EXPECT_EQ(failure::statusSentence(403), "没有权限（HTTP 403）");
  EXPECT_EQ(failure::statusSentence(404), "服务器上没有这个地址（HTTP 404）");
  EXPECT_EQ(failure::statusSentence(400), "服务器拒绝了请求（HTTP 400）");
  EXPECT_EQ(failure::statusSentence(302), "服务器把请求转到了别处（HTTP 302）");
  EXPECT_EQ(failure::statusSentence(204), "服务器的回复无法识别（HTTP 204）");
  EXPECT_EQ(failure::statusSentence(0), "服务器的回复无法识别（HTTP 0）");
}

TEST(FailureText, TransportErrorsOfKnownKindsOnly) {
  const std::string io = g_quark_to_string(G_IO_ERROR);
  EXPECT_EQ(failure::transportSentence(io, G_IO_ERROR_CONNECTION_REFUSED), "无法连接到服务器");
  EXPECT_EQ(failure::transportSentence(io, G_IO_ERROR_PARTIAL_INPUT), "服务器中断了连接");
  EXPECT_EQ(failure::transportSentence(g_quark_to_string(G_RESOLVER_ERROR), G_RESOLVER_ERROR_NOT_FOUND), "找不到服务器");
  EXPECT_FALSE(failure::transportSentence(io, G_IO_ERROR_FAILED));
  EXPECT_FALSE(failure::transportSentence("WebKitNetworkError", G_IO_ERROR_CONNECTION_REFUSED));
}

TEST(FailureText, LogExcerptsAreCutWholeCharactersOnOneLine) {
  EXPECT_EQ(failure::logExcerpt(""), "");
  EXPECT_EQ(failure::logExcerpt("<h1>500</h1>\r\n<p>\tdown</p>"), "<h1>500</h1>  <p> down</p>");
  EXPECT_EQ(failure::logExcerpt(std::string(300, 'x'), 10), std::string(10, 'x') + "…");
  // "服务器" is 9 bytes: a limit inside a character leaves that character out.
  EXPECT_EQ(failure::logExcerpt("服务器错误", 8), "服务…");
  EXPECT_EQ(failure::logExcerpt("服务器错误", 9), "服务器…");
  EXPECT_EQ(failure::logExcerpt("服务器错误", 15), "服务器错误");
  // Bytes that are no text are told by their number, never copied.
  EXPECT_EQ(failure::logExcerpt("\x89PNG\r\n\x1a\n\xff\xfe"), "<10 字节，不是文本>");
  EXPECT_EQ(failure::logExcerpt("BEGIN:VCALENDAR\r\nSUMMARY:\xb7\xa8\xd4\xba", 200), "<29 字节，不是文本>");
}
