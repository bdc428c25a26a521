// The stand-alone test service with a port file: the demo keeps one address per
// profile, so a restored tab session still finds the service after a restart.
#include <gio/gio.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <libsoup/soup.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "TestHelpers.h"
#include "TestService.h"
#include "base/MainQueue.h"

namespace quorvel::test {
namespace {

namespace fs = std::filesystem;

// One run of the executable: its first stdout line, then SIGTERM and its exit status.
class ServiceProcess {
 public:
  explicit ServiceProcess(const std::vector<std::string>& args) {
    std::vector<const char*> argv{QUORVEL_TEST_SERVICE_EXE};
    for (const auto& a : args) argv.push_back(a.c_str());
    argv.push_back(nullptr);
    GError* error = nullptr;
    proc_ = g_subprocess_newv(argv.data(), G_SUBPROCESS_FLAGS_STDOUT_PIPE, &error);
    if (!proc_) {
      ADD_FAILURE() << (error ? error->message : "cannot start the service");
      g_clear_error(&error);
      return;
    }
    out_ = g_data_input_stream_new(g_subprocess_get_stdout_pipe(proc_));
    g_data_input_stream_read_line_async(
        out_, G_PRIORITY_DEFAULT, nullptr,
        [](GObject* s, GAsyncResult* res, gpointer data) {
          auto* self = static_cast<ServiceProcess*>(data);
          char* line = g_data_input_stream_read_line_finish_utf8(G_DATA_INPUT_STREAM(s), res, nullptr, nullptr);
          if (line) self->line_ = line;
          g_free(line);
          self->lineDone_ = true;
        },
        this);
    runMainLoopUntil([&] { return lineDone_; }, 10000);
  }

  ~ServiceProcess() {
    if (proc_ && !exited_) stop();
    if (out_) g_object_unref(out_);
    if (proc_) g_object_unref(proc_);
  }

  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  // Empty when nothing came (the process failed or hung).
  const std::string& firstLine() const { return line_; }

  unsigned port() const {
    const std::string prefix = "http://127.0.0.1:";
    if (line_.rfind(prefix, 0) != 0) return 0;
    return static_cast<unsigned>(std::stoul(line_.substr(prefix.size())));
  }

  // The exit status; -1 when it did not end by itself in time.
  int stop() {
    if (!proc_ || exited_) return exitStatus();
    g_subprocess_send_signal(proc_, SIGTERM);
    return waitExit();
  }

  int waitExit() {
    if (!proc_) return -1;
    if (!exited_) {
      g_subprocess_wait_async(
          proc_, nullptr, [](GObject*, GAsyncResult*, gpointer data) { *static_cast<bool*>(data) = true; },
          &exited_);
      if (!runMainLoopUntil([&] { return exited_; }, 10000)) {
        g_subprocess_force_exit(proc_);
        runMainLoopUntil([&] { return exited_; }, 5000);
        return -1;
      }
    }
    return exitStatus();
  }

 private:
  int exitStatus() const {
    return g_subprocess_get_if_exited(proc_) ? g_subprocess_get_exit_status(proc_) : -1;
  }

  GSubprocess* proc_ = nullptr;
  GDataInputStream* out_ = nullptr;
  std::string line_;
  bool lineDone_ = false;
  bool exited_ = false;
};

std::optional<std::string> readText(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

unsigned statusOf(const std::string& url) {
  SoupSession* s = soup_session_new();
  SoupMessage* msg = soup_message_new("GET", url.c_str());
  bool done = false;
  soup_session_send_and_read_async(
      s, msg, G_PRIORITY_DEFAULT, nullptr,
      [](GObject* src, GAsyncResult* res, gpointer data) {
        if (GBytes* b = soup_session_send_and_read_finish(SOUP_SESSION(src), res, nullptr)) g_bytes_unref(b);
        *static_cast<bool*>(data) = true;
      },
      &done);
  runMainLoopUntil([&] { return done; }, 10000);
  unsigned status = soup_message_get_status(msg);
  g_object_unref(msg);
  g_object_unref(s);
  return status;
}

class TestServicePortFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    markMainThread();
    char* made = g_dir_make_tmp("quorvel-port-XXXXXX", nullptr);
    ASSERT_NE(made, nullptr);
    dir = made;
    g_free(made);
    portFile = dir / "service-port";
  }
  void TearDown() override {
    drainMainLoop();
    std::error_code ec;
    fs::remove_all(dir, ec);
  }

