#pragma once
namespace quorvel {
// The CSS of the preview window, the progress panel and the volume dialogs, added to
// the display once.
void installPreviewStyle();
}  // namespace quorvel
