#include "ui/main/TabKeys.h"

#include <gtk/gtk.h>

#include "ui/model/TabStripRules.h"

namespace quorvel {
namespace {

// The controller this mechanism put on a window, kept on the window itself.
constexpr const char* kControllerKey = "quorvel-tab-keys";

struct KeyTarget {
  std::weak_ptr<BrowserModel> model;
  std::function<bool()> enabled;
  // The window the keys are on, when dialogs among the windows keep their keys.
  GtkWindow* passIfDialog = nullptr;
};

TabStripRules::KeyPress keyPress(guint keyval, GdkModifierType state) {
  auto has = [state](unsigned bit) { return (state & bit) == bit; };
  TabStripRules::KeyPress key;
  key.control = has(GDK_CONTROL_MASK);
  key.shift = has(GDK_SHIFT_MASK);
  key.alt = has(GDK_ALT_MASK);
  key.super = has(GDK_SUPER_MASK) || has(GDK_META_MASK) || has(GDK_HYPER_MASK);
  key.capsLock = has(GDK_LOCK_MASK);
  key.keypad = keyval >= GDK_KEY_KP_Space && keyval <= GDK_KEY_KP_9;
  if (gunichar c = gdk_keyval_to_unicode(gdk_keyval_to_lower(keyval))) {
    char utf8[8] = {};
    key.characters.assign(utf8, static_cast<size_t>(g_unichar_to_utf8(c, utf8)));
  }
  return key;
}

gboolean onKeyPressed(GtkEventControllerKey*, guint keyval, guint, GdkModifierType state, gpointer data) {
  auto* target = static_cast<KeyTarget*>(data);
  auto model = target->model.lock();
  if (!model || (target->enabled && !target->enabled())) return FALSE;
  if (target->passIfDialog && WindowTabKeys::isDialog(target->passIfDialog)) return FALSE;
  auto decision = TabStripRules::decideTabKey(keyPress(keyval, state));
  switch (decision.kind) {
    case TabStripRules::TabKeyDecision::pass: return FALSE;
    case TabStripRules::TabKeyDecision::closeActive:
      if (auto tab = model->activeTab()) model->close(tab);
      return TRUE;
    case TabStripRules::TabKeyDecision::selectTab: model->selectTab(decision.position); return TRUE;
  }
  return FALSE;
}

// C only: a window is handed over while GTK is still constructing it, before gtkmm
// has tied its own wrapper to it.
GtkEventController* addTabKeys(GtkWidget* widget, KeyTarget target) {
  GtkEventController* keys = gtk_event_controller_key_new();
  gtk_event_controller_set_propagation_phase(keys, GTK_PHASE_CAPTURE);
  g_signal_connect_data(keys, "key-pressed", G_CALLBACK(onKeyPressed), new KeyTarget(std::move(target)),
                        [](gpointer data, GClosure*) { delete static_cast<KeyTarget*>(data); }, GConnectFlags(0));
  gtk_widget_add_controller(widget, keys);  // the widget owns it from here
  return keys;
}

}  // namespace

Glib::RefPtr<Gtk::EventControllerKey> installTabKeys(Gtk::Widget& widget, std::shared_ptr<BrowserModel> model,
                                                     std::function<bool()> enabled) {
  GtkEventController* keys = addTabKeys(widget.gobj(), KeyTarget{model, std::move(enabled)});
  return Glib::wrap(GTK_EVENT_CONTROLLER_KEY(keys), /*take_copy=*/true);
}

WindowTabKeys::WindowTabKeys(std::shared_ptr<BrowserModel> model, std::function<bool()> enabled)
    : model_(model), enabled_(std::move(enabled)), toplevels_(gtk_window_get_toplevels()) {
  const guint n = g_list_model_get_n_items(toplevels_);
  for (guint i = 0; i < n; ++i) {
    auto* window = static_cast<GtkWindow*>(g_list_model_get_item(toplevels_, i));
    adopt(window);
    g_object_unref(window);
  }
  toplevelsChanged_ =
      SignalHandler(toplevels_, g_signal_connect(toplevels_, "items-changed", G_CALLBACK(onToplevelsChanged), this));
}

WindowTabKeys::~WindowTabKeys() {
  toplevelsChanged_.disconnect();
  const guint n = g_list_model_get_n_items(toplevels_);
  for (guint i = 0; i < n; ++i) {
    auto* window = static_cast<GtkWindow*>(g_list_model_get_item(toplevels_, i));
    if (auto* keys = static_cast<GtkEventController*>(g_object_get_data(G_OBJECT(window), kControllerKey))) {
      g_object_set_data(G_OBJECT(window), kControllerKey, nullptr);
      gtk_widget_remove_controller(GTK_WIDGET(window), keys);
    }
    g_object_unref(window);
  }
}

bool WindowTabKeys::isDialog(GtkWindow* window) {
  G_GNUC_BEGIN_IGNORE_DEPRECATIONS
  const bool dialog = GTK_IS_DIALOG(window);
  G_GNUC_END_IGNORE_DEPRECATIONS
  return dialog || gtk_window_get_modal(window);
}

void WindowTabKeys::adopt(GtkWindow* window) {
  if (g_object_get_data(G_OBJECT(window), kControllerKey)) return;
  GtkEventController* keys = addTabKeys(GTK_WIDGET(window), KeyTarget{model_, enabled_, window});
  g_object_set_data(G_OBJECT(window), kControllerKey, keys);
}

void WindowTabKeys::onToplevelsChanged(GListModel* list, guint position, guint, guint added, gpointer self) {
  for (guint i = position; i < position + added; ++i) {
    auto* window = static_cast<GtkWindow*>(g_list_model_get_item(list, i));
    static_cast<WindowTabKeys*>(self)->adopt(window);
    g_object_unref(window);
  }
}

}  // namespace quorvel
