#pragma once
// Owns one reference of a GObject (web views, content managers, widgets held
// outside their parent). Converts to the raw pointer for C calls.
#include <glib-object.h>

#include <utility>

namespace quorvel {

template <class T>
class GObjectPtr {
 public:
  GObjectPtr() = default;
  // Takes over a reference the caller already owns.
  static GObjectPtr adopt(T* p) { return GObjectPtr(p); }
  // Adds a reference of its own (sinking a floating one).
  static GObjectPtr retain(T* p) { return GObjectPtr(p ? static_cast<T*>(g_object_ref_sink(p)) : nullptr); }

  GObjectPtr(const GObjectPtr& o) : p_(o.p_ ? static_cast<T*>(g_object_ref(o.p_)) : nullptr) {}
  GObjectPtr(GObjectPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  GObjectPtr& operator=(GObjectPtr o) noexcept {
    std::swap(p_, o.p_);
    return *this;
  }
  ~GObjectPtr() { reset(); }

  T* get() const { return p_; }
  operator T*() const { return p_; }
  explicit operator bool() const { return p_ != nullptr; }
  void reset() {
    if (p_) g_object_unref(std::exchange(p_, nullptr));
  }

 private:
  explicit GObjectPtr(T* p) : p_(p) {}
  T* p_ = nullptr;
};

// A weak reference to a GObject: never keeps it alive, reads nullptr once it is gone.
// get() borrows: the object is alive as long as whoever owns it keeps it.
template <class T>
class GWeakPtr {
 public:
  GWeakPtr() { g_weak_ref_init(&ref_, nullptr); }
  ~GWeakPtr() { g_weak_ref_clear(&ref_); }
  GWeakPtr(const GWeakPtr&) = delete;
  GWeakPtr& operator=(const GWeakPtr&) = delete;

  void set(T* p) { g_weak_ref_set(&ref_, p); }
  T* get() const {
    gpointer p = g_weak_ref_get(&ref_);
    if (!p) return nullptr;
    // The reference taken only guarded the read.
    g_object_unref(p);
    return static_cast<T*>(p);
  }

 private:
  mutable GWeakRef ref_;
};

}  // namespace quorvel
