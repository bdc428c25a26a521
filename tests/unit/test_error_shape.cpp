// How failures travel between modules: a Result holds a value or its AppError and
// hands a failure on into a coroutine chain as that same error; any caught exception
// becomes an AppError whose text is the one the view shows.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "TestHelpers.h"
#include "base/AppError.h"
#include "base/Result.h"
#include "base/Task.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

Task<std::string> bodyOf(Result<std::string> read) { co_return std::move(read).value(); }

Task<void> written(Result<void> write) {
  write.value();
  co_return;
}

TEST(ErrorShape, AResultsFailureGoesOnThroughATaskAsTheSameError) {
  auto fine = runToEnd(bodyOf(std::string("正文")));
  ASSERT_TRUE(fine->value);
  EXPECT_EQ(*fine->value, "正文");

  auto failed = runToEnd(bodyOf(AppError("Quorvel", 2, "服务器出错（HTTP 502）")));
  ASSERT_TRUE(failed->error);
  EXPECT_EQ(failed->error->domain, "Quorvel");
  EXPECT_EQ(failed->error->code, 2);
  EXPECT_EQ(describe(failed->exception), "服务器出错（HTTP 502）");

  // A write's outcome: none stays none, a kept failure is thrown as it was kept.
  EXPECT_TRUE(runToEnd(written(Result<void>()))->value);
  auto refused = runToEnd(written(std::optional<AppError>(AppError("File", 28, "磁盘空间不足"))));
  ASSERT_TRUE(refused->error);
  EXPECT_EQ(*refused->error, AppError("File", 28, "磁盘空间不足"));
}

TEST(ErrorShape, AnyCaughtFailureBecomesAnAppErrorWithTheTextTheViewShows) {
  const AppError timeout("Http", 24, "连接超时");
  EXPECT_EQ(asAppError(std::make_exception_ptr(timeout)), timeout);
  // Another exception keeps its text under no domain; nothing known reads "未知错误".
  EXPECT_EQ(asAppError(std::make_exception_ptr(std::out_of_range("越界"))), AppError("", 0, "越界"));
  EXPECT_EQ(asAppError(std::make_exception_ptr(42)).message, "未知错误");
  EXPECT_EQ(asAppError(nullptr).message, "未知错误");
  EXPECT_EQ(describe(AppError("Auth", 7, "")), "未知错误");

  // Caught as any std::exception, an AppError says its message.
  try {
    throw AppError("Quorvel", 1, "没有打开的页面（请先登录）");
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "没有打开的页面（请先登录）");
  }
}

}  // namespace
