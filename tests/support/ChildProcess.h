#pragma once
// The built client and the stand-alone test service run as processes of their own,
// the way a user, a start script or a desktop session runs them.
#include <gio/gio.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <csignal>

#include "base/GObjectPtr.h"
#include "base/MainQueue.h"

namespace quorvel::test {

std::string readFile(const std::filesystem::path& path);

class TempHome;
class Child;

// Waits until `file` (a client's standard error) holds `line`.
bool waitForLine(const std::filesystem::path& file, const std::string& line, unsigned ms);
// Ends the client the way log-out does and answers the saved tab addresses.
std::vector<std::string> quitAndReadSession(Child& client, const TempHome& home, const std::filesystem::path& err);

// A child process with the test's environment (its temporary HOME included). It is
// killed when the test ends before the child does, so a hung client cannot outlive it.
class Child {
 public:
  // `stderrFile` empty: the child's standard error is the test's. `separateInstance`:
  // the client does not look for a running instance (QUORVEL_SEPARATE_INSTANCE=1).
  // `cwd` empty: the test's working folder.
  Child(const std::vector<std::string>& argv, GSubprocessFlags flags, const std::filesystem::path& stderrFile = {},
        bool separateInstance = true, const std::filesystem::path& cwd = {});
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child();

  bool started() const { return static_cast<bool>(proc_); }
  GSubprocess* get() const { return proc_; }
  void sendSignal(int sig) { g_subprocess_send_signal(proc_, sig); }
  bool waitForExit(unsigned ms);
  // The exit status; nothing when it was ended by a signal or still runs.
  std::optional<int> exitStatus() const;
  std::optional<int> termSignal() const;

 private:
  GObjectPtr<GSubprocess> proc_;
  std::shared_ptr<bool> exited_ = std::make_shared<bool>(false);
};

// The stand-alone test service in demo mode: it signs a demo account in by itself,
// so the client lands on the dashboard as in the start script.
class DemoService {
 public:
  // `extraArgs` follow "--demo" (e.g. "--outage", "huge").
  explicit DemoService(const std::vector<std::string>& extraArgs = {});
  ~DemoService();
  const std::string& baseUrl() const { return baseUrl_; }

 private:
  Child child_;
  std::string baseUrl_;
};

#ifdef QUORVEL_TEST_SERVICE_EXE
// Inline: the service's path is known to the tests, not to the support objects.
inline std::vector<std::string> demoServiceArgv(const std::vector<std::string>& extraArgs) {
  std::vector<std::string> argv{QUORVEL_TEST_SERVICE_EXE, "--demo"};
  argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
  return argv;
}

inline DemoService::DemoService(const std::vector<std::string>& extraArgs)
    : child_(demoServiceArgv(extraArgs), G_SUBPROCESS_FLAGS_STDOUT_PIPE) {
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

inline DemoService::~DemoService() {
  if (child_.started()) {
    child_.sendSignal(SIGTERM);
    child_.waitForExit(5000);
  }
}

#endif

}  // namespace quorvel::test
