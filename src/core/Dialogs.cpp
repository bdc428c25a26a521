#include "core/Dialogs.h"

#include "base/Installed.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"

namespace quorvel {

Dialogs& Dialogs::shared() {
  if (Dialogs* d = Installed<Dialogs>::get()) return *d;
  static LoggingDialogs fallback;
  return fallback;
}

void LoggingDialogs::alert(const std::string& title, const std::string& text, const std::vector<std::string>&,
                           std::function<void(int)> onAnswer) {
  logLine(tags::kAlert, title + "：" + text);
  if (onAnswer) postToMain([onAnswer] { onAnswer(-1); });
}

}  // namespace quorvel
