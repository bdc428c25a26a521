#include "platform/Scanner.h"

#include <glib.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/AppError.h"
#include "base/Async.h"
#include "base/ErrorDomains.h"
#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "platform/FileOps.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace ScanFiles {

std::string timeStamp(std::chrono::system_clock::time_point t) {
  auto secs = std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
  GDateTime* dt = g_date_time_new_from_unix_local(secs);
  if (!dt) return "00000000-000000";
  gchar* s = g_date_time_format(dt, "%Y%m%d-%H%M%S");
  std::string out = s ? s : "";
  g_free(s);
  g_date_time_unref(dt);
  return out;
}

fs::path publishUnique(const fs::path& from, const fs::path& dir, const std::string& stem, const std::string& ext) {
  for (int n = 1; n < 10000; ++n) {
    fs::path target = dir / (n == 1 ? stem + ext : stem + "-" + std::to_string(n) + ext);
    int err = FileOps::moveNoReplace(from, target);
    if (err == 0) return target;
    if (err != EEXIST) throw AppError(errors::kFile, err, "无法保存 " + target.filename().string() + "：" + FileOps::errorText(err));
  }
  throw AppError(errors::kFile, EEXIST, "无法为 " + stem + ext + " 找到空闲的文件名");
}

fs::path writeUnique(const fs::path& dir, const std::string& stem, const std::string& ext, const std::string& bytes) {
  std::string tmpl = (dir / ".scan-XXXXXX").string();
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    int err = errno;
    throw AppError(errors::kFile, err, "无法在 " + dir.string() + " 写入文件：" + FileOps::errorText(err));
  }
  int err = 0;
  for (size_t off = 0; off < bytes.size() && !err;) {
    ssize_t w = ::write(fd, bytes.data() + off, bytes.size() - off);
    if (w < 0) {
      if (errno != EINTR) err = errno;
      continue;
    }
    off += static_cast<size_t>(w);
  }
  if (!err && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && !err) err = errno;
  if (!err) ::chmod(tmpl.c_str(), 0644);
  if (err) {
    ::unlink(tmpl.c_str());
    throw AppError(errors::kFile, err, "写入 " + stem + ext + " 失败：" + FileOps::errorText(err));
  }
  try {
    return publishUnique(tmpl, dir, stem, ext);
  } catch (...) {
    ::unlink(tmpl.c_str());
    throw;
  }
}

}  // namespace ScanFiles

namespace {

struct StderrState {
  std::string text;
  std::function<void(double)> progress;
};

// Reads scanimage's error output until it ends: progress reports and the reason of a
// failure.
Task<void> readStderr(GObjectPtr<GInputStream> stream, std::shared_ptr<StderrState> state) {
  for (;;) {
    GBytes* chunk = nullptr;
    try {
      auto read = asyncCall<GBytes*>(
          [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
            g_input_stream_read_bytes_async(stream.get(), 4096, G_PRIORITY_DEFAULT, c, cb, data);
          },
          [](GObject* src, GAsyncResult* res, GError** error) {
            return g_input_stream_read_bytes_finish(G_INPUT_STREAM(src), res, error);
          });
      chunk = co_await read;
    } catch (const AppError&) {
      co_return;
    }
    if (!chunk) co_return;
    gsize n = 0;
    const char* data = static_cast<const char*>(g_bytes_get_data(chunk, &n));
    if (n == 0) {
      g_bytes_unref(chunk);
      co_return;
    }
    state->text.append(data, n);
    g_bytes_unref(chunk);
    double p = Scanner::lastProgress(state->text);
    if (p >= 0 && state->progress) state->progress(p);
  }
}

// The last non-empty line of a tool's error output, for the status text.
std::string lastLine(const std::string& text) {
  std::string line, cur;
  for (char c : text) {
    if (c == '\n' || c == '\r') {
      if (!cur.empty() && cur.rfind("Progress:", 0) != 0) line = cur;
      cur.clear();
    } else {
      cur += c;
    }
  }
  if (!cur.empty() && cur.rfind("Progress:", 0) != 0) line = cur;
  return line;
}

}  // namespace

std::vector<Scanner::Device> Scanner::parseDeviceList(const std::string& text) {
  std::vector<Device> out;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(pos, end - pos);
    pos = end + 1;
    const std::string open = "device `";
    if (line.rfind(open, 0) != 0) continue;
    size_t close = line.find("' is a", open.size());
    if (close == std::string::npos) continue;
    Device d;
    d.name = line.substr(open.size(), close - open.size());
    d.description = line.substr(std::min(line.size(), close + 7));
    if (!d.name.empty()) out.push_back(std::move(d));
  }
  return out;
}

double Scanner::lastProgress(const std::string& text) {
  size_t at = text.rfind("Progress: ");
  if (at == std::string::npos) return -1;
  const char* start = text.c_str() + at + 10;
  char* end = nullptr;
  double v = g_ascii_strtod(start, &end);
  if (end == start || !end || *end != '%') return -1;
  return std::clamp(v, 0.0, 100.0);
}

void Scanner::detect(bool refresh) {
  if (!refresh && state.get() != State::unknown) return;
  scope_.spawn(runDetection());
}

