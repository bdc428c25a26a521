#include "diagnostics/SelfTest.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "diagnostics/Reports.h"

namespace quorvel::SelfTest {
void start(bool selfTestSwitch, std::shared_ptr<BrowserModel>, std::function<void()> quit) {
  if (!selfTestSwitch) return;
  logLine(tags::kSelfTest, std::string("启动自检 v") + AppConfig::kVersion);
  postToMainAfter(3000, [quit] {
    writeDiagnosticReport({{"result", "fail"}, {"failures", {"notBuilt"}}}, "selftest.json", "[SELFTEST]");
    quit();
  });
}
}  // namespace quorvel::SelfTest
