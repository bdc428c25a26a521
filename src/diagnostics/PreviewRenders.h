#pragma once
// Off-screen renders of the application's views, filled with sample data, written as
// PNG files to fixed paths (the RENDER_* switches); the application quits after.
#include <gdkmm/texture.h>
#include <gtkmm/widget.h>

#include <functional>
#include <string>
#include <vector>

#include "ui/editing/QuickArchiveView.h"
#include "ui/settings/SettingsView.h"

namespace quorvel {
namespace PreviewRenders {

// The application's services the views show; all of them outlive the render.
struct Services {
  // The settings sheet's, which also hold the calendar sync, the desktop calendar and
  // the privacy lock.
  SettingsServices settings;
  QuickArchiveServices archive;
  // What the samples' own mirror store is made with.
  MirrorServices mirror;
};

// The views, in the order RENDER_ALL writes them.
enum class View { sidebar, workspace, settings, todo, mirror, palette, shortcuts, quickCapture, archive, ocr, lock };

struct Target {
  View view;
  int width;
  int height;
  const char* path;
};
const std::vector<Target>& targets();

// The sets of the switches.
std::vector<View> allViews();
std::vector<View> sheetViews();  // to-do, mirror, palette, shortcuts

// One view (managed; taken over) drawn off screen at width × height in the light
// theme, whatever the desktop sets; `shown` runs once it is laid out, before it is
// drawn. Null when it could not be drawn.
Glib::RefPtr<Gdk::Texture> renderImage(Gtk::Widget& view, int width, int height,
                                       const std::function<void()>& shown = {});

// Renders `views` in order; a view that cannot be drawn is logged and skipped.
void render(const Services& services, const std::vector<View>& views);

// RENDER_ALL, RENDER_SHEETS, RENDER_SETTINGS, RENDER_SIDEBAR: render the set, then `quit`.
void renderAllAndExit(const Services& services, const std::function<void()>& quit);
void renderSheetsAndExit(const Services& services, const std::function<void()>& quit);
void renderSettingsAndExit(const Services& services, const std::function<void()>& quit);
void renderSidebarAndExit(const Services& services, const std::function<void()>& quit);

}  // namespace PreviewRenders
}  // namespace quorvel
