#pragma once
#include <optional>
#include <string>

#include "core/RendererChoice.h"

namespace quorvel {

// Picks GTK's renderer for this machine before the first window is made: GTK's own
// where OpenGL is hardware-accelerated, cairo where it runs in software; a
// GSK_RENDERER the user set is kept. Logs the choice once.
//
// In two halves. Before GTK starts: on a machine without a GPU device the choice is
// made here, and GTK is told to leave OpenGL alone for this process (the software
// driver is never loaded). After GTK's start: the probe, where it is still needed, and
// the log line; the environment the web processes inherit is restored.
class RendererSetup {
 public:
  void prepareBeforeGtk();
  void chooseAfterGtkStart();
  // Whether OpenGL runs in software (or is missing), for the web engine's own drawing;
  // nothing when no probe ran (the user chose GTK's renderer).
  std::optional<bool> softwareGL() const { return softwareGL_; }

 private:
  struct EarlyChoice {
    RendererDecision decision;
    std::optional<std::string> gdkDebug;  // the value to give back after GTK's start
  };
  // What the first half decided, until the second half applies it.
  std::optional<EarlyChoice> early_;
  std::optional<bool> softwareGL_;
};

}  // namespace quorvel
