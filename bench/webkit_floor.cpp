// The floor of the start-up comparison: a bare GTK 4 window holding one WebKitGTK web
// view that loads the address it is given, nothing else. It draws as Quorvel does on
// the same machine (cairo and no OpenGL in the window process where there is no GPU
// device), so the distance between the two is Quorvel's own.
#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include <filesystem>
#include <string>

namespace {
std::string url;
bool noGpu = false;

bool hasGpuDevice() {
  std::error_code ec;
  for (const auto& e : std::filesystem::directory_iterator("/dev/dri", ec)) {
    auto n = e.path().filename().string();
    if (n.rfind("renderD", 0) == 0 || n.rfind("card", 0) == 0) return true;
  }
  return std::filesystem::exists("/dev/nvidia0", ec);
}

void activate(GtkApplication* app, gpointer) {
  if (noGpu) g_unsetenv("GDK_DEBUG");  // the web processes keep the environment
  GtkWidget* window = gtk_application_window_new(app);
  gtk_window_set_default_size(GTK_WINDOW(window), 1280, 800);
  WebKitSettings* settings = webkit_settings_new();
  if (noGpu) webkit_settings_set_hardware_acceleration_policy(settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
  GtkWidget* view = GTK_WIDGET(g_object_new(WEBKIT_TYPE_WEB_VIEW, "settings", settings, nullptr));
  g_object_unref(settings);
  gtk_window_set_child(GTK_WINDOW(window), view);
  webkit_web_view_load_uri(WEBKIT_WEB_VIEW(view), url.c_str());
  gtk_window_present(GTK_WINDOW(window));
}
}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    g_printerr("usage: %s URL\n", argv[0]);
    return 2;
  }
  url = argv[1];
  noGpu = !g_getenv("GSK_RENDERER") && !hasGpuDevice();
  if (noGpu) {
    g_setenv("GSK_RENDERER", "cairo", TRUE);
    g_setenv("GDK_DEBUG", "gl-disable", TRUE);
  }
  GtkApplication* app = gtk_application_new("cn.quorvel.bench.floor", G_APPLICATION_NON_UNIQUE);
  g_signal_connect(app, "activate", G_CALLBACK(activate), nullptr);
  int status = g_application_run(G_APPLICATION(app), 1, argv);
  g_object_unref(app);
  return status;
}
