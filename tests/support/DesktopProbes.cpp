#include "TestEnv.h"
#include "DesktopProbes.h"

#include <gtest/gtest.h>

#include <cstdio>

#include "base/MainQueue.h"

namespace quorvel::test {

std::string commandOutput(const std::string& command) {
  std::string out;
  if (FILE* p = popen(command.c_str(), "r")) {
    char buf[512];
    while (size_t n = fread(buf, 1, sizeof buf, p)) out.append(buf, n);
    pclose(p);
  }
  return out;
}

std::vector<std::string> lines(const std::string& text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) out.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return out;
}

std::vector<std::string> windowsOnScreen() {
  return lines(commandOutput("xdotool search --onlyvisible --name . getwindowname %@ 2>/dev/null"));
}

bool waitForWindow(const std::string& title, unsigned ms) {
  return runMainLoopUntil(
      [&] {
        for (const auto& t : windowsOnScreen())
          if (t == title) return true;
        return false;
      },
      scaledWait(ms));
}

std::string registeredTrayItems() {
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  if (!bus) {
    g_clear_error(&error);
    return {};
  }
  GVariant* reply = g_dbus_connection_call_sync(
      bus, "org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher", "org.freedesktop.DBus.Properties", "Get",
      g_variant_new("(ss)", "org.kde.StatusNotifierWatcher", "RegisteredStatusNotifierItems"), G_VARIANT_TYPE("(v)"),
      G_DBUS_CALL_FLAGS_NONE, 2000, nullptr, &error);
  g_object_unref(bus);
  std::string out;
  if (!reply) {
    g_clear_error(&error);
    return out;
  }
  GVariant* value = nullptr;
  g_variant_get(reply, "(v)", &value);
  gsize n = 0;
  const gchar** items = g_variant_get_strv(value, &n);
  for (gsize i = 0; i < n; ++i) out += std::string(items[i]) + "\n";
  g_free(items);
  g_variant_unref(value);
  g_variant_unref(reply);
  return out;
}

GVariantPtr callSync(const std::string& name, const std::string& path, const std::string& iface,
                     const std::string& method, GVariant* params, const GVariantType* reply) {
  GErrorPtr error;
  auto* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, error.out());
  if (!bus) return {};
  GVariant* out = g_dbus_connection_call_sync(bus, name.c_str(), path.c_str(), iface.c_str(), method.c_str(), params,
                                              reply, G_DBUS_CALL_FLAGS_NONE, 5000, nullptr, error.out());
  g_object_unref(bus);
  EXPECT_FALSE(error) << method << ": " << error.message();
  return GVariantPtr(out);
}

std::string trayItem() {
  std::string found;
  runMainLoopUntil(
      [&] {
        for (const auto& item : lines(registeredTrayItems()))
          if (item.find("org.kde.StatusNotifierItem-") != std::string::npos) found = item.substr(0, item.find('/'));
        return !found.empty();
      },
      10000);
  return found;
}

int trayMenuRow(const std::string& item, const std::string& label) {
  const char* allProperties[] = {nullptr};
  auto reply = callSync(item, "/MenuBar", "com.canonical.dbusmenu", "GetLayout",
                        g_variant_new("(ii^as)", 0, -1, allProperties), G_VARIANT_TYPE("(u(ia{sv}av))"));
  if (!reply) return -1;
  GVariantPtr root(g_variant_get_child_value(reply.get(), 1));
  GVariantPtr children(g_variant_get_child_value(root.get(), 2));
  for (gsize i = 0; i < g_variant_n_children(children.get()); ++i) {
    GVariantPtr boxed(g_variant_get_child_value(children.get(), i));
    GVariantPtr child(g_variant_get_variant(boxed.get()));
    GVariantPtr props(g_variant_get_child_value(child.get(), 1));
    int id = 0;
    const char* text = nullptr;
    g_variant_get_child(child.get(), 0, "i", &id);
    if (g_variant_lookup(props.get(), "label", "&s", &text) && std::string(text).rfind(label, 0) == 0) return id;
  }
  return -1;
}

}  // namespace quorvel::test
