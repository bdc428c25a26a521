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

// The Chinese text shown and logged for any failure: an AppError's message, another
// exception's text (a Glib::Error is a std::exception whose text is the GLib message),
// "未知错误" for anything else, an empty text or no exception at all.
inline std::string describe(std::exception_ptr error) {
  constexpr const char* kUnknown = "未知错误";
  if (!error) return kUnknown;
  try {
    std::rethrow_exception(error);
  } catch (const AppError& a) {
    return a.message.empty() ? kUnknown : a.message;
  } catch (const std::exception& x) {
    const char* what = x.what();
    return what && *what ? what : kUnknown;
  } catch (...) {
    return kUnknown;
  }
}

}  // namespace quorvel
