// The built client run as its own process, the way a user, a start script or a
// desktop session runs it: command-line checks and ending on signals.
#include <gio/gio.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
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

// The stand-alone test service in demo mode: it signs a demo account in by itself,
// so the client lands on the dashboard as in the start script.
class DemoService {
 public:
  DemoService() : child_({QUORVEL_TEST_SERVICE_EXE, "--demo"}, G_SUBPROCESS_FLAGS_STDOUT_PIPE) {
    if (!child_.started()) return;
    auto in = GObjectPtr<GDataInputStream>::adopt(g_data_input_stream_new(g_subprocess_get_stdout_pipe(child_.get())));
    struct Line {
      std::string text;
      bool done = false;
    };
    auto line = std::make_shared<Line>();
    g_data_input_stream_read_line_async(
        in, G_PRIORITY_DEFAULT, nullptr,
        [](GObject* s, GAsyncResult* res, gpointer data) {
          auto* l = static_cast<std::shared_ptr<Line>*>(data);
          if (char* t = g_data_input_stream_read_line_finish_utf8(G_DATA_INPUT_STREAM(s), res, nullptr, nullptr)) {
            (*l)->text = t;
            g_free(t);
          }
          (*l)->done = true;
          delete l;
        },
        new std::shared_ptr<Line>(line));
    if (runMainLoopUntil([&] { return line->done; }, 10000)) baseUrl_ = line->text;
  }
  ~DemoService() {
    if (child_.started()) {
      child_.sendSignal(SIGTERM);
      child_.waitForExit(5000);
    }
  }
  const std::string& baseUrl() const { return baseUrl_; }

 private:
  Child child_;
  std::string baseUrl_;
};

fs::path defaultsFile(const test::TempHome& home) { return home.configHome() / "Quorvel" / "defaults.json"; }

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

// What a desktop session sends at log-out and what Ctrl+C in a terminal sends both end
// the client through its quit path: status 0, the exit line, the tab session saved.
TEST(ClientProcess, SigtermAndSigintQuitLikeCtrlQAndSaveTheSession) {
  DemoService service;
  ASSERT_EQ(service.baseUrl().rfind("http://127.0.0.1:", 0), 0u) << service.baseUrl();
  const std::string dashboard = service.baseUrl() + "/dashboard";

  for (int sig : {SIGTERM, SIGINT}) {
    SCOPED_TRACE(sig == SIGTERM ? "SIGTERM" : "SIGINT");
    test::TempHome home;
    auto err = home.root() / "stderr.txt";
    Child client({QUORVEL_APP_EXE, "--server-url", "  " + service.baseUrl() + "\n"},
                 G_SUBPROCESS_FLAGS_STDOUT_SILENCE, err);
    ASSERT_TRUE(client.started());
    // The badge line follows the dashboard's load and its read of the counts.
    bool loaded = runMainLoopUntil([&] { return readFile(err).find("[Quorvel][BADGE] 超期=") != std::string::npos; },
                                   60000);
    ASSERT_TRUE(loaded) << readFile(err);
    ASSERT_FALSE(client.exitStatus()) << readFile(err);

    auto file = defaultsFile(home);
    auto before = nlohmann::json::parse(readFile(file), nullptr, false);
    EXPECT_EQ(before.value("serverURL", ""), service.baseUrl());  // saved trimmed
    // Gone before the signal: the file found afterwards was written on the way out.
    fs::remove(file);

    client.sendSignal(sig);
    ASSERT_TRUE(client.waitForExit(30000)) << "the client did not end on the signal\n" << readFile(err);
    std::string text = readFile(err);
    EXPECT_EQ(client.termSignal(), std::nullopt) << text;
    EXPECT_EQ(client.exitStatus(), 0) << text;
    EXPECT_NE(text.find(std::string("[Quorvel] 收到 ") + (sig == SIGTERM ? "SIGTERM" : "SIGINT")), std::string::npos)
        << text;
    EXPECT_NE(text.find("[Quorvel] 已退出"), std::string::npos) << text;

    auto saved = nlohmann::json::parse(readFile(file), nullptr, false);
    ASSERT_TRUE(saved.is_object()) << readFile(file);
    ASSERT_TRUE(saved.contains("session.tabs.v1")) << saved.dump();
    const auto& tabs = saved["session.tabs.v1"];
    ASSERT_TRUE(tabs.is_array() && tabs.size() == 1) << tabs.dump();
    EXPECT_EQ(tabs[0].value("url", ""), dashboard);
    EXPECT_EQ(tabs[0].value("title", ""), "个人工作台");
  }
}
