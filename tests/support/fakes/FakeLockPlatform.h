#pragma once
// Idle time and password checks a test sets.
#include <optional>
#include <string>

#include "base/ErrorDomains.h"
#include "platform/Authenticator.h"
#include "platform/IdleTime.h"

namespace quorvel::test {

class FakeIdleTime : public IdleTime {
 public:
  std::optional<double> seconds = 0;
  std::optional<double> secondsSinceInput() override { return seconds; }
};

class FakeAuthenticator : public Authenticator {
 public:
  bool isAvailable = true;
  std::string rightPassword = "secret";
  int checks = 0;
  bool available() const override { return isAvailable; }
  Task<AuthOutcome> verify(std::string password) override {
    ++checks;
    co_await nextTurn();  // answers later, as the real check does
    if (password == rightPassword) co_return AuthOutcome{};
    co_return AuthOutcome{AppError(errors::kAuth, 7, "密码不正确")};
  }
};

}  // namespace quorvel::test
