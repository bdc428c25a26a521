#include "core/Dialogs.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"

namespace quorvel {

void LoggingDialogs::alert(const std::string& title, const std::string& text, const std::vector<std::string>&,
                           std::function<void(int)> onAnswer) {
  if (!gate_->open(title, text)) {
    if (onAnswer) postToMain([onAnswer] { onAnswer(-1); });
    return;
  }
  logLine(tags::kAlert, title + "：" + text);
  std::weak_ptr<AlertGate> gate = gate_;
  postToMain([gate, title, text, onAnswer] {
    if (auto g = gate.lock()) g->close(title, text);
    if (onAnswer) onAnswer(-1);
  });
}

void alertOpenFailure(Dialogs& dialogs, const std::optional<OpenFailure>& failure) {
  if (failure) dialogs.alert("无法打开", failure->reason + "\n\n" + failure->target, {"好"}, {});
}

Task<int> ask(Dialogs& dialogs, std::string title, std::string text, std::vector<std::string> buttons) {
  co_return co_await ask(dialogs, AlertOwner{}, std::move(title), std::move(text), std::move(buttons));
}

Task<int> ask(Dialogs& dialogs, AlertOwner owner, std::string title, std::string text,
              std::vector<std::string> buttons) {
  // The start runs at once, inside the await, while the parameters live in this frame.
  CallbackAwaiter<int> answer([&](CallbackAwaiter<int>::Resolver resolve) {
    if (owner.handle) dialogs.alertOver(owner, title, text, buttons, std::move(resolve));
    else dialogs.alert(title, text, buttons, std::move(resolve));
  });
  co_return co_await answer;
}

}  // namespace quorvel
