#include "web/PagePanelPresenter.h"

namespace quorvel {

void QuietPagePanels::showScriptDialog(WebKitWebView*, WebKitScriptDialog* dialog) {
  switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
      webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
      break;
    case WEBKIT_SCRIPT_DIALOG_PROMPT: {
      // Answered with its default text, as a person pressing OK would.
      const char* text = webkit_script_dialog_prompt_get_default_text(dialog);
      webkit_script_dialog_prompt_set_text(dialog, text ? text : "");
      break;
    }
    default:
      break;  // an alert is acknowledged by closing it
  }
}

void QuietPagePanels::chooseFiles(WebKitWebView*, WebKitFileChooserRequest* request) {
  webkit_file_chooser_request_cancel(request);
}

}  // namespace quorvel
