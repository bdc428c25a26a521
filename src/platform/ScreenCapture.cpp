#include "platform/ScreenCapture.h"
#include "base/FailureText.h"

#include <fcntl.h>
#include <gio/gio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdlib>

#include "base/Async.h"
#include "base/ErrorDomains.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/MainQueue.h"
#include "base/Text.h"
#include "platform/SessionBus.h"

namespace quorvel {

namespace {

constexpr const char* kPortalName = "org.freedesktop.portal.Desktop";
constexpr const char* kPortalPath = "/org/freedesktop/portal/desktop";
constexpr const char* kPortalTool = "xdg-desktop-portal";

ScreenCaptureResult captured(std::string tool) { return ScreenCaptureResult{std::nullopt, std::move(tool)}; }

ScreenCaptureResult ended(int code, std::string tool, std::string why) {
  return ScreenCaptureResult{AppError(errors::kScreenCapture, code, std::move(why)), std::move(tool)};
}

ScreenCaptureResult cancelled(std::string tool) { return ended(errors::kCaptureCancelled, std::move(tool), "已取消框选"); }

ScreenCaptureResult failed(std::string tool, std::string why) {
  return ended(errors::kCaptureFailed, std::move(tool), std::move(why));
}

bool onPath(const char* program) {
  GCharPtr found(g_find_program_in_path(program));
  return found != nullptr;
}

// ---- Portal ---------------------------------------------------------------------------

struct PortalResponse {
  bool timedOut = false;
  guint32 code = 2;  // 0 success, 1 cancelled by the user, 2 ended otherwise
  std::string uri;
};

// One Request object's Response signal, subscribed before the method call so an
// early answer is not missed.
struct PortalWait {
  GDBusConnection* bus = nullptr;
  std::weak_ptr<PortalWait> self;
  guint subscription = 0;
  std::optional<PortalResponse> response;
  std::function<void(PortalResponse)> resolve;
  SourceId timer;

  void subscribe(const std::string& handle) {
    unsubscribe();
    subscription = g_dbus_connection_signal_subscribe(
        bus, kPortalName, "org.freedesktop.portal.Request", "Response", handle.c_str(), nullptr,
        G_DBUS_SIGNAL_FLAGS_NONE,
        &PortalWait::onResponse, new std::weak_ptr<PortalWait>(self),
        [](gpointer data) { delete static_cast<std::weak_ptr<PortalWait>*>(data); });
  }
  void unsubscribe() {
    if (subscription) g_dbus_connection_signal_unsubscribe(bus, std::exchange(subscription, 0));
  }
  void finish(PortalResponse r) {
    if (response) return;
    response = std::move(r);
    unsubscribe();
    timer.reset();
    if (auto done = std::exchange(resolve, {})) done(*response);
  }

  static void onResponse(GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
                         GVariant* params, gpointer data) {
    auto wait = static_cast<std::weak_ptr<PortalWait>*>(data)->lock();
    if (!wait || !g_variant_is_of_type(params, G_VARIANT_TYPE("(ua{sv})"))) return;
    PortalResponse r;
    GVariant* results = nullptr;
    g_variant_get(params, "(u@a{sv})", &r.code, &results);
    GVariantPtr owned(results);
    const gchar* uri = nullptr;
    if (g_variant_lookup(results, "uri", "&s", &uri) && uri) r.uri = uri;
    wait->finish(std::move(r));
  }

