#pragma once
// Which renderer GTK draws the windows with. Without a GPU, OpenGL runs in software
// (llvmpipe and its kin) and costs start-up time and memory; the cairo renderer then
// draws the same windows faster.
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

struct RendererChoice {
  enum Kind { keepGtkChoice, useCairo } kind = keepGtkChoice;
  std::string reason;  // for the one log line
};

// `userSetting`: GSK_RENDERER when the user set it (always respected);
// `glRenderer`: the OpenGL renderer string, or nothing when OpenGL is not available.
RendererChoice chooseRenderer(const std::optional<std::string>& userSetting,
                              const std::optional<std::string>& glRenderer);

// Whether the machine has a GPU device node: a DRM node among the names under /dev/dri
// ("renderD128", "card0") or NVIDIA's own among those under /dev ("nvidia0"). Without
// one, OpenGL can only run in software.
bool hasGpuDevice(const std::vector<std::string>& driNames, const std::vector<std::string>& devNames);

// The whole rule. The user's GSK_RENDERER is kept and nothing is probed; without a GPU
// device the cairo renderer is chosen without probing (loading a software OpenGL only
// to learn it is software costs start-up time); otherwise `probe` (the OpenGL renderer
// string, nothing when OpenGL is not available) decides.
struct RendererDecision {
  RendererChoice choice;
  std::optional<bool> softwareGL;  // nothing when the user chose
};
RendererDecision decideRenderer(const std::optional<std::string>& userSetting, bool gpuDevice,
                                const std::function<std::optional<std::string>()>& probe);

// A renderer string of a software OpenGL implementation.
bool isSoftwareGL(const std::string& glRenderer);

}  // namespace quorvel
