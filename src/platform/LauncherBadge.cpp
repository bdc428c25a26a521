#include "platform/LauncherBadge.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/AppError.h"
#include "base/Task.h"
#include "platform/SessionBus.h"

namespace quorvel::LauncherBadge {
namespace {
void emitUpdate(GDBusConnection* conn, long long count) {
  GVariantBuilder props;
  g_variant_builder_init(&props, G_VARIANT_TYPE("a{sv}"));
  g_variant_builder_add(&props, "{sv}", "count", g_variant_new_int64(count > 0 ? count : 0));
  g_variant_builder_add(&props, "{sv}", "count-visible", g_variant_new_boolean(count > 0));
  GError* error = nullptr;
  if (!g_dbus_connection_emit_signal(conn, nullptr, kObjectPath, kInterface, "Update",
                                     g_variant_new("(sa{sv})", kAppURI, &props), &error)) {
    logLine(tags::kNotify, std::string("角标更新失败：") + (error ? error->message : ""), LogLevel::warning);
    g_clear_error(&error);
  }
}

}  // namespace

namespace {
Task<void> update(long long count) {
  try {
    GDBusConnection* conn = co_await sessionBus();
    emitUpdate(conn, count);
  } catch (const AppError& e) {
    logLine(tags::kNotify, "角标更新失败：" + e.message, LogLevel::warning);
  }
}
}  // namespace

void setCount(long long count) { spawn(update(count)); }

}  // namespace quorvel::LauncherBadge
