#pragma once
// Alerts as the features need them; the windowed implementation lives in ui/.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Task.h"
#include "core/AlertGate.h"

namespace quorvel {

class Dialogs {
 public:
  virtual ~Dialogs() = default;

  // A small alert: `title` as the headline, `text` below it, one button per entry of
  // `buttons` in that order. Returns at once; `onAnswer` runs on the main thread with
  // the index of the button pressed, or -1 when the alert was dismissed otherwise.
  // While the same title and text are shown, the alert is not shown again (answered
  // with -1 on a later turn).
  virtual void alert(const std::string& title, const std::string& text,
                     const std::vector<std::string>& buttons = {"好"}, std::function<void(int)> onAnswer = {}) = 0;
};

// alert() awaited: the index of the button pressed, or -1 when the alert was
// dismissed otherwise. The one bridge from the callback to a coroutine.
Task<int> ask(Dialogs& dialogs, std::string title, std::string text, std::vector<std::string> buttons = {"好"});

// Shows nothing: the alert is logged as "[Quorvel][ALERT] title：text" and answered
// with -1 on a later turn (diagnostic and test runs). Until then it counts as shown.
class LoggingDialogs : public Dialogs {
 public:
  void alert(const std::string& title, const std::string& text, const std::vector<std::string>& buttons,
             std::function<void(int)> onAnswer) override;

 private:
  std::shared_ptr<AlertGate> gate_ = std::make_shared<AlertGate>();
};

}  // namespace quorvel
