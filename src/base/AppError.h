#pragma once
#include <stdexcept>
#include <string>

namespace quorvel {

// The error that crosses asynchronous boundaries: a string domain, a code and a
// user-facing message.
struct AppError : std::runtime_error {
  std::string domain;
  int code = 0;
  std::string message;

  AppError(std::string d, int c, std::string m)
      : std::runtime_error(m), domain(std::move(d)), code(c), message(std::move(m)) {}
};

}  // namespace quorvel
