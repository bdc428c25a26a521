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

}  // namespace quorvel
