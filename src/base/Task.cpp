#include "base/Task.h"

#include "base/AppError.h"
#include "base/LogTags.h"

namespace quorvel {

void logEscapedTaskException(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const AppError& err) {
    logLine(tags::kTask, "未处理的错误 " + err.domain + "/" + std::to_string(err.code) + "：" + err.message, LogLevel::warning);
  } catch (const std::exception& err) {
    logLine(tags::kTask, std::string("未处理的错误：") + err.what(), LogLevel::warning);
  } catch (...) {
    logLine(tags::kTask, "未处理的未知错误", LogLevel::warning);
  }
}

}  // namespace quorvel
