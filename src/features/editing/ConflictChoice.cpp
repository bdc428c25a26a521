#include "features/editing/ConflictChoice.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"

namespace quorvel {
namespace {

ConflictPresenter*& installed() {
  static ConflictPresenter* presenter = nullptr;
  return presenter;
}

// Without a window nothing is decided: the caller hears `cancel`, never inside its own call.
class LoggingConflictPresenter : public ConflictPresenter {
 public:
  void open(const std::string& rel, const std::filesystem::path&, Completion completion) override {
    logLine(tags::kEdit, "版本比对窗口不可用，按取消处理：" + rel, LogLevel::warning);
    postToMain([completion = std::move(completion)] {
      if (completion) completion(ConflictChoice::cancel);
    });
  }
};

}  // namespace

ConflictPresenter& ConflictPresenter::shared() {
  if (auto* p = installed()) return *p;
  static LoggingConflictPresenter fallback;
  return fallback;
}

void ConflictPresenter::install(ConflictPresenter* presenter) { installed() = presenter; }

}  // namespace quorvel
