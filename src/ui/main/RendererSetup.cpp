#include "ui/main/RendererSetup.h"

#include <epoxy/gl.h>
#include <gtk/gtk.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/RendererChoice.h"

namespace quorvel {
namespace {
// The OpenGL renderer string of a context GDK makes for the display; nothing when
// OpenGL is not to be had.
std::optional<std::string> probeGL() {
  GdkDisplay* display = gdk_display_get_default();
  if (!display) return std::nullopt;
  GErrorPtr error;
  auto context = GObjectPtr<GdkGLContext>::adopt(gdk_display_create_gl_context(display, error.out()));
  if (!context || !gdk_gl_context_realize(context, error.out())) return std::nullopt;
  gdk_gl_context_make_current(context);
  const auto* name = reinterpret_cast<const char*>(glGetString(GL_RENDERER));
  std::optional<std::string> result = name ? std::optional<std::string>(name) : std::nullopt;
  gdk_gl_context_clear_current();
  return result;
}

std::vector<std::string> entryNames(const char* dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  return names;
}

std::optional<std::string> userRenderer() {
  const char* user = g_getenv("GSK_RENDERER");
  return user ? std::optional<std::string>(user) : std::nullopt;
}

void apply(const RendererDecision& d) {
  // GTK reads it whenever it makes a window's renderer.
  if (d.choice.kind == RendererChoice::useCairo) g_setenv("GSK_RENDERER", "cairo", TRUE);
  logLine(tags::kWindow, "绘制方式：" + d.choice.reason);
}
}  // namespace

void RendererSetup::prepareBeforeGtk() {
  auto user = userRenderer();
  if (user && !user->empty()) return;
  if (hasGpuDevice(entryNames("/dev/dri"), entryNames("/dev"))) return;  // the probe decides
  EarlyChoice early{decideRenderer(user, false, [] { return std::nullopt; }), std::nullopt};
  const char* debug = g_getenv("GDK_DEBUG");
  if (debug) early.gdkDebug = debug;
  std::string flags = debug && *debug ? std::string(debug) + ",gl-disable" : "gl-disable";
  g_setenv("GDK_DEBUG", flags.c_str(), TRUE);
  g_setenv("GSK_RENDERER", "cairo", TRUE);
  early_ = std::move(early);
}

void RendererSetup::chooseAfterGtkStart() {
  if (auto& early = early_) {
    // GTK has read it; the web processes keep the user's own environment.
    if (early->gdkDebug)
      g_setenv("GDK_DEBUG", early->gdkDebug->c_str(), TRUE);
    else
      g_unsetenv("GDK_DEBUG");
    apply(early->decision);
    softwareGL_ = early->decision.softwareGL;
    early.reset();
    return;
  }
  auto decision = decideRenderer(userRenderer(), true, probeGL);
  apply(decision);
  softwareGL_ = decision.softwareGL;
}

}  // namespace quorvel