Task<void> Scanner::runDetection() {
  const int generation = ++detection_;
  state.set(State::detecting);
  const gchar* argv[] = {program_.c_str(), "-L", nullptr};
  GErrorPtr error;
  auto process = GObjectPtr<GSubprocess>::adopt(
      g_subprocess_newv(argv, GSubprocessFlags(G_SUBPROCESS_FLAGS_STDOUT_PIPE | G_SUBPROCESS_FLAGS_STDERR_SILENCE),
                        error.out()));
  if (!process) {
    logLine(tags::kScan, "没有可用的 scanimage（" + error.message() + "）");
    devices_.clear();
    state.set(State::noTool);
    co_return;
  }
  std::string out;
  try {
    auto communicate = asyncCall<std::string>(
        [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
          g_subprocess_communicate_utf8_async(process.get(), nullptr, c, cb, data);
        },
        [](GObject* src, GAsyncResult* res, GError** err) {
          gchar* text = nullptr;
          std::string s;
          if (g_subprocess_communicate_utf8_finish(G_SUBPROCESS(src), res, &text, nullptr, err) && text) s = text;
          g_free(text);
          return s;
        });
    out = co_await communicate;
  } catch (const AppError& e) {
    logLine(tags::kScan, "scanimage -L 失败：" + e.message, LogLevel::warning);
  }
  if (generation != detection_) co_return;
  devices_ = parseDeviceList(out);
  logLine(tags::kScan, "检测到 " + std::to_string(devices_.size()) + " 台扫描仪");
  state.set(devices_.empty() ? State::noDevice : State::ready);
}

Task<fs::path> Scanner::scan(fs::path dir, std::string stem, std::function<void(double)> progress,
                             GCancellable* cancellableArg) {
  auto cancellable = GObjectPtr<GCancellable>::retain(cancellableArg);
  std::error_code ec;
  fs::create_directories(dir, ec);
  std::string tmpl = (dir / ".scan-XXXXXX").string();
  int fd = ::mkstemp(tmpl.data());
  if (fd < 0) {
    int err = errno;
    throw AppError(errors::kFile, err, "无法在 " + dir.string() + " 创建扫描文件：" + FileOps::errorText(err));
  }
  ::fchmod(fd, 0644);
  const fs::path tmp = tmpl;

  std::vector<std::string> args = {program_};
  if (!devices_.empty()) args.insert(args.end(), {"-d", devices_.front().name});
  args.insert(args.end(), {"--format=png", "--progress"});
  std::vector<const gchar*> argv;
  for (const auto& a : args) argv.push_back(a.c_str());
  argv.push_back(nullptr);

  auto launcher = GObjectPtr<GSubprocessLauncher>::adopt(g_subprocess_launcher_new(G_SUBPROCESS_FLAGS_STDERR_PIPE));
  g_subprocess_launcher_take_stdout_fd(launcher.get(), fd);  // the page goes straight into the file
  GErrorPtr error;
  auto process = GObjectPtr<GSubprocess>::adopt(g_subprocess_launcher_spawnv(launcher.get(), argv.data(), error.out()));
  launcher.reset();  // closes our copy of the file's descriptor
  if (!process) {
    ::unlink(tmp.c_str());
    throw AppError(errors::kScan, -1, "无法启动扫描程序：" + error.message());
  }
  logLine(tags::kScan, "开始扫描：" + (devices_.empty() ? std::string("默认设备") : devices_.front().name));

  auto errState = std::make_shared<StderrState>();
  errState->progress = std::move(progress);
  spawn(readStderr(GObjectPtr<GInputStream>::retain(g_subprocess_get_stderr_pipe(process.get())), errState));

  try {
    auto waitExit = asyncCall<bool>(
        [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) { g_subprocess_wait_async(process.get(), c, cb, data); },
        [](GObject* src, GAsyncResult* res, GError** err) { return bool(g_subprocess_wait_finish(G_SUBPROCESS(src), res, err)); },
        cancellable.get());
    co_await waitExit;
  } catch (const AppError&) {
    errState->progress = nullptr;
    g_subprocess_force_exit(process.get());
    ::unlink(tmp.c_str());
    logLine(tags::kScan, "扫描已取消");
    throw;
  }
  errState->progress = nullptr;
  const bool ok = g_subprocess_get_if_exited(process.get()) && g_subprocess_get_exit_status(process.get()) == 0;
  struct stat st {};
  const bool hasPage = ::stat(tmp.c_str(), &st) == 0 && st.st_size > 0;
  if (!ok || !hasPage) {
    ::unlink(tmp.c_str());
    std::string why = lastLine(errState->text);
    if (why.empty()) why = ok ? "没有收到图像" : "扫描程序异常退出";
    logLine(tags::kScan, "扫描失败：" + why, LogLevel::warning);
    throw AppError(errors::kScan, ok ? 0 : g_subprocess_get_exit_status(process.get()), "扫描失败：" + why);
  }
  try {
    co_return ScanFiles::publishUnique(tmp, dir, stem, ".png");
  } catch (...) {
    ::unlink(tmp.c_str());
    throw;
  }
}

}  // namespace quorvel
