// Starting at login through an XDG autostart entry.
#include <glib.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "features/workspace/LoginItem.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {
class LoginItemTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("XDG_CONFIG_DIRS", (home.root() / "etc-xdg").c_str(), 1);
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override {
    setLogSink({});
    ::unsetenv("XDG_CONFIG_DIRS");
  }
  static int validate(const fs::path& entry, std::string* output) {
    gchar* out = nullptr;
    gchar* err = nullptr;
    gint status = -1;
    std::string cmd = "desktop-file-validate '" + entry.string() + "'";
    EXPECT_TRUE(g_spawn_command_line_sync(cmd.c_str(), &out, &err, &status, nullptr));
    *output = std::string(out ? out : "") + (err ? err : "");
    g_free(out);
    g_free(err);
    return status;
  }
  TempHome home;
  std::vector<std::string> logs;
};
}  // namespace

TEST_F(LoginItemTest, StatusTextsOfEveryState) {
  std::vector<std::pair<LoginItemStatus, std::string>> table{{LoginItemStatus::notRegistered, "未开启"},
                                                             {LoginItemStatus::enabled, "已开启"},
                                                             {LoginItemStatus::requiresApproval, "等待系统设置里批准"},
                                                             {LoginItemStatus::notFound, "系统找不到该登录项"},
                                                             {LoginItemStatus::unknown, "未知"}};
  for (auto& [status, text] : table) EXPECT_EQ(LoginItem::statusText(status), text);
}

TEST_F(LoginItemTest, EnablingWritesAValidEntryForThisProgramAndDisablingRemovesIt) {
  fs::path entry = home.configHome() / "autostart" / "cn.quorvel.client.desktop";
  EXPECT_EQ(LoginItem::set(true), std::nullopt);
  ASSERT_TRUE(fs::exists(entry));
  std::string output;
  EXPECT_EQ(validate(entry, &output), 0) << output;
  EXPECT_EQ(output.find("error"), std::string::npos) << output;
  GKeyFile* k = g_key_file_new();
  ASSERT_TRUE(g_key_file_load_from_file(k, entry.c_str(), G_KEY_FILE_NONE, nullptr));
  gchar* exec = g_key_file_get_string(k, "Desktop Entry", "Exec", nullptr);
  EXPECT_EQ(fs::path(exec), fs::read_symlink("/proc/self/exe"));
  g_free(exec);
  g_key_file_free(k);
  EXPECT_EQ(countContaining(logs, "[Quorvel][LOGIN] 开机自启 → 开（状态：已开启）"), 1);

  EXPECT_EQ(LoginItem::set(false), std::nullopt);
  EXPECT_FALSE(fs::exists(entry));
  EXPECT_EQ(countContaining(logs, "[Quorvel][LOGIN] 开机自启 → 关（状态：未开启）"), 1);
}

TEST_F(LoginItemTest, ASystemWideEntryIsMaskedAndARefusedWriteIsReported) {
  fs::path system = home.root() / "etc-xdg" / "autostart" / "cn.quorvel.client.desktop";
  fs::create_directories(system.parent_path());
  writeFile(system, "[Desktop Entry]\nType=Application\nName=墨衡台\nExec=/bin/true\n");
  EXPECT_EQ(LoginItem::set(false), std::nullopt);
  fs::path entry = home.configHome() / "autostart" / "cn.quorvel.client.desktop";
  std::ifstream in(entry);
  std::string text((std::istreambuf_iterator<char>(in)), {});
  EXPECT_NE(text.find("Hidden=true"), std::string::npos) << text;
  EXPECT_EQ(countContaining(logs, "（状态：未开启）"), 1);

  // A file where the autostart folder belongs: the entry cannot be written.
  fs::remove_all(home.configHome() / "autostart");
  writeFile(home.configHome() / "autostart", "");
  auto error = LoginItem::set(true);
  ASSERT_TRUE(error.has_value());
  EXPECT_FALSE(error->empty());
  EXPECT_EQ(countContaining(logs, "[Quorvel][LOGIN] 设置失败 " + *error), 1);
}
