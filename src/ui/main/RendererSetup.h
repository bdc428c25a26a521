#pragma once

namespace quorvel {

// Picks GTK's renderer for this machine before the first window is made: GTK's own
// where OpenGL is hardware-accelerated, cairo where it runs in software; a
// GSK_RENDERER the user set is kept. Logs the choice once. Needs an initialised GTK.
void chooseGtkRenderer();

}  // namespace quorvel
