#pragma once
// Small owners for the GLib C objects that are not GObjects: errors, strings,
// variants, main-loop sources, signal handlers and sigc++ connections.
#include <glib-object.h>
#include <sigc++/sigc++.h>

#include <memory>
#include <string>
#include <utility>

#include "base/FailureText.h"

namespace quorvel {

// An owned GError; `out()` is the GError** a C call fills.
class GErrorPtr {
 public:
  GErrorPtr() = default;
  GErrorPtr(const GErrorPtr&) = delete;
  GErrorPtr& operator=(const GErrorPtr&) = delete;
  GErrorPtr(GErrorPtr&& o) noexcept : e_(std::exchange(o.e_, nullptr)) {}
  ~GErrorPtr() { g_clear_error(&e_); }

  GError** out() {
    g_clear_error(&e_);
    return &e_;
  }
  GError* get() const { return e_; }
  explicit operator bool() const { return e_ != nullptr; }
  const GError* operator->() const { return e_; }
  // In Chinese where the error is a system one (a file or I/O error), else its own text.
  std::string message() const { return failure::systemErrorText(e_); }
  bool matches(GQuark domain, int code) const { return g_error_matches(e_, domain, code); }

 private:
  GError* e_ = nullptr;
};

struct GFreeDeleter {
  void operator()(void* p) const { g_free(p); }
};
// An owned g_malloc'ed string.
using GCharPtr = std::unique_ptr<char, GFreeDeleter>;

// A random (version 4) UUID in its text form, lower case as GLib writes it.
inline std::string randomUUID() {
  GCharPtr id(g_uuid_string_random());
  return id.get();
}
// The same in upper case, as the service and the file names here spell identifiers.
inline std::string randomUpperUUID() {
  std::string id = randomUUID();
  for (char& c : id) c = g_ascii_toupper(c);
  return id;
}

struct GVariantDeleter {
  void operator()(GVariant* v) const { g_variant_unref(v); }
};
// An owned (sunk) GVariant reference.
using GVariantPtr = std::unique_ptr<GVariant, GVariantDeleter>;

// A main-loop source id that is removed when its owner goes away.
class SourceId {
 public:
  SourceId() = default;
  explicit SourceId(guint id) : id_(id) {}
  SourceId(const SourceId&) = delete;
  SourceId& operator=(const SourceId&) = delete;
  SourceId(SourceId&& o) noexcept : id_(std::exchange(o.id_, 0)) {}
  SourceId& operator=(SourceId&& o) noexcept {
    if (this != &o) {
      reset();
      id_ = std::exchange(o.id_, 0);
    }
    return *this;
  }
  ~SourceId() { reset(); }

  void reset() {
    if (id_) g_source_remove(std::exchange(id_, 0));
  }
  // For a source that has ended by itself (its callback returned G_SOURCE_REMOVE).
  void forget() { id_ = 0; }
  guint get() const { return id_; }
  explicit operator bool() const { return id_ != 0; }

 private:
  guint id_ = 0;
};

// A GObject signal handler that is disconnected when its owner goes away. Holds the
// instance weakly: a handler of an object that is already gone is simply forgotten.
class SignalHandler {
 public:
  SignalHandler() = default;
  SignalHandler(gpointer instance, gulong id) : id_(id) {
    g_weak_ref_init(&instance_, instance);
  }
  SignalHandler(const SignalHandler&) = delete;
  SignalHandler& operator=(const SignalHandler&) = delete;
  SignalHandler(SignalHandler&& o) noexcept : id_(std::exchange(o.id_, 0)) {
    gpointer p = g_weak_ref_get(&o.instance_);
    g_weak_ref_init(&instance_, p);
    if (p) g_object_unref(p);
    g_weak_ref_set(&o.instance_, nullptr);
  }
  SignalHandler& operator=(SignalHandler&& o) noexcept {
    if (this != &o) {
      disconnect();
      gpointer p = g_weak_ref_get(&o.instance_);
      g_weak_ref_set(&instance_, p);
      if (p) g_object_unref(p);
      g_weak_ref_set(&o.instance_, nullptr);
      id_ = std::exchange(o.id_, 0);
    }
    return *this;
  }
  ~SignalHandler() {
    disconnect();
    g_weak_ref_clear(&instance_);
  }

  // Whether the instance is still there with this handler on it.
  bool connected() const {
    gpointer p = g_weak_ref_get(const_cast<GWeakRef*>(&instance_));
    if (!p) return false;
    const bool on = id_ && g_signal_handler_is_connected(p, id_);
    g_object_unref(p);
    return on;
  }

  void disconnect() {
    if (!id_) return;
    if (gpointer p = g_weak_ref_get(&instance_)) {
      if (g_signal_handler_is_connected(p, id_)) g_signal_handler_disconnect(p, id_);
      g_object_unref(p);
    }
    id_ = 0;
  }

 private:
  GWeakRef instance_{};
  gulong id_ = 0;
};

// A sigc++ connection that disconnects itself (sigc++ 3.4 has no scoped one).
class ScopedConnection {
 public:
  ScopedConnection() = default;
  ScopedConnection(sigc::connection c) : c_(std::move(c)) {}  // NOLINT: implicit on purpose
  ScopedConnection(const ScopedConnection&) = delete;
  ScopedConnection& operator=(const ScopedConnection&) = delete;
  ScopedConnection(ScopedConnection&& o) noexcept : c_(std::exchange(o.c_, {})) {}
  ScopedConnection& operator=(ScopedConnection&& o) noexcept {
    if (this != &o) {
      c_.disconnect();
      c_ = std::exchange(o.c_, {});
    }
    return *this;
  }
  ~ScopedConnection() { c_.disconnect(); }
  void disconnect() { c_.disconnect(); }

 private:
  sigc::connection c_;
};

}  // namespace quorvel
