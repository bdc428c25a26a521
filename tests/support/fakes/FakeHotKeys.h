#pragma once
// A hot-key service whose answers a test sets and whose presses it makes.
#include <map>
#include <set>

#include "platform/HotKeys.h"

namespace quorvel::test {

struct FakeHotKeys : HotKeys {
  std::set<int> taken;  // ids another program holds
  int handlers = 0;     // listening twice without stopping shows as two
  std::map<int, HotKeyCombo> held;
  PressedHandler handler;

  HotKeyResult listen(PressedHandler h) override {
    ++handlers;
    handler = std::move(h);
    return {true, 0, {}};
  }
  void stopListening() override {
    if (handlers > 0) --handlers;
    handler = nullptr;
  }
  HotKeyResult registerKey(int id, const HotKeyCombo& combo) override {
    if (taken.count(id)) return {false, 10, "已被其他程序占用"};
    held[id] = combo;
    return {true, 0, {}};
  }
  void unregisterAll() override { held.clear(); }
  void press(int id) {
    if (handler && held.count(id)) handler(id);
  }
};

}  // namespace quorvel::test
