#include "platform/Desktop.h"

#include <gio/gio.h>

#include <cstdlib>

#include "core/Log.h"

namespace quorvel::Desktop {

bool openURI(const std::string& uri) {
  // Tests and diagnostics must not start other programs.
  if (const char* v = std::getenv("QUORVEL_NO_EXTERNAL_OPEN"); v && std::string(v) == "1") {
    logLine("OPEN", "（测试）未打开外部链接 " + uri);
    return true;
  }
  GError* err = nullptr;
  if (!g_app_info_launch_default_for_uri(uri.c_str(), nullptr, &err)) {
    logLine("OPEN", "无法打开 " + uri + "：" + (err ? err->message : "未知错误"));
    g_clear_error(&err);
    return false;
  }
  logLine("OPEN", "已用系统默认程序打开 " + uri);
  return true;
}

void revealFile(const std::filesystem::path& file) {
  if (const char* v = std::getenv("QUORVEL_NO_EXTERNAL_OPEN"); v && std::string(v) == "1") {
    logLine("OPEN", "（测试）未在文件管理器中显示 " + file.string());
    return;
  }
  gchar* uri = g_filename_to_uri(file.c_str(), nullptr, nullptr);
  if (!uri) return;
  std::string fileUri = uri;
  g_free(uri);
  GError* err = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &err);
  bool shown = false;
  if (bus) {
    const char* uris[] = {fileUri.c_str(), nullptr};
    GVariant* reply = g_dbus_connection_call_sync(
        bus, "org.freedesktop.FileManager1", "/org/freedesktop/FileManager1", "org.freedesktop.FileManager1",
        "ShowItems", g_variant_new("(^ass)", uris, ""), nullptr, G_DBUS_CALL_FLAGS_NONE, 3000, nullptr, &err);
    if (reply) {
      shown = true;
      g_variant_unref(reply);
    }
    g_clear_error(&err);
    g_object_unref(bus);
  } else {
    g_clear_error(&err);
  }
  if (!shown) {
    gchar* dir = g_filename_to_uri(file.parent_path().c_str(), nullptr, nullptr);
    if (dir) {
      openURI(dir);
      g_free(dir);
    }
  }
}

}  // namespace quorvel::Desktop
