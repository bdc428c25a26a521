#pragma once
#include "core/Dialogs.h"

namespace quorvel {

// Alerts as message dialogs over the application's active window. A dialog belongs to
// the application too, so its shortcuts (Ctrl+Q quits) work while it has the focus.
class GtkDialogs : public Dialogs {
 public:
  void alert(const std::string& title, const std::string& text, const std::vector<std::string>& buttons,
             std::function<void(int)> onAnswer) override;

 private:
  std::shared_ptr<AlertGate> gate_ = std::make_shared<AlertGate>();
};

}  // namespace quorvel
