#pragma once
// Proving that the person at the machine is its signed-in user: the login password
// checked through PAM.
#include <filesystem>
#include <optional>
#include <string>

#include "base/AppError.h"
#include "base/Result.h"
#include "base/Task.h"

namespace quorvel {

// The check's answer: no error when the password was right; otherwise why not, in
// Chinese for the user (errors::kAuth with PAM's code).
using AuthOutcome = Result<void>;

class Authenticator {
 public:
  virtual ~Authenticator() = default;
  // Whether a check can be made at all here.
  virtual bool available() const = 0;
  // Checks the password off the main thread; a wrong one takes as long as the
  // system's fail delay (it slows guessing).
  virtual Task<AuthOutcome> verify(std::string password) = 0;
};

// PAM with the "login" service for the user running the client.
class PamAuthenticator : public Authenticator {
 public:
  // The checks run on `workers`, which must outlive them. `confdir`: a folder of PAM
  // service files of our own (tests); none: the system's.
  explicit PamAuthenticator(WorkerPool& workers, std::string service = "login",
                            std::optional<std::string> user = std::nullopt,
                            std::optional<std::filesystem::path> confdir = std::nullopt);
  bool available() const override;
  Task<AuthOutcome> verify(std::string password) override;

  // Blocking; what verify() runs on a worker.
  AuthOutcome verifyNow(const std::string& password) const;

 private:
  WorkerPool* workers_;
  std::string service_;
  std::string user_;
  std::optional<std::filesystem::path> confdir_;
};

}  // namespace quorvel