  ~PortalWait() { unsubscribe(); }
};

std::string requestPath(GDBusConnection* bus, const std::string& token) {
  std::string sender = g_dbus_connection_get_unique_name(bus) ? g_dbus_connection_get_unique_name(bus) : "";
  if (!sender.empty() && sender[0] == ':') sender.erase(0, 1);
  for (auto& c : sender)
    if (c == '.') c = '_';
  return std::string(kPortalPath) + "/request/" + sender + "/" + token;
}

// Runs the portal's interactive screenshot. Nothing when no portal answered at all
// (the caller then tries the tools); otherwise the final result.
Task<std::optional<ScreenCaptureResult>> portalCapture(std::string pngPath, ScreenCaptureOptions options) {
  GDBusConnection* bus = nullptr;
  try {
    auto connect = sessionBus();
    bus = co_await connect;
  } catch (const AppError&) {
    co_return std::nullopt;
  }

  std::string token = "quorvel_" + randomUUID();
  for (auto& c : token)
    if (c == '-') c = '_';
  auto wait = std::make_shared<PortalWait>();
  wait->self = wait;
  wait->bus = bus;
  wait->subscribe(requestPath(bus, token));

  GVariantBuilder opts;
  g_variant_builder_init(&opts, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&opts, "{sv}", "handle_token", g_variant_new_string(token.c_str()));
  g_variant_builder_add(&opts, "{sv}", "interactive", g_variant_new_boolean(true));
  g_variant_builder_add(&opts, "{sv}", "modal", g_variant_new_boolean(true));
  std::string handle;
  try {
    auto call = dbusCall(bus, kPortalName, kPortalPath, "org.freedesktop.portal.Screenshot", "Screenshot",
                         g_variant_new("(sa{sv})", "", &opts), G_VARIANT_TYPE("(o)"),
                         static_cast<int>(options.portalCallTimeoutMs));
    GVariantPtr reply = co_await call;
    const gchar* path = nullptr;
    g_variant_get(reply.get(), "(&o)", &path);
    handle = path ? path : "";
  } catch (const AppError&) {
    // No portal, or one without the screenshot interface.
    co_return std::nullopt;
  }
  // Older portals answer another path than the one derived from the token.
  if (!wait->response && handle != requestPath(bus, token)) wait->subscribe(handle);

  auto responded = CallbackAwaiter<PortalResponse>([wait, ms = options.portalResponseTimeoutMs](auto resolve) {
    if (wait->response) return resolve(*wait->response);
    wait->resolve = std::move(resolve);
    std::weak_ptr<PortalWait> weak = wait;
    wait->timer = SourceId(postToMainAfter(ms, [weak] {
      if (auto w = weak.lock()) {
        w->timer.forget();
        w->finish(PortalResponse{true, 2, {}});
      }
    }));
  });
  PortalResponse response = co_await responded;

  if (response.timedOut) {
    // The selection is abandoned; ask the portal to take its dialog down.
    g_dbus_connection_call(bus, kPortalName, handle.c_str(), "org.freedesktop.portal.Request", "Close", nullptr,
                           nullptr, G_DBUS_CALL_FLAGS_NONE, -1, nullptr, nullptr, nullptr);
    co_return failed(kPortalTool, "截图门户在规定时间内没有应答");
  }
  if (response.code == 1) co_return cancelled(kPortalTool);
  if (response.code != 0 || response.uri.empty()) co_return std::nullopt;  // let a tool try

  // The portal saved its own file; it becomes our temporary capture (nothing is left
  // behind in the user's pictures).
  auto source = GObjectPtr<GFile>::adopt(g_file_new_for_uri(response.uri.c_str()));
  auto target = GObjectPtr<GFile>::adopt(g_file_new_for_path(pngPath.c_str()));
  try {
    auto move = asyncCall<bool>(
        [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
          g_file_move_async(source.get(), target.get(), G_FILE_COPY_OVERWRITE, G_PRIORITY_DEFAULT, c, nullptr,
                            nullptr, cb, data);
        },
        [](GObject* src, GAsyncResult* res, GError** error) {
          return bool(g_file_move_finish(G_FILE(src), res, error));
        });
    co_await move;
  } catch (const AppError& e) {
    co_return failed(kPortalTool, "无法取得截图文件：" + e.message);
  }
  co_return captured(kPortalTool);
}

// ---- Tools ----------------------------------------------------------------------------

struct ToolRun {
  std::optional<AppError> notStarted;  // why the program could not be started
  bool success = false;                // exited with status 0
  std::string out;                     // standard output, when asked for
};

Task<ToolRun> runTool(std::vector<std::string> argv, bool readOutput) {
  ToolRun run;
  std::vector<const gchar*> args;
  for (const auto& a : argv) args.push_back(a.c_str());
  args.push_back(nullptr);
  GErrorPtr error;
  auto flags = readOutput ? G_SUBPROCESS_FLAGS_STDOUT_PIPE : G_SUBPROCESS_FLAGS_STDOUT_SILENCE;
  auto process = GObjectPtr<GSubprocess>::adopt(g_subprocess_newv(args.data(), flags, error.out()));
  if (!process) {
    run.notStarted = toAppError(error.get(), "未知错误");
    co_return run;
  }
  try {
    if (readOutput) {
      auto communicate = asyncCall<std::string>(
          [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
            g_subprocess_communicate_utf8_async(process.get(), nullptr, c, cb, data);
          },
          [](GObject* src, GAsyncResult* res, GError** error) {
            gchar* out = nullptr;
            std::string text;
            if (g_subprocess_communicate_utf8_finish(G_SUBPROCESS(src), res, &out, nullptr, error) && out)
              text = out;
            g_free(out);
            return text;
          });
      run.out = co_await communicate;
    } else {
      auto waitExit = asyncCall<bool>(
          [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
            g_subprocess_wait_async(process.get(), c, cb, data);
          },
          [](GObject* src, GAsyncResult* res, GError** error) {
            return bool(g_subprocess_wait_finish(G_SUBPROCESS(src), res, error));
          });
      co_await waitExit;
    }
  } catch (const AppError&) {
    co_return run;  // not a success: the file decides
  }
  run.success = g_subprocess_get_if_exited(process.get()) && g_subprocess_get_exit_status(process.get()) == 0;
  co_return run;
}

Task<ScreenCaptureResult> toolCapture(CaptureTool tool, std::string pngPath) {
  const std::string name = captureToolName(tool);
  std::vector<std::string> argv;
  switch (tool) {
    case CaptureTool::gnomeScreenshot: argv = {"gnome-screenshot", "-a", "-f", pngPath}; break;
    case CaptureTool::maim: argv = {"maim", "-s", pngPath}; break;
    case CaptureTool::grimSlurp: {
      auto select = runTool({"slurp"}, true);
      ToolRun selection = co_await select;
      if (selection.notStarted) co_return failed("slurp", selection.notStarted->message);
      std::string geometry = trimmed(selection.out);
      // slurp ends with status 1 and no geometry when the selection was cancelled.
      if (!selection.success || geometry.empty()) co_return cancelled(name);
      argv = {"grim", "-g", geometry, pngPath};
      break;
    }
  }
  // The exit status says nothing reliable across tools; the file does.
  auto capture = runTool(argv, false);
  ToolRun run = co_await capture;
  if (run.notStarted) co_return failed(argv[0], run.notStarted->message);
  struct stat st {};
  bool written = ::stat(pngPath.c_str(), &st) == 0 && st.st_size > 0;
  co_return written ? captured(name) : cancelled(name);
}

}  // namespace

// ---- Capture file ---------------------------------------------------------------------

std::unique_ptr<CaptureFile> CaptureFile::create() {
  std::string path = std::string(g_get_tmp_dir()) + "/quorvel-ocr-" + randomUpperUUID() + ".png";
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) {
    int code = errno;
    throw AppError(errors::kFile, code, failure::systemErrorText(code));
  }
  ::close(fd);
  return std::unique_ptr<CaptureFile>(new CaptureFile(path));
}

