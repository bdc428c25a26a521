#include "platform/calendar/CalendarStoreFactory.h"

#include "base/AppError.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "platform/XdgDirs.h"
#include "platform/calendar/EdsCalendarStore.h"
#include "platform/calendar/SqliteCalendarStore.h"

namespace quorvel {

Task<std::unique_ptr<SystemCalendarStore>> openSystemCalendarStore(CalendarStoreOptions options) {
  std::string edsProblem = "未尝试";
  if (options.tryEds) {
    try {
      auto opening = EdsCalendarStore::open(options.edsTimeoutMs);
      std::unique_ptr<SystemCalendarStore> eds = co_await opening;
      logLine(tags::kCal, "日历存储：" + eds->backendDescription());
      co_return eds;
    } catch (const AppError& e) {
      edsProblem = e.message;
    }
  }
  auto folder = options.sqliteFolder.empty() ? xdg::dataHome() / "Quorvel" : options.sqliteFolder;
  std::unique_ptr<SystemCalendarStore> local = std::make_unique<SqliteCalendarStore>(folder);
  logLine(tags::kCal, "日历存储：" + local->backendDescription() + "（" + edsProblem + "）");
  co_return local;
}

}  // namespace quorvel
