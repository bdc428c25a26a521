#include "ui/main/RendererSetup.h"

#include <epoxy/gl.h>
#include <gtk/gtk.h>

#include <optional>
#include <string>

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
}  // namespace

void chooseGtkRenderer() {
  const char* user = g_getenv("GSK_RENDERER");
  std::optional<std::string> userSetting = user ? std::optional<std::string>(user) : std::nullopt;
  std::optional<std::string> gl;
  if (!userSetting) gl = probeGL();
  RendererChoice choice = chooseRenderer(userSetting, gl);
  rememberSoftwareGL(userSetting ? std::nullopt : std::optional<bool>(!gl || isSoftwareGL(*gl)));
  // GTK reads it whenever it makes a window's renderer.
  if (choice.kind == RendererChoice::useCairo) g_setenv("GSK_RENDERER", "cairo", TRUE);
  logLine(tags::kWindow, "绘制方式：" + choice.reason);
}

}  // namespace quorvel
