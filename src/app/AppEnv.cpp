#include "app/AppEnv.h"

#include <cstdlib>

#include "app/AppServices.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/BrowserModel.h"

namespace quorvel::AppEnv {

std::shared_ptr<BrowserModel> browserPtr() {
  AppServices* services = AppServices::current();
  if (!services) {
    logLine(tags::kApp, "内部错误：应用服务尚未建立", LogLevel::warning);
    std::abort();
  }
  return services->browser();
}

BrowserModel& browser() { return *browserPtr(); }

}  // namespace quorvel::AppEnv
