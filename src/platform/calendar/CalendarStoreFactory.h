#pragma once
// Chooses the system calendar store once at start: Evolution Data Server when its
// registry answers within the time-out, otherwise our own SQLite store. The choice is
// logged ("[Quorvel][CAL] 日历存储：…") and told by backendDescription().
#include <filesystem>
#include <memory>

#include "base/Task.h"
#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel {

struct CalendarStoreOptions {
  // Folder of the SQLite store; empty: $XDG_DATA_HOME/Quorvel.
  std::filesystem::path sqliteFolder;
  unsigned edsTimeoutMs = 5000;
  bool tryEds = true;
};

// Never fails: the SQLite store is the last resort (its own errors surface on use).
Task<std::unique_ptr<SystemCalendarStore>> openSystemCalendarStore(CalendarStoreOptions options = {});

}  // namespace quorvel
