#include "core/RendererChoice.h"

#include <cctype>

#include "base/Url.h"

namespace quorvel {
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

bool hasGpuDevice(const std::vector<std::string>& driNames, const std::vector<std::string>& devNames) {
  for (const auto& n : driNames)
    if (n.rfind("renderD", 0) == 0 || n.rfind("card", 0) == 0) return true;
  for (const auto& n : devNames)
    if (n.size() > 6 && n.rfind("nvidia", 0) == 0 && std::isdigit(static_cast<unsigned char>(n[6]))) return true;
  return false;
}

RendererDecision decideRenderer(const std::optional<std::string>& userSetting, bool gpuDevice,
                                const std::function<std::optional<std::string>()>& probe) {
  if (userSetting && !userSetting->empty()) return {chooseRenderer(userSetting, std::nullopt), std::nullopt};
  if (!gpuDevice)
    return {{RendererChoice::useCairo, "未发现图形设备（/dev/dri），OpenGL 只能以软件运行，使用 cairo 绘制"}, true};
  auto gl = probe();
  return {chooseRenderer(std::nullopt, gl), !gl || isSoftwareGL(*gl)};
}

}  // namespace quorvel
