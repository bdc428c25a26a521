#pragma once
#include <gtkmm/widget.h>
#include <gtkmm/window.h>

#include "core/Dialogs.h"

namespace quorvel {

// Alerts as message dialogs over the application's active window. A dialog belongs to
// the application too, so its shortcuts (Ctrl+Q quits) work while it has the focus.
class GtkDialogs : public Dialogs {
 public:
  void alert(const std::string& title, const std::string& text, const std::vector<std::string>& buttons,
             std::function<void(int)> onAnswer) override;
  // The same, over `parent` (nullptr: over the active window).
  void alertOver(Gtk::Window* parent, const std::string& title, const std::string& text,
                 const std::vector<std::string>& buttons, std::function<void(int)> onAnswer);

 private:
  std::shared_ptr<AlertGate> gate_ = std::make_shared<AlertGate>();
};

// An alert that belongs to the window holding `origin` (a question asked from a tool
// window stands over that window); with dialogs that show no windows, as alert() does.
void alertFrom(Gtk::Widget& origin, Dialogs& dialogs, const std::string& title, const std::string& text,
               const std::vector<std::string>& buttons, std::function<void(int)> onAnswer);

}  // namespace quorvel