CaptureFile::~CaptureFile() { ::unlink(path_.c_str()); }

bool CaptureFile::hasContent() const {
  struct stat st {};
  return ::stat(path_.c_str(), &st) == 0 && st.st_size > 0;
}

// ---- Tools on PATH --------------------------------------------------------------------

std::string captureToolName(CaptureTool tool) {
  switch (tool) {
    case CaptureTool::gnomeScreenshot: return "gnome-screenshot";
    case CaptureTool::maim: return "maim";
    case CaptureTool::grimSlurp: return "grim";
  }
  return {};
}

std::vector<CaptureTool> installedCaptureTools() {
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  bool waylandSession = wayland && *wayland;
  std::vector<CaptureTool> order = {CaptureTool::gnomeScreenshot, CaptureTool::maim, CaptureTool::grimSlurp};
  if (waylandSession) order = {CaptureTool::gnomeScreenshot, CaptureTool::grimSlurp, CaptureTool::maim};
  std::vector<CaptureTool> found;
  for (auto tool : order) {
    bool present = tool == CaptureTool::grimSlurp ? onPath("grim") && onPath("slurp")
                                                  : onPath(captureToolName(tool).c_str());
    if (present) found.push_back(tool);
  }
  return found;
}

Task<ScreenCaptureResult> captureScreenRegion(std::string pngPath, ScreenCaptureOptions options) {
  std::optional<ScreenCaptureResult> viaPortal;
  if (options.usePortal) {
    auto portal = portalCapture(pngPath, options);
    viaPortal = co_await portal;
    if (viaPortal) co_return *viaPortal;
  }
  auto tools = installedCaptureTools();
  if (tools.empty()) co_return ended(errors::kNoCaptureTool, {}, "没有找到可用的截图方式");
  auto capture = toolCapture(tools.front(), pngPath);
  ScreenCaptureResult result = co_await capture;
  co_return result;
}

}  // namespace quorvel
