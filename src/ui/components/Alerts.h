#pragma once
#include "core/Dialogs.h"

namespace quorvel {

// Alerts as message dialogs over the application's active window.
class GtkDialogs : public Dialogs {
 public:
  void alert(const std::string& title, const std::string& text, const std::vector<std::string>& buttons,
             std::function<void(int)> onAnswer) override;
};

}  // namespace quorvel
