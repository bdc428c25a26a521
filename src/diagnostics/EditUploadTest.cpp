#include "diagnostics/EditUploadTest.h"

#include "base/MainQueue.h"

namespace quorvel::EditUploadTest {
void run(std::function<void(nlohmann::json)> then) {
  postToMain([then] { then({{"result", "fail"}, {"reason", "编辑上传检查尚未在此版本中提供"}}); });
}
}  // namespace quorvel::EditUploadTest
