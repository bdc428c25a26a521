#pragma once
// A value or the AppError that stands in its place, for calls where both are normal
// outcomes (a page read, a script call, a file write). Failures of a coroutine chain
// are thrown through Task instead.
#include <optional>
#include <utility>
#include <variant>

#include "base/AppError.h"

namespace quorvel {

template <class T>
class [[nodiscard]] Result {
 public:
  Result(T value) : state_(std::in_place_index<0>, std::move(value)) {}
  Result(AppError error) : state_(std::in_place_index<1>, std::move(error)) {}

  bool ok() const { return state_.index() == 0; }
  // The value; a failure is thrown as its AppError.
  const T& value() const& {
    if (!ok()) throw std::get<1>(state_);
    return std::get<0>(state_);
  }
  T& value() & {
    if (!ok()) throw std::get<1>(state_);
    return std::get<0>(state_);
  }
  T&& value() && {
    if (!ok()) throw std::get<1>(state_);
    return std::get<0>(std::move(state_));
  }
  // Only on a failure.
  const AppError& error() const { return std::get<1>(state_); }
  // The error when there is one, for a caller that keeps or forwards it.
  std::optional<AppError> failure() const { return ok() ? std::nullopt : std::optional<AppError>(error()); }

 private:
  std::variant<T, AppError> state_;
};

template <>
class [[nodiscard]] Result<void> {
 public:
  Result() = default;
  Result(AppError error) : error_(std::move(error)) {}
  Result(std::optional<AppError> error) : error_(std::move(error)) {}

  bool ok() const { return !error_; }
  // Throws the failure, if any.
  void value() const {
    if (error_) throw *error_;
  }
  const AppError& error() const { return *error_; }
  const std::optional<AppError>& failure() const { return error_; }

 private:
  std::optional<AppError> error_;
};

}  // namespace quorvel
