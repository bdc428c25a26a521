#include "base/Task.h"

#include "base/AppError.h"

namespace quorvel {

void logEscapedTaskException(std::exception_ptr e) {
  try {
    std::rethrow_exception(e);
  } catch (const AppError& err) {
    logLine("TASK", "未处理的错误 " + err.domain + "/" + std::to_string(err.code) + "：" + err.message);
  } catch (const std::exception& err) {
    logLine("TASK", std::string("未处理的错误：") + err.what());
  } catch (...) {
    logLine("TASK", "未处理的未知错误");
  }
}

}  // namespace quorvel
