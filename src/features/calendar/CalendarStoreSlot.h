#pragma once
// The system calendar store the sync writes into, opened once on first use (EDS when
// it answers, else the SQLite store; the choice is logged) or given ready (tests).
// Every part of the sync reaches the store through this one slot. Main thread only.
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/Published.h"
#include "base/Task.h"
#include "platform/calendar/CalendarStoreFactory.h"
#include "platform/calendar/SystemCalendarStore.h"

namespace quorvel {

class CalendarStoreSlot {
 public:
  // Opens the store with these options on first use.
  explicit CalendarStoreSlot(CalendarStoreOptions options = {});
  ~CalendarStoreSlot();
  CalendarStoreSlot(const CalendarStoreSlot&) = delete;
  CalendarStoreSlot& operator=(const CalendarStoreSlot&) = delete;

  // Which store is in use, for the settings ("Evolution 数据服务…" / "本地日历存储…");
  // empty until the store is open.
  Published<std::string, CalendarStoreSlot> description;

  // The store, opened on the first call; later calls wait for the same store.
  Task<SystemCalendarStore*> ensureStore();
  // The open store, or nullptr before it is open.
  SystemCalendarStore* store() const { return store_.get(); }
  // Uses this store instead of opening one (tests: the fake).
  void setStore(std::unique_ptr<SystemCalendarStore> store);

 private:
  // ensureStore, bound to this slot's scope.
  Task<SystemCalendarStore*> ensureStoreImpl();
  CalendarStoreOptions options_;
  std::unique_ptr<SystemCalendarStore> store_;
  bool opening_ = false;
  std::vector<std::function<void()>> waiters_;
  // Its runs are the callers' chains: they ask it after each wait and go on only
  // while this exists.
  TaskScope scope_;
};

}  // namespace quorvel
