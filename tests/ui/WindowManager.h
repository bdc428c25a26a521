#pragma once
// A real window manager (openbox) on the test's display, for tests of where windows
// go: it places new windows itself, decorates them and answers their requests, as a
// desktop does.
#include <memory>
#include <vector>

#include "ChildProcess.h"

namespace quorvel::test {

class WindowManager {
 public:
  // Starts openbox and waits until it manages the screen; started() says whether it did.
  WindowManager();
  ~WindowManager();
  WindowManager(const WindowManager&) = delete;
  WindowManager& operator=(const WindowManager&) = delete;

  bool started() const { return managing_; }
  // The X windows it manages, bottom to top, as it stacks them now.
  static std::vector<unsigned long> stacking();

 private:
  std::unique_ptr<Child> process_;
  bool managing_ = false;
};

}  // namespace quorvel::test
