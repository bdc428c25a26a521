#include "core/PrivacyLock.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/MainWindowHook.h"
#include "platform/Authenticator.h"
#include "platform/IdleTime.h"
#include "platform/UserDefaults.h"

namespace quorvel {

PrivacyLock::PrivacyLock(IdleTime& idle, Authenticator& auth, UserDefaults& defaults, AppMode mode)
    : idle_(idle), auth_(auth), defaults_(defaults), mode_(mode) {
  autoLockMinutes.set(static_cast<int>(defaults_.integer(kAutoLockKey).value_or(0)));
  if (defaults_.boolean(kLockedKey).value_or(false)) {
    isLocked.set(true);
    startedLocked_ = true;
    logLine(tags::kLock, "上次退出时工作区处于锁定状态，验证身份后才显示内容");
  }
}

PrivacyLock::~PrivacyLock() { *self_ = nullptr; }

void PrivacyLock::setAutoLockMinutes(int minutes) {
  autoLockMinutes.set(minutes);
  defaults_.set(kAutoLockKey, minutes);
  armIdleCheck();
}

void PrivacyLock::startMonitoring() {
  if (mode_ == AppMode::diagnostic) return;
  monitoring_ = true;
  armIdleCheck();
}

void PrivacyLock::armIdleCheck() {
  idleTimer_.reset();
  if (!monitoring_ || autoLockMinutes.get() < 1) return;
  auto alive = self_;
  idleTimer_ = SourceId(startRepeatingTimer(checkIntervalMs_, [this, alive] {
    if (*alive) checkIdle();
    return true;
  }));
}

void PrivacyLock::lock() {
  authError.set("");
  isLocked.set(true);
  persistLocked(true);
  logLine(tags::kLock, "已开启隐私锁屏");
}

bool PrivacyLock::admits(const std::string& what) {
  if (!isLocked.get()) return true;
  logLine(tags::kLock, "工作区已锁定，已拒绝：" + what);
  // The cover says why nothing opened and takes the password.
  if (mainWindow_) mainWindow_->showMainWindow();
  else logLine(tags::kWindow, "没有可显示的主窗口");
  return false;
}

bool PrivacyLock::openAfterDiagnosticLock() {
  if (!isLocked.get()) return true;
  if (mode_ != AppMode::diagnostic || startedLocked_ || checking_) {
    logLine(tags::kLock, "未经验证不能解除隐私锁屏", LogLevel::warning);
    return false;
  }
  open("已解除隐私锁屏（实测）");
  return true;
}

void PrivacyLock::open(const std::string& logText) {
  startedLocked_ = false;
  persistLocked(false);
  isLocked.set(false);
  authError.set("");
  logLine(tags::kLock, logText);
}

void PrivacyLock::persistLocked(bool locked) {
  // Written through at once: a process killed a moment later still starts locked.
  if (locked) defaults_.set(kLockedKey, true);
  else defaults_.remove(kLockedKey);
  defaults_.flush();
}

void PrivacyLock::checkIdle() {
  if (autoLockMinutes.get() < 1 || isLocked.get()) return;
  auto idle = idle_.secondsSinceInput();
  if (!idle) return;
  if (autoLockMinutes.get() * 60.0 <= *idle) lock();
}

void PrivacyLock::unlock(const std::string& password) {
  if (!isLocked.get() || checking_) return;
  if (!auth_.available()) {
    // Without a way to check, the cover stays: nothing opens unverified.
    authError.set("本机未启用密码验证，无法解锁");
    return;
  }
  if (password.empty()) {
    authError.set("请输入登录密码");
    return;
  }
  authError.set("");
  spawn(verify(password));
}

Task<void> PrivacyLock::verify(std::string password) {
  checking_ = true;
  auto alive = self_;
  auto check = auth_.verify(std::move(password));
  AuthOutcome outcome = co_await check;
  if (!*alive) co_return;
  checking_ = false;
  if (outcome.ok()) {
    open("已解除隐私锁屏");
  } else {
    authError.set(outcome.error->message.empty() ? "密码不正确" : outcome.error->message);
  }
}

}  // namespace quorvel
