#pragma once
#include <sigc++/sigc++.h>

#include <utility>

namespace quorvel {

namespace detail {
// Publishes a value; `set` is reachable only where the derived Published allows it.
template <class T>
class PublishedValue {
 public:
  PublishedValue() = default;
  explicit PublishedValue(T v) : value_(std::move(v)) {}

  const T& get() const { return value_; }
  operator const T&() const { return value_; }
  const T* operator->() const { return &value_; }
  // Observing does not change the value: const holders may connect too.
  sigc::signal<void()>& changed() const { return changed_; }

 protected:
  // Always notifies, also when the value is equal: some writers publish on purpose.
  void assign(T v) {
    value_ = std::move(v);
    changed_.emit();
  }
  // Notifies only on a real change.
  void assignIfChanged(const T& v) {
    if (!(value_ == v)) assign(v);
  }

 private:
  T value_{};
  mutable sigc::signal<void()> changed_;
};
}  // namespace detail

// An observable field: views connect to changed() and redraw. With an Owner, only
// that class may change the value; everybody else reads and observes.
template <class T, class Owner = void>
class Published : public detail::PublishedValue<T> {
  friend Owner;

 public:
  using detail::PublishedValue<T>::PublishedValue;

 private:
  void set(T v) { this->assign(std::move(v)); }
  void setIfChanged(const T& v) { this->assignIfChanged(v); }
};

// A field anyone may change (view state such as which sheet is open).
template <class T>
class Published<T, void> : public detail::PublishedValue<T> {
 public:
  using detail::PublishedValue<T>::PublishedValue;
  void set(T v) { this->assign(std::move(v)); }
  void setIfChanged(const T& v) { this->assignIfChanged(v); }
  Published& operator=(T v) {
    set(std::move(v));
    return *this;
  }
};

}  // namespace quorvel
