#pragma once
// The component gallery: every shared component in every state and every drawn icon
// at its sizes, laid out on one page. The client has one (light) scheme; the dark
// sidebar look is shown on its own backdrop.

#include <gtkmm/widget.h>

#include <string>

#include "base/Result.h"

namespace quorvel {

// A managed widget tree. States (hover, pressed, focus) are set directly on the
// widgets, so the page must be shown with the pointer kept out (WidgetRenderHost does).
Gtk::Widget* makeComponentGallery();

// Builds the gallery, renders it and writes a PNG. Installs the shared style first.
Result<void> renderComponentGalleryPng(const std::string& path);

}  // namespace quorvel
