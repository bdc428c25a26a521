#include "base/Task.h"

#include "base/AppError.h"
#include "base/LogTags.h"

namespace quorvel {

detail::PromiseBase*& detail::PromiseBase::running() {
  thread_local PromiseBase* current = nullptr;
  return current;
}

void logEscapedTaskException(std::exception_ptr e) {
  std::string where;
  try {
    std::rethrow_exception(e);
  } catch (const AppError& err) {
    where = " " + err.domain + "/" + std::to_string(err.code);  // the kind, for the log only
  } catch (...) {
  }
  logLine(tags::kTask, "未处理的错误" + where + "：" + describe(e), LogLevel::warning);
}

}  // namespace quorvel
