#pragma once
#include <exception>
#include <string>

namespace quorvel {

// The error that crosses module boundaries: a string domain, a code and a
// user-facing message. Thrown through Task, or held by a Result.
struct AppError : std::exception {
  std::string domain;
  int code = 0;
  std::string message;

  AppError(std::string d, int c, std::string m) : domain(std::move(d)), code(c), message(std::move(m)) {}
  const char* what() const noexcept override { return message.c_str(); }
  friend bool operator==(const AppError& a, const AppError& b) {
    return a.domain == b.domain && a.code == b.code && a.message == b.message;
  }
};

// The Chinese text shown and logged for an error: its message, "未知错误" when empty.
inline std::string describe(const AppError& error) { return error.message.empty() ? "未知错误" : error.message; }

// The same for any failure: an AppError's message, another exception's text (a
// Glib::Error is a std::exception whose text is the GLib message), "未知错误" for
// anything else, an empty text or no exception at all.
inline std::string describe(std::exception_ptr error) {
  constexpr const char* kUnknown = "未知错误";
  if (!error) return kUnknown;
  try {
    std::rethrow_exception(error);
  } catch (const AppError& a) {
    return describe(a);
  } catch (const std::exception& x) {
    const char* what = x.what();
    return what && *what ? what : kUnknown;
  } catch (...) {
    return kUnknown;
  }
}

// A caught failure as an AppError: an AppError as it is; anything else under no
// domain, with describe's text as its message.
inline AppError asAppError(std::exception_ptr error) {
  try {
    if (error) std::rethrow_exception(error);
  } catch (const AppError& a) {
    return a;
  } catch (...) {
  }
  return AppError("", 0, describe(error));
}

}  // namespace quorvel
