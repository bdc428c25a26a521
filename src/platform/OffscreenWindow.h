#pragma once
// A toplevel the user never sees: override-redirect (no window manager places or
// decorates it) and kept far outside every screen. The window is still mapped, so
// a web view inside lays out and renders at its real size.
struct _XDisplay;

namespace quorvel::OffscreenWindow {

// Object data a toolkit window used this way carries (any non-null value): nobody sees
// it, so nothing hides it on the user's behalf.
inline constexpr const char* kObjectDataKey = "quorvel-offscreen-window";

// Call on a realised, not yet mapped window.
void makeOverrideRedirect(_XDisplay* display, unsigned long xid);
// Moves and sizes the window (screen pixels); for an override-redirect window this
// is final, no window manager intervenes.
void place(_XDisplay* display, unsigned long xid, int x, int y, int width, int height);

}  // namespace quorvel::OffscreenWindow
