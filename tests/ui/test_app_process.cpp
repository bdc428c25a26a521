// The built client run as its own process, the way a user, a start script or a
// desktop session runs it: command-line checks and ending on signals.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "TestEnv.h"
#include "base/GObjectPtr.h"
#include "base/MainQueue.h"

using namespace quorvel;

namespace {
namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

// A child process with the test's environment (its temporary HOME included). It is
// killed when the test ends before the child does, so a hung client cannot outlive it.
class Child {
 public:
  // `stderrFile` empty: the child's standard error is the test's.
  Child(const std::vector<std::string>& argv, GSubprocessFlags flags, const fs::path& stderrFile = {}) {
    auto launcher = GObjectPtr<GSubprocessLauncher>::adopt(g_subprocess_launcher_new(flags));
    g_subprocess_launcher_setenv(launcher, "QUORVEL_SEPARATE_INSTANCE", "1", TRUE);
    if (!stderrFile.empty()) g_subprocess_launcher_set_stderr_file_path(launcher, stderrFile.c_str());
    std::vector<const char*> args;
    for (const auto& a : argv) args.push_back(a.c_str());
    args.push_back(nullptr);
    GError* error = nullptr;
    proc_ = GObjectPtr<GSubprocess>::adopt(g_subprocess_launcher_spawnv(launcher, args.data(), &error));
    if (!proc_) {
      ADD_FAILURE() << "cannot start " << argv.front() << ": " << (error ? error->message : "");
      g_clear_error(&error);
      return;
    }
    // The flag outlives this object: the wait may finish after a failed test left.
    auto* flag = new std::shared_ptr<bool>(exited_);
    g_subprocess_wait_async(
        proc_, nullptr,
        [](GObject*, GAsyncResult*, gpointer data) {
          auto* f = static_cast<std::shared_ptr<bool>*>(data);
          **f = true;
          delete f;
        },
        flag);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child() {
    if (proc_ && !*exited_) {
      g_subprocess_force_exit(proc_);
      runMainLoopUntil([&] { return *exited_; }, 5000);
    }
  }

  bool started() const { return static_cast<bool>(proc_); }
  GSubprocess* get() const { return proc_; }
  void sendSignal(int sig) { g_subprocess_send_signal(proc_, sig); }
  bool waitForExit(unsigned ms) { return runMainLoopUntil([&] { return *exited_; }, ms); }
  // The exit status; nothing when it was ended by a signal or still runs.
  std::optional<int> exitStatus() const {
    if (!*exited_ || !g_subprocess_get_if_exited(proc_)) return std::nullopt;
    return g_subprocess_get_exit_status(proc_);
  }
  std::optional<int> termSignal() const {
    if (!*exited_ || !g_subprocess_get_if_signaled(proc_)) return std::nullopt;
    return g_subprocess_get_term_sig(proc_);
  }

 private:
  GObjectPtr<GSubprocess> proc_;
  std::shared_ptr<bool> exited_ = std::make_shared<bool>(false);
};

}  // namespace

TEST(ClientProcess, InvalidServerURLExitsWithStatus2BeforeSavingAnything) {
  for (const char* bad : {"ht!tp://x", "javascript:alert(1)", "example.com", "http://", "ftp://x", ""}) {
    SCOPED_TRACE(bad);
    test::TempHome home;
    auto err = home.root() / "stderr.txt";
    Child client({QUORVEL_APP_EXE, "--server-url", bad}, G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
    ASSERT_TRUE(client.started());
    ASSERT_TRUE(client.waitForExit(20000)) << "the client did not end";
    EXPECT_EQ(client.exitStatus(), 2);
    std::string text = readFile(err);
    EXPECT_NE(text.find(std::string("服务器地址无效：") + (*bad ? bad : "（空）")), std::string::npos) << text;
    EXPECT_NE(text.find("请使用 http:// 或 https:// 开头的完整地址"), std::string::npos) << text;
    // It stopped before the application started: no log line, no settings folder.
    EXPECT_EQ(text.find("[Quorvel]"), std::string::npos) << text;
    EXPECT_FALSE(fs::exists(home.configHome() / "Quorvel")) << text;
  }
}
