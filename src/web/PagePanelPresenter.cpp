#include "web/PagePanelPresenter.h"

namespace quorvel {

void QuietPagePanels::showScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog) {
  auto type = webkit_script_dialog_get_dialog_type(dialog);
  if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM || type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM)
    webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
}

void QuietPagePanels::chooseFiles(WebKitWebView*, WebKitFileChooserRequest* request) {
  webkit_file_chooser_request_cancel(request);
}

}  // namespace quorvel
