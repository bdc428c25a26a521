// Failures in the words the user sees, and what of a reply body reaches the log.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>

#include "base/FailureText.h"
#include "base/GLibPtr.h"

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

TEST(FailureText, SystemErrorsAreSaidInChineseWhereverTheyComeFrom) {
  EXPECT_EQ(failure::systemErrorText(EISDIR), "是文件夹，不是文件");
  EXPECT_EQ(failure::systemErrorText(ENOENT), "文件或文件夹不存在");
  EXPECT_EQ(failure::systemErrorText(EACCES), "没有权限");
  EXPECT_EQ(failure::systemErrorText(EPERM), "没有权限");
  EXPECT_EQ(failure::systemErrorText(ENOSPC), "磁盘空间不足");
  EXPECT_EQ(failure::systemErrorText(EIO), "读写出错（磁盘或网络盘故障）");
  EXPECT_EQ(failure::systemErrorText(std::make_error_code(std::errc::read_only_file_system)), "只读，不能写入");
  EXPECT_EQ(failure::systemErrorText(99999), "系统错误（代码 99999）");

  // A real failure of the file system, as each kind of caller meets it.
  std::error_code ec;
  std::filesystem::create_directories("/proc/self/not-a-place", ec);
  ASSERT_TRUE(ec);
  EXPECT_EQ(failure::systemErrorText(ec).find_first_of("abcdefghijklmnopqrstuvwxyz"), std::string::npos) << failure::systemErrorText(ec);
  quorvel::GErrorPtr dir;
  gchar* bytes = nullptr;
  EXPECT_FALSE(g_file_get_contents("/", &bytes, nullptr, dir.out()));
  EXPECT_EQ(dir.message(), "是文件夹，不是文件");
  quorvel::GErrorPtr missing;
  GFile* file = g_file_new_for_path("/no/such/file");
  EXPECT_FALSE(g_file_query_info(file, "*", G_FILE_QUERY_INFO_NONE, nullptr, missing.out()));
  g_object_unref(file);
  EXPECT_EQ(missing.message(), "文件或文件夹不存在");
  // Errors of other kinds keep their own text.
  GError* other = g_error_new_literal(G_MARKUP_ERROR, G_MARKUP_ERROR_PARSE, "bad markup");
  EXPECT_EQ(failure::systemErrorText(other), "bad markup");
  g_error_free(other);
  EXPECT_EQ(failure::systemErrorText(static_cast<const GError*>(nullptr)), "未知错误");
}