  std::vector<std::string> args() const { return {"--demo", "--port-file", portFile.string()}; }

  // Only the port file is left in its folder: no temporary file stays behind.
  void expectOnlyThePortFile() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"service-port"});
  }

  fs::path dir;
  fs::path portFile;
};

TEST_F(TestServicePortFileTest, SecondStartComesBackOnTheSameAddress) {
  std::string firstUrl;
  {
    ServiceProcess first(args());
    ASSERT_NE(first.port(), 0u) << first.firstLine();
    firstUrl = first.firstLine();
    EXPECT_EQ(readText(portFile), std::to_string(first.port()) + "\n");
    EXPECT_EQ(statusOf(firstUrl + "/login?manual=1"), 200u);
    EXPECT_EQ(first.stop(), 0);
  }
  expectOnlyThePortFile();

  ServiceProcess second(args());
  EXPECT_EQ(second.firstLine(), firstUrl);
  EXPECT_EQ(statusOf(second.firstLine() + "/login?manual=1"), 200u);
  EXPECT_EQ(readText(portFile), std::to_string(second.port()) + "\n");
  EXPECT_EQ(second.stop(), 0);
}

TEST_F(TestServicePortFileTest, TakenPortFallsBackToAFreeOneAndRewritesTheFile) {
  TestService holder;  // keeps the saved port busy
  holder.start();
  writeFile(portFile, std::to_string(holder.port()) + "\n");

  ServiceProcess moved(args());
  ASSERT_NE(moved.port(), 0u) << moved.firstLine();
  EXPECT_NE(moved.port(), holder.port());
  EXPECT_EQ(readText(portFile), std::to_string(moved.port()) + "\n");
  EXPECT_EQ(statusOf(moved.firstLine() + "/login?manual=1"), 200u);
  expectOnlyThePortFile();
  EXPECT_EQ(moved.stop(), 0);
  holder.stop();

  // The rewritten file is what the next start binds.
  ServiceProcess next(args());
  EXPECT_EQ(next.port(), moved.port());
}

TEST_F(TestServicePortFileTest, UnusableContentIsReplacedWithTheBoundPort) {
  for (const char* content : {"", "\n", "abc", "0", "65536", "99999999999", "12ab", "-80", "80 81", "\xff\xfe"}) {
    SCOPED_TRACE(testing::PrintToString(std::string(content)));
    writeFile(portFile, content);
    ServiceProcess p(args());
    ASSERT_NE(p.port(), 0u) << p.firstLine();
    EXPECT_EQ(readText(portFile), std::to_string(p.port()) + "\n");
    EXPECT_EQ(p.stop(), 0);
  }
  expectOnlyThePortFile();
}

TEST_F(TestServicePortFileTest, BadArgumentsAreRefusedWithoutTouchingTheFile) {
  for (const std::vector<std::string>& bad : {std::vector<std::string>{"--port", "0", "--port-file", portFile.string()},
                                              std::vector<std::string>{"--port-file="},
                                              std::vector<std::string>{"--port-file"}}) {
    ServiceProcess p(bad);
    EXPECT_EQ(p.firstLine(), "");
    EXPECT_EQ(p.waitExit(), 2);
  }
  EXPECT_FALSE(fs::exists(portFile));
}

}  // namespace
}  // namespace quorvel::test
