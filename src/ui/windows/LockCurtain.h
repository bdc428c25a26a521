#pragma once
// While the workspace is locked no window of the process but the main window (with
// its cover) is on the screen: tool windows, panels, the desktop calendar, previews,
// alerts. Those shown when the lock engages are taken off, and any that appears while
// it is on is taken off at once; unlocking puts back, where they stood, those still
// meant to be shown. A window is taken off by unmapping it, not by hiding it, so its
// owner still sees it shown and may hide it meanwhile (then it stays hidden).
#include <gtk/gtk.h>

#include <memory>
#include <vector>

#include "base/GLibPtr.h"
#include "base/Task.h"

namespace quorvel {

class PrivacyLock;

class LockCurtain {
 public:
  explicit LockCurtain(PrivacyLock& lock);
  // Leaves the windows as they are (the application is ending).
  ~LockCurtain();
  LockCurtain(const LockCurtain&) = delete;
  LockCurtain& operator=(const LockCurtain&) = delete;

  // Windows taken off the screen and not put back yet.
  size_t heldCount() const { return held_.size(); }

 private:
  struct Held;
  void watch(GtkWindow* window);
  void lockChanged();
  void takeOff(GtkWindow* window, bool appearedWhileLocked);
  void putBack();
  static void onMapped(GtkWidget* widget, gpointer self);
  static void onToplevelsChanged(GListModel* list, guint position, guint removed, guint added, gpointer self);

  PrivacyLock& lock_;
  ScopedConnection lockChanged_;
  GListModel* toplevels_ = nullptr;  // GTK's own list, not ours to free
  SignalHandler toplevelsChanged_;
  std::vector<SignalHandler> mapHandlers_;  // one per watched window
  std::vector<std::unique_ptr<Held>> held_;
  bool locked_ = false;
  // Steps left for a later turn find out whether the curtain is still there.
  TaskScope scope_;
};

}  // namespace quorvel
