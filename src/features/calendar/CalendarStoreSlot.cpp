#include "features/calendar/CalendarStoreSlot.h"

namespace quorvel {

CalendarStoreSlot::CalendarStoreSlot(CalendarStoreOptions options) : options_(std::move(options)) {}

CalendarStoreSlot::~CalendarStoreSlot() = default;

void CalendarStoreSlot::setStore(std::unique_ptr<SystemCalendarStore> store) {
  store_ = std::move(store);
  description.set(store_ ? store_->backendDescription() : "");
}

Task<SystemCalendarStore*> CalendarStoreSlot::ensureStore() { return scope_.bind(ensureStoreImpl()); }

Task<SystemCalendarStore*> CalendarStoreSlot::ensureStoreImpl() {
  if (store_) co_return store_.get();
  if (opening_) {
    CallbackAwaiter<bool> waiting([this](CallbackAwaiter<bool>::Resolver resolve) {
      waiters_.push_back([resolve] { resolve(true); });
    });
    co_await waiting;
    co_return store_.get();
  }
  opening_ = true;
  auto opening = openSystemCalendarStore(options_);
  auto opened = co_await opening;
  opening_ = false;
  setStore(std::move(opened));
  for (auto& wake : std::exchange(waiters_, {})) wake();
  co_return store_.get();
}

}  // namespace quorvel
