#pragma once
#include <exception>
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

// A failure's user-facing message: an AppError's message, another exception's text,
// "未知错误" for anything else.
inline std::string messageOf(std::exception_ptr error) {
  try {
    std::rethrow_exception(error);
  } catch (const AppError& a) {
    return a.message;
  } catch (const std::exception& x) {
    return x.what();
  } catch (...) {
    return "未知错误";
  }
}

}  // namespace quorvel
