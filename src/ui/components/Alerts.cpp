#include "ui/components/Alerts.h"

#include <gtkmm/application.h>
#include <gtkmm/init.h>
#include <gtkmm/messagedialog.h>

#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"

namespace quorvel {
namespace {
bool isAlert(Gtk::Window* w) { return dynamic_cast<Gtk::MessageDialog*>(w) != nullptr; }

// The application's focused window, else its most recently focused one, that is not
// an alert itself (alerts belong to the application too).
Gtk::Window* activeWindow() {
  auto app = std::dynamic_pointer_cast<Gtk::Application>(Gio::Application::get_default());
  if (!app) return nullptr;
  auto windows = app->get_windows();
  for (Gtk::Window* w : windows)
    if (w->get_visible() && w->is_active() && !isAlert(w)) return w;
  for (Gtk::Window* w : windows)
    if (w->get_visible() && !isAlert(w)) return w;
  // The window focused last may be hidden now (the main window closed to the
  // background): such an alert has no window to stand over yet.
  Gtk::Window* last = app->get_active_window();
  return last && last->get_visible() ? last : nullptr;
}

// An alert that came while no window of the application was shown belongs to the
// first one shown after it (the main window coming back): it goes above that window,
// as its alert, and never stays hidden behind it holding the window's keys.
class OrphanAlert {
 public:
  explicit OrphanAlert(Gtk::MessageDialog& dialog) : dialog_(dialog) {
    auto app = std::dynamic_pointer_cast<Gtk::Application>(Gio::Application::get_default());
    // Hidden windows too: the application lists only the shown ones.
    for (Gtk::Window* w : Gtk::Window::list_toplevels()) follow(w);
    // A main window made anew counts too.
    if (app) connections_.push_back(app->signal_window_added().connect([this](Gtk::Window* w) { follow(w); }));
  }
  OrphanAlert(const OrphanAlert&) = delete;
  OrphanAlert& operator=(const OrphanAlert&) = delete;

 private:
  void follow(Gtk::Window* w) {
    if (w == &dialog_ || isAlert(w)) return;
    connections_.push_back(w->signal_show().connect([this, w] { adopt(*w); }));
  }
  void adopt(Gtk::Window& parent) {
    end();
    dialog_.set_transient_for(parent);
    if (auto app = parent.get_application()) dialog_.set_application(app);
    if (dialog_.get_visible()) dialog_.present();
    logLine(tags::kWindow, "提示框「" + std::string(dialog_.property_text().get_value()) + "」随重新显示的窗口置于其上");
  }
  void end() { connections_.clear(); }

  Gtk::MessageDialog& dialog_;
  std::vector<ScopedConnection> connections_;
};

// The shown window that holds the control.
Gtk::Window* windowOf(AlertOwner owner) {
  if (!owner.handle) return nullptr;
  auto* widget = static_cast<GtkWidget*>(const_cast<void*>(owner.handle));
  if (!GTK_IS_WIDGET(widget)) return nullptr;
  GtkRoot* root = gtk_widget_get_root(widget);
  if (!root || !GTK_IS_WINDOW(root) || !gtk_widget_get_visible(GTK_WIDGET(root))) return nullptr;
  return Glib::wrap(GTK_WINDOW(root));
}
}  // namespace

AlertOwner alertOwner(Gtk::Widget& control) { return AlertOwner{control.gobj()}; }

void alertFrom(Gtk::Widget& origin, Dialogs& dialogs, const std::string& title, const std::string& text,
               const std::vector<std::string>& buttons, std::function<void(int)> onAnswer) {
  dialogs.alertOver(alertOwner(origin), title, text, buttons, std::move(onAnswer));
}

void GtkDialogs::alert(const std::string& title, const std::string& text, const std::vector<std::string>& buttons,
                       std::function<void(int)> onAnswer) {
  show(activeWindow(), title, text, buttons, std::move(onAnswer));
}

void GtkDialogs::alertOver(AlertOwner owner, const std::string& title, const std::string& text,
                           const std::vector<std::string>& buttons, std::function<void(int)> onAnswer) {
  Gtk::Window* parent = windowOf(owner);
  show(parent ? parent : activeWindow(), title, text, buttons, std::move(onAnswer));
}

void GtkDialogs::show(Gtk::Window* parent, const std::string& title, const std::string& text,
                      const std::vector<std::string>& buttons, std::function<void(int)> onAnswer) {
  if (!gate_->open(title, text)) {
    if (onAnswer) postToMain([onAnswer] { onAnswer(-1); });
    return;
  }
  // Safe to repeat; needed when GTK was started without a gtkmm application.
  Gtk::init_gtkmm_internals();
  auto* dialog = new Gtk::MessageDialog(title, false, Gtk::MessageType::INFO, Gtk::ButtonsType::NONE, true);
  if (parent) {
    dialog->set_transient_for(*parent);
    // Application shortcuts reach only the application's windows.
    if (auto app = parent->get_application()) dialog->set_application(app);
  }
  if (!text.empty()) dialog->set_secondary_text(text);
  // No window to stand over yet: the first one shown takes it.
  std::shared_ptr<OrphanAlert> orphan = parent ? nullptr : std::make_shared<OrphanAlert>(*dialog);
  std::vector<std::string> labels = buttons.empty() ? std::vector<std::string>{"好"} : buttons;
  for (size_t i = 0; i < labels.size(); ++i) dialog->add_button(labels[i], static_cast<int>(i));
  dialog->set_default_response(0);
  int count = static_cast<int>(labels.size());
  std::weak_ptr<AlertGate> gate = gate_;
  dialog->signal_response().connect([dialog, onAnswer, count, gate, title, text, orphan](int response) mutable {
    orphan.reset();
    if (auto g = gate.lock()) g->close(title, text);
    dialog->hide();
    // The dialog is freed on a later turn, after its signal emission is over.
    postToMain([dialog] { delete dialog; });
    if (onAnswer) onAnswer(response >= 0 && response < count ? response : -1);
  });
  dialog->present();
}

}  // namespace quorvel
