#include "ui/components/Alerts.h"

#include <gtkmm/application.h>
#include <gtkmm/init.h>
#include <gtkmm/messagedialog.h>

#include "base/Log.h"
#include "base/MainQueue.h"

namespace quorvel {
namespace {
// The application's most recently focused window that is not an alert itself (alerts
// belong to the application too).
Gtk::Window* activeWindow() {
  auto app = std::dynamic_pointer_cast<Gtk::Application>(Gio::Application::get_default());
  if (!app) return nullptr;
  for (Gtk::Window* w : app->get_windows())
    if (w->get_visible() && !dynamic_cast<Gtk::MessageDialog*>(w)) return w;
  return app->get_active_window();
}
}  // namespace

void GtkDialogs::alert(const std::string& title, const std::string& text, const std::vector<std::string>& buttons,
                       std::function<void(int)> onAnswer) {
  alertOver(nullptr, title, text, buttons, std::move(onAnswer));
}

void alertFrom(Gtk::Widget& origin, Dialogs& dialogs, const std::string& title, const std::string& text,
               const std::vector<std::string>& buttons, std::function<void(int)> onAnswer) {
  auto* gtk = dynamic_cast<GtkDialogs*>(&dialogs);
  if (!gtk) {
    dialogs.alert(title, text, buttons, std::move(onAnswer));
    return;
  }
  gtk->alertOver(dynamic_cast<Gtk::Window*>(origin.get_root()), title, text, buttons, std::move(onAnswer));
}

void GtkDialogs::alertOver(Gtk::Window* over, const std::string& title, const std::string& text,
                           const std::vector<std::string>& buttons, std::function<void(int)> onAnswer) {
  if (!gate_->open(title, text)) {
    if (onAnswer) postToMain([onAnswer] { onAnswer(-1); });
    return;
  }
  // Safe to repeat; needed when GTK was started without a gtkmm application.
  Gtk::init_gtkmm_internals();
  auto* dialog = new Gtk::MessageDialog(title, false, Gtk::MessageType::INFO, Gtk::ButtonsType::NONE, true);
  if (Gtk::Window* parent = over ? over : activeWindow()) {
    dialog->set_transient_for(*parent);
    // Application shortcuts reach only the application's windows.
    if (auto app = parent->get_application()) dialog->set_application(app);
  }
  if (!text.empty()) dialog->set_secondary_text(text);
  std::vector<std::string> labels = buttons.empty() ? std::vector<std::string>{"好"} : buttons;
  for (size_t i = 0; i < labels.size(); ++i) dialog->add_button(labels[i], static_cast<int>(i));
  dialog->set_default_response(0);
  int count = static_cast<int>(labels.size());
  std::weak_ptr<AlertGate> gate = gate_;
  dialog->signal_response().connect([dialog, onAnswer, count, gate, title, text](int response) {
    if (auto g = gate.lock()) g->close(title, text);
    dialog->hide();
    // The dialog is freed on a later turn, after its signal emission is over.
    postToMain([dialog] { delete dialog; });
    if (onAnswer) onAnswer(response >= 0 && response < count ? response : -1);
  });
  dialog->present();
}

}  // namespace quorvel
