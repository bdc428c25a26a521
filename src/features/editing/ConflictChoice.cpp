#include "features/editing/ConflictChoice.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"

namespace quorvel {

namespace {
// Headless runs: no window to compare in, so the comparison ends as cancelled.
class LoggingConflictPresenter : public ConflictPresenter {
 public:
  void open(const std::string& rel, const std::filesystem::path&, Completion completion) override {
    logLine(tags::kEdit, "比对窗口不可用，按取消处理：" + rel, LogLevel::warning);
    if (completion) postToMain([completion] { completion(ConflictChoice::cancel); });
  }
};

ConflictPresenter*& slot() {
  static ConflictPresenter* p = nullptr;
  return p;
}
}  // namespace

ConflictPresenter& ConflictPresenter::shared() {
  if (ConflictPresenter* p = slot()) return *p;
  static LoggingConflictPresenter fallback;
  return fallback;
}

void ConflictPresenter::install(ConflictPresenter* presenter) { slot() = presenter; }

}  // namespace quorvel
