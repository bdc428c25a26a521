#pragma once
// The quick-archive window's CSS (colours from LawTheme), installed once per display.
namespace quorvel {
void installQuickArchiveStyle();
}
