#include "ChildProcess.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>
#include <fstream>

#include "TestEnv.h"
#include "base/MainQueue.h"

namespace quorvel::test {
namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), {});
}

Child::Child(const std::vector<std::string>& argv, GSubprocessFlags flags, const fs::path& stderrFile,
             bool separateInstance, const fs::path& cwd) {
  auto launcher = GObjectPtr<GSubprocessLauncher>::adopt(g_subprocess_launcher_new(flags));
  if (!cwd.empty()) g_subprocess_launcher_set_cwd(launcher, cwd.c_str());
  if (separateInstance) g_subprocess_launcher_setenv(launcher, "QUORVEL_SEPARATE_INSTANCE", "1", TRUE);
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

Child::~Child() {
  if (proc_ && !*exited_) {
    g_subprocess_force_exit(proc_);
    runMainLoopUntil([&] { return *exited_; }, 5000);
  }
}

bool Child::waitForExit(unsigned ms) { return runMainLoopUntil([&] { return *exited_; }, scaledWait(ms)); }

std::optional<int> Child::exitStatus() const {
  if (!*exited_ || !g_subprocess_get_if_exited(proc_)) return std::nullopt;
  return g_subprocess_get_exit_status(proc_);
}

std::optional<int> Child::termSignal() const {
  if (!*exited_ || !g_subprocess_get_if_signaled(proc_)) return std::nullopt;
  return g_subprocess_get_term_sig(proc_);
}

bool waitForLine(const fs::path& file, const std::string& line, unsigned ms) {
  return runMainLoopUntil([&] { return readFile(file).find(line) != std::string::npos; }, scaledWait(ms));
}

std::vector<std::string> quitAndReadSession(Child& client, const TempHome& home, const fs::path& err) {
  client.sendSignal(SIGTERM);
  EXPECT_TRUE(client.waitForExit(30000)) << readFile(err);
  EXPECT_EQ(client.exitStatus(), 0) << readFile(err);
  auto saved = nlohmann::json::parse(readFile(home.configHome() / "Quorvel" / "defaults.json"), nullptr, false);
  std::vector<std::string> urls;
  if (saved.is_object() && saved.contains("session.tabs.v1"))
    for (const auto& t : saved["session.tabs.v1"]) urls.push_back(t.value("url", ""));
  return urls;
}

}  // namespace quorvel::test
