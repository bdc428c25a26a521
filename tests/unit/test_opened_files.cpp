// Files handed over by the desktop: arguments and "file:" addresses back to the local
// paths they name, with escapes, spaces, Chinese and non-UTF-8 names intact.
#include <gtest/gtest.h>

#include <glib.h>

#include "platform/OpenedFiles.h"

namespace quorvel {
namespace {
namespace fs = std::filesystem;

TEST(OpenedFiles, ArgumentsBecomeAddressesOfTheStartingFolderAndComeBackAsTheSamePaths) {
  const fs::path cwd = "/home/张律师/案件 2026";
  const struct {
    const char* arg;
    fs::path path;
  } cases[] = {
      {"plain.pdf", cwd / "plain.pdf"},
      {"with space.pdf", cwd / "with space.pdf"},
      {"中文 证据.pdf", cwd / "中文 证据.pdf"},
      {"sub/../100%.pdf", cwd / "100%.pdf"},
      {"/tmp/abs #1.pdf", "/tmp/abs #1.pdf"},
      {"\xff\xfe.pdf", cwd / "\xff\xfe.pdf"},  // not UTF-8: the bytes stay
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arg);
    std::string address = OpenedFiles::addressForArgument(c.arg, cwd);
    EXPECT_EQ(address.rfind("file:///", 0), 0u) << address;
    EXPECT_EQ(address.find(' '), std::string::npos) << address;
    EXPECT_EQ(OpenedFiles::localPath(address), c.path);
  }
  // An address given on the command line stays as it is.
  EXPECT_EQ(OpenedFiles::addressForArgument("file:///tmp/a%20b.pdf", cwd), "file:///tmp/a%20b.pdf");
}

TEST(OpenedFiles, OnlyAddressesOfThisMachineHaveALocalPath) {
  EXPECT_EQ(OpenedFiles::localPath("file:///tmp/with%20space.pdf"), fs::path("/tmp/with space.pdf"));
  EXPECT_EQ(OpenedFiles::localPath("file:///tmp/%E4%B8%AD%E6%96%87.pdf"), fs::path("/tmp/中文.pdf"));
  EXPECT_EQ(OpenedFiles::localPath("FILE:///tmp/b.png"), fs::path("/tmp/b.png"));
  EXPECT_EQ(OpenedFiles::localPath("file://localhost/tmp/c.pdf"), fs::path("/tmp/c.pdf"));
  EXPECT_EQ(OpenedFiles::localPath(std::string("file://") + g_get_host_name() + "/tmp/d.pdf"), fs::path("/tmp/d.pdf"));
  for (const char* other : {"file://fileserver.example/tmp/c.pdf", "file:relative.pdf", "file:///tmp/a%2Fb.pdf",
                            "file:%ZZ", "https://host/x.pdf", "sftp://host/x.pdf", "/tmp/plain-path.pdf", ""})
    EXPECT_EQ(OpenedFiles::localPath(other), std::nullopt) << other;
}

}  // namespace
}  // namespace quorvel
