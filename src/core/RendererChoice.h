#pragma once
// Which renderer GTK draws the windows with. Without a GPU, OpenGL runs in software
// (llvmpipe and its kin) and costs start-up time and memory; the cairo renderer then
// draws the same windows faster.
#include <optional>
#include <string>

namespace quorvel {

struct RendererChoice {
  enum Kind { keepGtkChoice, useCairo } kind = keepGtkChoice;
  std::string reason;  // for the one log line
};

// `userSetting`: GSK_RENDERER when the user set it (always respected);
// `glRenderer`: the OpenGL renderer string, or nothing when OpenGL is not available.
RendererChoice chooseRenderer(const std::optional<std::string>& userSetting,
                              const std::optional<std::string>& glRenderer);

// A renderer string of a software OpenGL implementation.
bool isSoftwareGL(const std::string& glRenderer);

// What the probe at start found, for the web engine's own drawing: whether OpenGL
// runs in software (or is missing). Nothing when no probe ran (the user chose GTK's
// renderer): the engine then keeps its defaults.
void rememberSoftwareGL(std::optional<bool> software);
std::optional<bool> softwareGL();

}  // namespace quorvel
