// Files the diagnostic modes write at fixed paths in a shared folder: a link planted
// at the path is replaced, never followed, and a write that cannot happen says why.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "ChildProcess.h"
#include "TestEnv.h"
#include "base/ErrorDomains.h"
#include "diagnostics/Reports.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

TEST(ReportFiles, AFixedPathIsReplacedNeverFollowedAndAFailureSaysWhy) {
  TempHome home;
  const fs::path shared = home.root() / "shared";
  fs::create_directories(shared);
  const fs::path victim = home.root() / "victim.txt";
  std::ofstream(victim) << "用户的文件";
  fs::create_symlink(victim, shared / "render.png");

  auto written = writeFileReplacingLinks(shared / "render.png", "PNG");
  ASSERT_TRUE(written.ok()) << written.error().message;
  EXPECT_FALSE(fs::is_symlink(shared / "render.png"));
  EXPECT_EQ(readFile(shared / "render.png"), "PNG");
  EXPECT_EQ(readFile(victim), "用户的文件");
  EXPECT_EQ(fs::status(shared / "render.png").permissions() & fs::perms::others_read, fs::perms::others_read);

  auto missing = writeFileReplacingLinks(shared / "absent" / "render.png", "PNG");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.error().domain, errors::kFile);
  EXPECT_EQ(missing.error().code, ENOENT);
  EXPECT_FALSE(missing.error().message.empty());
  // Nothing of the failed write is left beside the path.
  EXPECT_EQ(std::distance(fs::directory_iterator(shared), fs::directory_iterator()), 1);
}

}  // namespace
