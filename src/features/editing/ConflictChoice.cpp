#include "features/editing/ConflictChoice.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"

namespace quorvel {

void LoggingConflictPresenter::open(const std::string& rel, const std::filesystem::path&, Completion completion) {
  logLine(tags::kEdit, "比对窗口不可用，按取消处理：" + rel, LogLevel::warning);
  if (completion) postToMain([completion] { completion(ConflictChoice::cancel); });
}

}  // namespace quorvel
