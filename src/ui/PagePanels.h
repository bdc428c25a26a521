#pragma once
#include <gtk/gtk.h>
#include <webkit/webkit.h>

namespace quorvel::PagePanels {

// The page's alert, confirm and prompt, as modal dialogs titled "墨衡台".
// The page continues once the user answers.
void show(GtkWindow* parent, WebKitScriptDialog* dialog);
// The page's file input: a file chooser whose answer goes back to the page.
void chooseFiles(GtkWindow* parent, WebKitFileChooserRequest* request);

}  // namespace quorvel::PagePanels
