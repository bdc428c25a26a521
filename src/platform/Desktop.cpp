#include "platform/Desktop.h"

#include <gio/gio.h>

#include "base/AppError.h"
#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/Task.h"
#include "platform/SessionBus.h"

namespace quorvel {
namespace {
constexpr int kShowItemsTimeoutMs = 3000;

std::string fileURI(const std::filesystem::path& p) {
  GCharPtr uri(g_filename_to_uri(p.c_str(), nullptr, nullptr));
  return uri ? uri.get() : std::string();
}

std::optional<OpenFailure> openWithDefaultApp(const std::string& uri) {
  // A file address whose file is gone: said plainly rather than in the library's words.
  GCharPtr path(g_filename_from_uri(uri.c_str(), nullptr, nullptr));
  if (path && !g_file_test(path.get(), G_FILE_TEST_EXISTS)) {
    OpenFailure failure{path.get(), "这个位置不存在，可能已被移动或删除"};
    logLine(tags::kOpen, "无法打开 " + uri + "：" + failure.reason, LogLevel::warning);
    return failure;
  }
  GErrorPtr err;
  if (!g_app_info_launch_default_for_uri(uri.c_str(), nullptr, err.out())) {
    logLine(tags::kOpen, "无法打开 " + uri + "：" + err.message(), LogLevel::warning);
    std::string reason;
    if (err.get() && g_error_matches(err.get(), G_IO_ERROR, G_IO_ERROR_NOT_SUPPORTED))
      reason = "系统里没有可以打开它的程序（没有设置默认的文件管理器或应用）";
    else if (err.get() && g_error_matches(err.get(), G_IO_ERROR, G_IO_ERROR_NOT_FOUND))
      reason = "这个位置不存在，可能已被移动或删除";
    else
      reason = "系统未能打开它（" + err.message() + "）";
    return OpenFailure{openTargetText(uri), reason};
  }
  logLine(tags::kOpen, "已用系统默认程序打开 " + uri);
  return std::nullopt;
}

// Needs nothing of the desktop object: a file manager may answer after it went.
Task<void> reveal(std::filesystem::path file) {
  std::string uri = fileURI(file);
  if (uri.empty()) co_return;
  bool shown = false;
  try {
    GDBusConnection* bus = co_await sessionBus();
    const char* uris[] = {uri.c_str(), nullptr};
    GVariantPtr reply = co_await dbusCall(bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1",
                                          "org.freedesktop.FileManager1", "ShowItems",
                                          g_variant_new("(^ass)", uris, ""), nullptr, kShowItemsTimeoutMs);
    shown = true;
  } catch (const AppError& e) {
    logLine(tags::kOpen, "文件管理器未响应（" + e.message + "），改为打开所在文件夹");
  }
  if (!shown) {
    std::string dir = fileURI(file.parent_path());
    if (!dir.empty()) openWithDefaultApp(dir);
  }
}
}  // namespace

std::string openTargetText(const std::string& uri) {
  GCharPtr path(g_filename_from_uri(uri.c_str(), nullptr, nullptr));
  return path ? std::string(path.get()) : uri;
}

bool SystemDesktop::openURI(const std::string& uri) { return !openWithDefaultApp(uri); }

std::optional<OpenFailure> SystemDesktop::tryOpen(const std::string& uri) { return openWithDefaultApp(uri); }

void SystemDesktop::revealFile(const std::filesystem::path& file) { spawn(reveal(file)); }

bool LoggingDesktop::openURI(const std::string& uri) {
  logLine(tags::kOpen, "（测试）未打开外部链接 " + uri);
  return true;
}

void LoggingDesktop::revealFile(const std::filesystem::path& file) {
  logLine(tags::kOpen, "（测试）未在文件管理器中显示 " + file.string());
}

}  // namespace quorvel
