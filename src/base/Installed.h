#pragma once
// The one instance of a process-wide service, installed by the composition root
// for its lifetime. Lower layers reach it through the service's own `shared()`
// accessor without knowing who built it.
#include <cassert>

namespace quorvel {

template <class T>
class Installed {
 public:
  static T* get() { return slot(); }
  static void install(T& instance) { slot() = &instance; }
  // Only the installed instance can remove itself (a stale owner changes nothing).
  static void uninstall(T& instance) {
    if (slot() == &instance) slot() = nullptr;
  }

 private:
  static T*& slot() {
    static T* p = nullptr;
    return p;
  }
};

}  // namespace quorvel
