#pragma once
// The tray icon: the menu-bar balance scale with a light halo (so it reads on light
// and dark panels alike) and, when to-dos are overdue, a red count badge drawn in.
#include <cairo.h>

#include <string>
#include <vector>

#include "platform/StatusNotifierItem.h"

namespace quorvel {

// The sizes handed to the tray hosts; each picks the one nearest its panel.
inline constexpr int kTrayIconSizes[] = {22, 32, 48};

// The badge's text: empty below 1, the number up to 99, "99+" above.
std::string trayBadgeText(long long overdue);

// Draws the icon into (0,0,size,size) of the current user space.
void drawTrayIcon(cairo_t* cr, double size, long long overdue);

// One icon `size` pixels square, in the hosts' pixel format.
StatusNotifierPixmap trayIconPixmap(int size, long long overdue);
std::vector<StatusNotifierPixmap> trayIconPixmaps(long long overdue);

// A cairo image (premultiplied, native order) to the hosts' straight-alpha A,R,G,B bytes.
StatusNotifierPixmap pixmapFromSurface(cairo_surface_t* surface);

}  // namespace quorvel
