#pragma once
// A hot-key service whose answers a test sets and whose presses it makes. What it
// records lives in a State the test may hold on to: the manager that owns the fake
// may be gone by the time the test looks.
#include <map>
#include <memory>
#include <set>

#include "base/ErrorDomains.h"
#include "platform/HotKeys.h"

namespace quorvel::test {

struct FakeHotKeys : HotKeys {
  struct State {
    std::set<int> taken;  // ids another program holds
    int handlers = 0;     // listening twice without stopping shows as two
    std::map<int, HotKeyCombo> held;
    PressedHandler handler;
    void press(int id) {
      if (handler && held.count(id)) handler(id);
    }
  };
  std::shared_ptr<State> state = std::make_shared<State>();

  HotKeyResult listen(PressedHandler h) override {
    ++state->handlers;
    state->handler = std::move(h);
    return {};
  }
  void stopListening() override {
    if (state->handlers > 0) --state->handlers;
    state->handler = nullptr;
  }
  HotKeyResult registerKey(int id, const HotKeyCombo& combo) override {
    if (state->taken.count(id)) return {AppError(errors::kHotKeys, 10, "已被其他程序占用")};
    state->held[id] = combo;
    return {};
  }
  void unregisterAll() override { state->held.clear(); }
};

}  // namespace quorvel::test
