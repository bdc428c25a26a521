#include "ui/main/PagePanels.h"

#include <string>
#include <vector>

#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {
namespace {
struct DialogState {
  WebKitScriptDialog* dialog;
  GtkWidget* entry = nullptr;
};

void onResponse(GtkDialog* d, int response, gpointer data) {
  auto* st = static_cast<DialogState*>(data);
  auto type = webkit_script_dialog_get_dialog_type(st->dialog);
  bool ok = response == GTK_RESPONSE_OK;
  if (type == WEBKIT_SCRIPT_DIALOG_CONFIRM || type == WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM) {
    webkit_script_dialog_confirm_set_confirmed(st->dialog, ok);
  } else if (type == WEBKIT_SCRIPT_DIALOG_PROMPT && ok && st->entry) {
    webkit_script_dialog_prompt_set_text(st->dialog, gtk_editable_get_text(GTK_EDITABLE(st->entry)));
  }
  webkit_script_dialog_close(st->dialog);
  webkit_script_dialog_unref(st->dialog);
  delete st;
  gtk_window_destroy(GTK_WINDOW(d));
}


GtkWindow* windowOf(WebKitWebView* view) {
  GtkRoot* root = view ? gtk_widget_get_root(GTK_WIDGET(view)) : nullptr;
  return root && GTK_IS_WINDOW(root) ? GTK_WINDOW(root) : nullptr;
}
}  // namespace

namespace PagePanels {
void show(GtkWindow* parent, WebKitScriptDialog* dialog) {
  auto type = webkit_script_dialog_get_dialog_type(dialog);
  if (parent) gtk_window_present(parent);
  GtkWidget* d = gtk_message_dialog_new(parent, GTK_DIALOG_MODAL, GTK_MESSAGE_OTHER, GTK_BUTTONS_NONE, "墨衡台");
  gtk_message_dialog_format_secondary_text(GTK_MESSAGE_DIALOG(d), "%s", webkit_script_dialog_get_message(dialog));
  auto* st = new DialogState{webkit_script_dialog_ref(dialog)};
  if (type == WEBKIT_SCRIPT_DIALOG_ALERT) {
    gtk_dialog_add_button(GTK_DIALOG(d), "确定", GTK_RESPONSE_OK);
  } else {
    gtk_dialog_add_button(GTK_DIALOG(d), "确定", GTK_RESPONSE_OK);
    gtk_dialog_add_button(GTK_DIALOG(d), "取消", GTK_RESPONSE_CANCEL);
  }
  gtk_dialog_set_default_response(GTK_DIALOG(d), GTK_RESPONSE_OK);
  if (type == WEBKIT_SCRIPT_DIALOG_PROMPT) {
    GtkWidget* entry = gtk_entry_new();
    const char* def = webkit_script_dialog_prompt_get_default_text(dialog);
    gtk_editable_set_text(GTK_EDITABLE(entry), def ? def : "");
    gtk_widget_set_size_request(entry, 320, 24);
    gtk_entry_set_activates_default(GTK_ENTRY(entry), TRUE);
    GtkWidget* area = gtk_message_dialog_get_message_area(GTK_MESSAGE_DIALOG(d));
    gtk_box_append(GTK_BOX(area), entry);
    st->entry = entry;
  }
  g_signal_connect(d, "response", G_CALLBACK(onResponse), st);
  gtk_window_present(GTK_WINDOW(d));
  if (st->entry) {
    gtk_widget_grab_focus(st->entry);
    gtk_editable_select_region(GTK_EDITABLE(st->entry), 0, -1);
  }
}

void chooseFiles(GtkWindow* parent, WebKitFileChooserRequest* request) {
  bool multi = webkit_file_chooser_request_get_select_multiple(request);
  GtkFileChooserNative* chooser =
      gtk_file_chooser_native_new("选择文件", parent, GTK_FILE_CHOOSER_ACTION_OPEN, "选择", "取消");
  gtk_file_chooser_set_select_multiple(GTK_FILE_CHOOSER(chooser), multi);
  gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser), TRUE);
  g_object_ref(request);
  g_signal_connect(chooser, "response", G_CALLBACK(+[](GtkNativeDialog* dlg, int response, gpointer data) {
                     auto* req = static_cast<WebKitFileChooserRequest*>(data);
                     if (response == GTK_RESPONSE_ACCEPT) {
                       GListModel* files = gtk_file_chooser_get_files(GTK_FILE_CHOOSER(dlg));
                       std::vector<std::string> paths;
                       for (guint i = 0; i < g_list_model_get_n_items(files); ++i) {
                         GFile* f = G_FILE(g_list_model_get_item(files, i));
                         if (gchar* p = g_file_get_path(f)) {
                           paths.emplace_back(p);
                           g_free(p);
                         }
                         g_object_unref(f);
                       }
                       g_object_unref(files);
                       std::vector<const char*> argv;
                       for (auto& p : paths) argv.push_back(p.c_str());
                       argv.push_back(nullptr);
                       logLine(tags::kUpload, "已选 " + std::to_string(paths.size()) + " 项");
                       webkit_file_chooser_request_select_files(req, argv.data());
                     } else {
                       webkit_file_chooser_request_cancel(req);
                     }
                     g_object_unref(req);
                     g_object_unref(dlg);
                   }),
                   request);
  gtk_native_dialog_show(GTK_NATIVE_DIALOG(chooser));
}
}  // namespace PagePanels


void GtkPagePanels::showScriptDialog(WebKitWebView* view, WebKitScriptDialog* dialog) { PagePanels::show(windowOf(view), dialog); }

void GtkPagePanels::chooseFiles(WebKitWebView* view, WebKitFileChooserRequest* request) {
  bool multi = webkit_file_chooser_request_get_select_multiple(request);
  logLine(tags::kUpload, std::string("打开文件选择框 multi=") + (multi ? "1" : "0") + " dir=0");
  PagePanels::chooseFiles(windowOf(view), request);
}

}  // namespace quorvel
