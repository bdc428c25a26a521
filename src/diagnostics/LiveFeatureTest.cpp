#include "diagnostics/LiveFeatureTest.h"

#include "base/Log.h"
#include "base/MainQueue.h"
#include "diagnostics/Reports.h"

namespace quorvel::LiveFeatureTest {
void start(bool liveTestSwitch, std::shared_ptr<BrowserModel>, std::function<void()> quit) {
  if (!liveTestSwitch) return;
  logLine("LIVETEST", "启动实时检查");
  postToMainAfter(2500, [quit] {
    writeDiagnosticReport({{"ok", false}, {"error", "实时检查尚未在此版本中提供"}}, "livetest.json", "[LIVETEST]");
    quit();
  });
}
}  // namespace quorvel::LiveFeatureTest
