#pragma once
#include <gio/gio.h>

#include "base/GObjectPtr.h"

namespace quorvel {

// A cancellable owned by an object with work in flight: cancelled when the owner
// goes away, so callbacks never reach a dead owner.
class Cancellable {
 public:
  Cancellable() : c_(GObjectPtr<GCancellable>::adopt(g_cancellable_new())) {}
  Cancellable(const Cancellable&) = delete;
  Cancellable& operator=(const Cancellable&) = delete;
  ~Cancellable() { cancel(); }
  GCancellable* get() const { return c_.get(); }
  void cancel() {
    if (c_) g_cancellable_cancel(c_);
  }
  bool cancelled() const { return c_ && g_cancellable_is_cancelled(c_); }
  // A fresh cancellable for further work (the old one stays cancelled).
  void renew() {
    cancel();
    c_ = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
  }

 private:
  GObjectPtr<GCancellable> c_;
};

}  // namespace quorvel
