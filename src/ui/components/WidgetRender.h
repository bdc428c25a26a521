#pragma once
// Rendering widgets to images: hosts a widget tree in a window of its own just long
// enough to lay it out and draw it, snapshots a widget through the window's renderer
// and writes PNG files. Used by the component gallery, its tests and view renders.

#include <gdkmm/texture.h>
#include <gtkmm/widget.h>
#include <gtkmm/window.h>
#include <gsk/gsk.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/GLibPtr.h"
#include "base/Result.h"

namespace quorvel {

// Pixels of a rendered image, premultiplied ARGB32 in native byte order (cairo's).
struct RenderedPixels {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> argb;

  uint32_t at(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
  static int alpha(uint32_t p) { return static_cast<int>(p >> 24); }
  // Pixels that differ between two images of the same size (-1 when sizes differ).
  static long countDifferent(const RenderedPixels& a, const RenderedPixels& b);
};

RenderedPixels texturePixels(const Glib::RefPtr<Gdk::Texture>& texture);

// Turns GTK animations off for the object's lifetime, so states drawn right after a
// change show their end look instead of a transition's first frame.
class ScopedAnimationsOff {
 public:
  ScopedAnimationsOff();
  ~ScopedAnimationsOff();
  ScopedAnimationsOff(const ScopedAnimationsOff&) = delete;
  ScopedAnimationsOff& operator=(const ScopedAnimationsOff&) = delete;

 private:
  bool previous_ = true;
};

// A window of its own around `content`. The pointer is kept out of the content so
// states set on its widgets stay as set.
class WidgetRenderHost {
 public:
  // width/height -1: the content's natural size.
  explicit WidgetRenderHost(Gtk::Widget& content, int width = -1, int height = -1);
  ~WidgetRenderHost();
  WidgetRenderHost(const WidgetRenderHost&) = delete;
  WidgetRenderHost& operator=(const WidgetRenderHost&) = delete;

  // Shows the window and iterates the main loop until it was laid out and painted.
  bool showAndWait(unsigned timeoutMs = 5000);
  // Waits for the next painted frame (after a state change).
  bool waitForFrame(unsigned timeoutMs = 2000);
  // Snapshot of `widget` (the content or any widget inside it) at its border-box size;
  // null when it is not mapped.
  Glib::RefPtr<Gdk::Texture> render(Gtk::Widget& widget);
  Gtk::Window& window() { return *window_; }

 private:
  GskRenderer* offscreenRenderer();

  std::unique_ptr<Gtk::Window> window_;
  GskRenderer* renderer_ = nullptr;
  Gtk::Widget& content_;
  unsigned framesPainted_ = 0;
  SignalHandler afterPaint_;
  GdkFrameClock* frameClock_ = nullptr;
};

bool saveTexturePng(const Glib::RefPtr<Gdk::Texture>& texture, const std::string& path);

// Hosts `content` (takes ownership of a managed widget), renders it and writes a PNG.
// Fails with errors::kRender when the window could not be drawn or the file not written.
Result<void> renderWidgetToPng(Gtk::Widget& content, const std::string& path);

}  // namespace quorvel
