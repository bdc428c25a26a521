#include "core/RendererChoice.h"

#include "base/Url.h"

namespace quorvel {
namespace {
std::optional<bool>& softwareGLSlot() {
  static std::optional<bool> value;
  return value;
}
}  // namespace

void rememberSoftwareGL(std::optional<bool> software) { softwareGLSlot() = software; }
std::optional<bool> softwareGL() { return softwareGLSlot(); }

bool isSoftwareGL(const std::string& glRenderer) {
  const std::string r = toLowerAscii(glRenderer);
  for (const char* soft : {"llvmpipe", "softpipe", "swrast", "software rasterizer", "lavapipe"})
    if (r.find(soft) != std::string::npos) return true;
  return false;
}

RendererChoice chooseRenderer(const std::optional<std::string>& userSetting,
                              const std::optional<std::string>& glRenderer) {
  if (userSetting && !userSetting->empty()) return {RendererChoice::keepGtkChoice, "用户设置 GSK_RENDERER=" + *userSetting};
  if (!glRenderer) return {RendererChoice::useCairo, "没有可用的 OpenGL，使用 cairo 绘制"};
  if (isSoftwareGL(*glRenderer))
    return {RendererChoice::useCairo, "OpenGL 为软件实现（" + *glRenderer + "），改用 cairo 绘制"};
  return {RendererChoice::keepGtkChoice, "OpenGL 硬件加速（" + *glRenderer + "）"};
}

}  // namespace quorvel
