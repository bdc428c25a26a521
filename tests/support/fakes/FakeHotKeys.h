#pragma once
// A hot-key service whose answers a test sets and whose presses it makes.
#include <map>
#include <set>

#include "platform/HotKeys.h"

namespace quorvel::test {

class FakeHotKeys : public HotKeys {
 public:
  // Answers of the next calls.
  bool listenFails = false;
  std::set<int> taken;  // ids another program holds

  // What the manager did.
  int handlers = 0;  // listening handlers installed and not yet removed
  int unregisterCalls = 0;
  std::map<int, HotKeyCombo> held;

  HotKeyResult listen(PressedHandler onPressed) override {
    if (listenFails) return {false, -1, "没有可用的显示服务器"};
    ++handlers;  // listening twice without stopping shows up as two
    handler_ = std::move(onPressed);
    return {true, 0, {}};
  }
  void stopListening() override {
    if (handlers > 0) --handlers;
    handler_ = nullptr;
  }
  HotKeyResult registerKey(int id, const HotKeyCombo& combo) override {
    if (taken.count(id)) return {false, 10, "已被其他程序占用"};
    held[id] = combo;
    return {true, 0, {}};
  }
  void unregisterAll() override {
    ++unregisterCalls;
    held.clear();
  }

  // The user presses the combination registered under `id`.
  void press(int id) {
    if (handler_ && held.count(id)) handler_(id);
  }

 private:
  PressedHandler handler_;
};

}  // namespace quorvel::test
