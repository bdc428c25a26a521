#pragma once
// A web store whose cookies a test sets; clearing is recorded and may be held back.
#include <vector>

#include "core/WebStore.h"

namespace quorvel::test {

class FakeWebStore : public WebStore {
 public:
  std::vector<NativeCookie> stored;
  int clears = 0;

  Task<std::vector<NativeCookie>> cookies() override { co_return stored; }
  Task<void> clearWebData() override {
    ++clears;
    stored.clear();
    co_return;
  }
};

}  // namespace quorvel::test
