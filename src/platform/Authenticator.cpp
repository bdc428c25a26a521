#include "platform/Authenticator.h"

#include <pwd.h>
#include <security/pam_appl.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {
namespace {
std::string currentUser() {
  struct passwd pw {};
  struct passwd* result = nullptr;
  char buf[4096];
  if (getpwuid_r(getuid(), &pw, buf, sizeof buf, &result) == 0 && result && result->pw_name) return result->pw_name;
  const char* env = std::getenv("USER");
  return env ? env : "";
}

// Answers every hidden prompt with the password; other messages need no answer.
int converse(int count, const struct pam_message** messages, struct pam_response** responses, void* data) {
  if (count <= 0 || count > PAM_MAX_NUM_MSG) return PAM_CONV_ERR;
  auto* replies = static_cast<pam_response*>(std::calloc(static_cast<size_t>(count), sizeof(pam_response)));
  if (!replies) return PAM_BUF_ERR;
  const auto* password = static_cast<const std::string*>(data);
  for (int i = 0; i < count; ++i) {
    int style = messages[i]->msg_style;
    if (style == PAM_PROMPT_ECHO_OFF || style == PAM_PROMPT_ECHO_ON) replies[i].resp = strdup(password->c_str());
  }
  *responses = replies;
  return PAM_SUCCESS;
}

std::string sentence(int code) {
  switch (code) {
    case PAM_AUTH_ERR: return "密码不正确";
    case PAM_MAXTRIES: return "尝试次数过多，请稍后再试";
    case PAM_USER_UNKNOWN: return "找不到当前系统用户";
    case PAM_ACCT_EXPIRED: return "系统账户已过期";
    case PAM_NEW_AUTHTOK_REQD: return "系统要求先更改登录密码";
    case PAM_PERM_DENIED: return "系统不允许此账户解锁";
    default: return std::string("无法验证密码：") + pam_strerror(nullptr, code);
  }
}

AuthOutcome refused(int code) { return {AppError(errors::kAuth, code, sentence(code))}; }

}  // namespace

PamAuthenticator::PamAuthenticator(WorkerPool& workers, std::string service, std::optional<std::string> user,
                                   std::optional<std::filesystem::path> confdir)
    : workers_(&workers),
      service_(std::move(service)), user_(user.value_or(currentUser())), confdir_(std::move(confdir)) {}

bool PamAuthenticator::available() const { return !user_.empty(); }

AuthOutcome PamAuthenticator::verifyNow(const std::string& password) const {
  std::string secret = password;
  struct pam_conv conv = {converse, &secret};
  pam_handle_t* handle = nullptr;
  int rc = confdir_ ? pam_start_confdir(service_.c_str(), user_.c_str(), &conv, confdir_->c_str(), &handle)
                    : pam_start(service_.c_str(), user_.c_str(), &conv, &handle);
  if (rc != PAM_SUCCESS) {
    if (handle) pam_end(handle, rc);
    return refused(rc);
  }
  rc = pam_authenticate(handle, 0);
  if (rc == PAM_SUCCESS) rc = pam_acct_mgmt(handle, 0);
  pam_end(handle, rc);
  // The copy that travelled through the conversation is wiped before it is freed.
  std::fill(secret.begin(), secret.end(), '\0');
  if (rc == PAM_SUCCESS) return {};
  return refused(rc);
}

Task<AuthOutcome> PamAuthenticator::verify(std::string password) {
  if (!available()) co_return AuthOutcome{AppError(errors::kAuth, errors::kAuthUnavailable, "本机未启用密码验证")};
  // The worker holds a copy: the check may outlast this object.
  auto check = onWorker(*workers_, [self = *this, password = std::move(password)] { return self.verifyNow(password); });
  AuthOutcome outcome = co_await check;
  if (!outcome.ok()) logLine(tags::kLock, "解锁失败：" + outcome.error().message, LogLevel::warning);
  co_return outcome;
}

}  // namespace quorvel
