#pragma once
// Ctrl+W closes the active tab and Ctrl+1 … Ctrl+9 select a tab of the workspace,
// whichever window of the process has the keyboard, before that window's page or
// controls see the key.
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/window.h>

#include <functional>
#include <memory>

#include "base/GLibPtr.h"
#include "core/BrowserModel.h"

namespace quorvel {

// The tab keys on one widget, in the capture phase. Returns the controller it added.
// `enabled`: when it answers false (the workspace is locked), the keys pass on untouched.
Glib::RefPtr<Gtk::EventControllerKey> installTabKeys(Gtk::Widget& widget, std::shared_ptr<BrowserModel> model,
                                                     std::function<bool()> enabled = {});

// The tab keys in every window of the process: those there already and each one made
// later, whether or not it belongs to the application (the tray panel does not).
// Dialogs keep the keys for their own controls. Dropping it takes the keys off again.
class WindowTabKeys {
 public:
  WindowTabKeys(std::shared_ptr<BrowserModel> model, std::function<bool()> enabled = {});
  ~WindowTabKeys();
  WindowTabKeys(const WindowTabKeys&) = delete;
  WindowTabKeys& operator=(const WindowTabKeys&) = delete;

  // An alert, a file chooser, a password prompt: a dialog, or a window that blocks
  // another while it is open.
  static bool isDialog(GtkWindow* window);

 private:
  void adopt(GtkWindow* window);
  static void onToplevelsChanged(GListModel* list, guint position, guint removed, guint added, gpointer self);

  std::weak_ptr<BrowserModel> model_;
  std::function<bool()> enabled_;
  GListModel* toplevels_ = nullptr;  // GTK's own list, not ours to free
  SignalHandler toplevelsChanged_;
};

}  // namespace quorvel
