#include "ui/components/WidgetRender.h"

#include <gtk/gtk.h>
#include <gtkmm/settings.h>

#include <filesystem>

#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"

namespace quorvel {

long RenderedPixels::countDifferent(const RenderedPixels& a, const RenderedPixels& b) {
  if (a.width != b.width || a.height != b.height) return -1;
  long n = 0;
  for (size_t i = 0; i < a.argb.size(); ++i)
    if (a.argb[i] != b.argb[i]) ++n;
  return n;
}

RenderedPixels texturePixels(const Glib::RefPtr<Gdk::Texture>& texture) {
  RenderedPixels px;
  if (!texture) return px;
  px.width = texture->get_width();
  px.height = texture->get_height();
  px.argb.resize(static_cast<size_t>(px.width) * px.height);
  texture->download(reinterpret_cast<guchar*>(px.argb.data()), static_cast<gsize>(px.width) * 4);
  return px;
}

ScopedAnimationsOff::ScopedAnimationsOff() {
  if (auto settings = Gtk::Settings::get_default()) {
    previous_ = settings->property_gtk_enable_animations().get_value();
    settings->property_gtk_enable_animations().set_value(false);
  }
}

ScopedAnimationsOff::~ScopedAnimationsOff() {
  if (auto settings = Gtk::Settings::get_default())
    settings->property_gtk_enable_animations().set_value(previous_);
}

WidgetRenderHost::WidgetRenderHost(Gtk::Widget& content, int width, int height)
    : window_(std::make_unique<Gtk::Window>()), content_(content) {
  window_->set_decorated(false);
  window_->set_resizable(false);
  window_->set_title("Quorvel render");
  window_->set_default_size(width, height);
  content.set_can_target(false);
  window_->set_child(content);
}

// Renders go through cairo: the same pixels on every machine, and none of the GL
// renderer's shadow artifacts on software GL.
GskRenderer* WidgetRenderHost::offscreenRenderer() {
  if (renderer_) return renderer_;
  GtkNative* native = gtk_widget_get_native(GTK_WIDGET(window_->gobj()));
  GdkSurface* surface = native ? gtk_native_get_surface(native) : nullptr;
  if (!surface) return nullptr;
  GskRenderer* renderer = gsk_cairo_renderer_new();
  GError* error = nullptr;
  if (!gsk_renderer_realize(renderer, surface, &error)) {
    logLine(tags::kRender, std::string("renderer: ") + (error ? error->message : "?"));
    if (error) g_error_free(error);
    g_object_unref(renderer);
    return nullptr;
  }
  renderer_ = renderer;
  return renderer_;
}

WidgetRenderHost::~WidgetRenderHost() {
  if (renderer_) {
    gsk_renderer_unrealize(renderer_);
    g_object_unref(renderer_);
  }
  afterPaint_.disconnect();
  // A focused text field torn down with its window makes GTK read it half-destroyed.
  window_->unset_focus();
  window_->hide();
  window_->unset_child();
  window_.reset();
  drainMainLoop();
}

bool WidgetRenderHost::showAndWait(unsigned timeoutMs) {
  window_->present();
  const bool mapped = runMainLoopUntil([this] { return content_.get_mapped() && content_.get_width() > 0; },
                                       timeoutMs);
  if (!mapped) return false;
  if (!frameClock_) {
    frameClock_ = gtk_widget_get_frame_clock(GTK_WIDGET(window_->gobj()));
    if (!frameClock_) return false;
    afterPaint_ = SignalHandler(
        frameClock_, g_signal_connect_swapped(frameClock_, "after-paint",
                                              G_CALLBACK(+[](WidgetRenderHost* self) { ++self->framesPainted_; }), this));
  }
  return waitForFrame(timeoutMs);
}

bool WidgetRenderHost::waitForFrame(unsigned timeoutMs) {
  const unsigned target = framesPainted_ + 1;
  window_->queue_draw();
  return runMainLoopUntil([this, target] { return framesPainted_ >= target; }, timeoutMs);
}

Glib::RefPtr<Gdk::Texture> WidgetRenderHost::render(Gtk::Widget& widget) {
  GtkWidget* w = widget.gobj();
  if (!gtk_widget_get_mapped(w)) return {};
  GskRenderer* renderer = offscreenRenderer();
  if (!renderer) return {};

  GdkPaintable* paintable = gtk_widget_paintable_new(w);
  GdkPaintable* image = gdk_paintable_get_current_image(paintable);
  // The paintable's size is the widget's border box (get_width() would leave out
  // padding and border, and the snapshot would be scaled into it).
  const int width = gdk_paintable_get_intrinsic_width(image);
  const int height = gdk_paintable_get_intrinsic_height(image);
  if (width <= 0 || height <= 0) {
    g_object_unref(image);
    g_object_unref(paintable);
    return {};
  }
  GtkSnapshot* snapshot = gtk_snapshot_new();
  gdk_paintable_snapshot(image, snapshot, width, height);
  GskRenderNode* node = gtk_snapshot_free_to_node(snapshot);
  GdkTexture* texture = nullptr;
  if (node) {
    graphene_rect_t bounds = GRAPHENE_RECT_INIT(0, 0, static_cast<float>(width), static_cast<float>(height));
    texture = gsk_renderer_render_texture(renderer, node, &bounds);
    gsk_render_node_unref(node);
  }
  g_object_unref(image);
  g_object_unref(paintable);
  if (!texture) return {};
  return Glib::wrap(texture);  // takes the reference
}

bool saveTexturePng(const Glib::RefPtr<Gdk::Texture>& texture, const std::string& path) {
  if (!texture) return false;
  const std::filesystem::path target(path);
  std::error_code ec;
  if (target.has_parent_path()) std::filesystem::create_directories(target.parent_path(), ec);
  // Written next to the target and renamed, so a reader never sees half a file.
  const std::string tmp = path + ".tmp";
  if (!texture->save_to_png(tmp)) return false;
  std::filesystem::rename(tmp, target, ec);
  if (ec) {
    std::filesystem::remove(tmp, ec);
    return false;
  }
  return true;
}

Result<void> renderWidgetToPng(Gtk::Widget& content, const std::string& path) {
  auto fail = [&](int code, const std::string& why) {
    logLine(tags::kRender, why);
    return Result<void>(AppError(errors::kRender, code, why));
  };
  ScopedAnimationsOff noAnimations;
  WidgetRenderHost host(content);
  if (!host.showAndWait()) return fail(errors::kRenderNotDrawn, "window was not drawn in time");
  auto texture = host.render(content);
  if (!texture) return fail(errors::kRenderNoSnapshot, "snapshot failed");
  if (!saveTexturePng(texture, path)) return fail(errors::kRenderNotWritten, "could not write " + path);
  return {};
}

}  // namespace quorvel
