#pragma once
// Bringing the main window forward from the layers below the windows (deep links,
// search results): the application implements it.
namespace quorvel {

class MainWindowHook {
 public:
  virtual ~MainWindowHook() = default;
  virtual void showMainWindow() = 0;
};

}  // namespace quorvel
