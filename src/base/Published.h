#pragma once
#include <sigc++/sigc++.h>

#include <utility>

namespace quorvel {

// An observable field: views connect to changed() and redraw.
template <class T>
class Published {
 public:
  Published() = default;
  explicit Published(T v) : value_(std::move(v)) {}

  const T& get() const { return value_; }
  operator const T&() const { return value_; }
  const T* operator->() const { return &value_; }

  // Always notifies, also when the value is equal: some writers publish on purpose.
  void set(T v) {
    value_ = std::move(v);
    changed_.emit();
  }
  // Notifies only on a real change.
  void setIfChanged(const T& v) {
    if (!(value_ == v)) set(v);
  }
  Published& operator=(T v) {
    set(std::move(v));
    return *this;
  }
  sigc::signal<void()>& changed() { return changed_; }

 private:
  T value_{};
  sigc::signal<void()> changed_;
};

}  // namespace quorvel
