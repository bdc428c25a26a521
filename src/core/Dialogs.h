#pragma once
// Alerts as the features need them; the windowed implementation lives in ui/.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Task.h"
#include "core/AlertGate.h"
#include "platform/Desktop.h"

namespace quorvel {

// The window an alert belongs over: a handle the ui layer makes from the control that
// asked (opaque here). Empty: the application's active window.
struct AlertOwner {
  const void* handle = nullptr;
};

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
  // The same alert over the window `owner` stands for; where windows are not ours to
  // choose, as alert().
  virtual void alertOver(AlertOwner owner, const std::string& title, const std::string& text,
                         const std::vector<std::string>& buttons, std::function<void(int)> onAnswer) {
    (void)owner;
    alert(title, text, buttons, std::move(onAnswer));
  }
};

// alert() awaited: the index of the button pressed, or -1 when the alert was
// dismissed otherwise. The one bridge from the callback to a coroutine.
Task<int> ask(Dialogs& dialogs, std::string title, std::string text, std::vector<std::string> buttons = {"好"});
// The same over the window `owner` stands for.
Task<int> ask(Dialogs& dialogs, AlertOwner owner, std::string title, std::string text,
              std::vector<std::string> buttons = {"好"});

// An open that failed where no window of its own can say it (a menu command, a key):
// an alert with the reason and the path. Nothing when it opened.
void alertOpenFailure(Dialogs& dialogs, const std::optional<OpenFailure>& failure);

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
