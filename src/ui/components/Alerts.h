#pragma once
#include <gtkmm/widget.h>

#include "core/Dialogs.h"

namespace quorvel {

// Alerts as message dialogs over a window of the application: the window of the
// control that asked (alertOver), else the focused one. A dialog belongs to the
// application too, so its shortcuts (Ctrl+Q quits) work while it has the focus.
class GtkDialogs : public Dialogs {
 public:
  void alert(const std::string& title, const std::string& text, const std::vector<std::string>& buttons,
             std::function<void(int)> onAnswer) override;
  void alertOver(AlertOwner owner, const std::string& title, const std::string& text,
                 const std::vector<std::string>& buttons, std::function<void(int)> onAnswer) override;

 private:
  void show(Gtk::Window* parent, const std::string& title, const std::string& text,
            const std::vector<std::string>& buttons, std::function<void(int)> onAnswer);
  std::shared_ptr<AlertGate> gate_ = std::make_shared<AlertGate>();
};

// The owner handle of the window that holds `control`, for Dialogs::alertOver and ask.
// Valid while the control lives; the alert reads it at once.
AlertOwner alertOwner(Gtk::Widget& control);
// An alert over the window that holds `origin` (a question asked from a tool window
// stands over that window).
void alertFrom(Gtk::Widget& origin, Dialogs& dialogs, const std::string& title, const std::string& text,
               const std::vector<std::string>& buttons, std::function<void(int)> onAnswer);

}  // namespace quorvel
