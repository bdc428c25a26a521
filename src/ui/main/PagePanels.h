#pragma once
#include <gtk/gtk.h>
#include <webkit/webkit.h>

#include "web/PagePanelPresenter.h"

namespace quorvel {

namespace PagePanels {
// The page's alert, confirm and prompt, as modal dialogs titled "墨衡台".
// The page continues once the user answers.
void show(GtkWindow* parent, WebKitScriptDialog* dialog);
// The page's file input: a file chooser whose answer goes back to the page.
void chooseFiles(GtkWindow* parent, WebKitFileChooserRequest* request);
}  // namespace PagePanels

// The page's panels as windows of their own, modal to the tab's window.
class GtkPagePanels : public PagePanelPresenter {
 public:
  void showScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog) override;
  void chooseFiles(WebKitWebView* view, WebKitFileChooserRequest* request) override;
};

}  // namespace quorvel
