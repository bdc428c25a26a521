#include "core/PrivacyLock.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/MainWindowHook.h"
#include "platform/Authenticator.h"
#include "platform/FileOps.h"
#include "platform/IdleTime.h"
#include "platform/UserDefaults.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
enum class StoredState { absent, locked, unlocked, undecidable };

StoredState readState(const fs::path& file) {
  std::error_code ec;
  auto status = fs::status(file, ec);
  if (status.type() == fs::file_type::not_found) return StoredState::absent;
  if (ec || !fs::is_regular_file(status)) return StoredState::undecidable;
  std::ifstream in(file, std::ios::binary);
  if (!in) return StoredState::undecidable;
  std::stringstream text;
  text << in.rdbuf();
  std::string word = text.str();
  while (!word.empty() && (word.back() == '\n' || word.back() == '\r' || word.back() == ' ')) word.pop_back();
  if (word == PrivacyLock::kLockedText) return StoredState::locked;
  if (word == PrivacyLock::kUnlockedText) return StoredState::unlocked;
  return StoredState::undecidable;
}

// Where no new file can be made (a full disk), the old one is overwritten in place:
// emptied, it no longer says "unlocked" even when the word itself does not fit.
// Returns 0 when the word was written, else the errno; `kept` tells whether a file
// that does not say "unlocked" stands there afterwards.
int overwriteInPlace(const fs::path& file, const std::string& bytes, bool& kept) {
  kept = false;
  int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return errno;
  kept = true;
  int err = 0;
  ssize_t n = ::write(fd, bytes.data(), bytes.size());
  if (n != static_cast<ssize_t>(bytes.size())) err = n < 0 ? errno : ENOSPC;
  if (::fsync(fd) != 0 && err == 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  return err;
}
}  // namespace

fs::path PrivacyLock::stateFile(const UserDefaults& defaults) {
  return defaults.file().parent_path() / kStateFileName;
}

PrivacyLock::PrivacyLock(IdleTime& idle, Authenticator& auth, UserDefaults& defaults, AppMode mode,
                         MainWindowHook* mainWindow)
    : idle_(idle), auth_(auth), defaults_(defaults), mode_(mode), mainWindow_(mainWindow) {
  autoLockMinutes.set(static_cast<int>(defaults_.integer(kAutoLockKey).value_or(0)));
  auto stored = readState(stateFile(defaults_));
  if (stored == StoredState::undecidable)
    logLine(tags::kLock, "锁定状态文件无法判读，按锁定处理：" + stateFile(defaults_).string(), LogLevel::warning);
  // The settings key too: it was the only record before the file, and an older client
  // may have locked since.
  bool locked = stored == StoredState::locked || stored == StoredState::undecidable ||
                defaults_.boolean(kLockedKey).value_or(false);
  if (locked) {
    isLocked.set(true);
    startedLocked_ = true;
    logLine(tags::kLock, "上次退出时工作区处于锁定状态，验证身份后才显示内容");
  }
}

PrivacyLock::~PrivacyLock() = default;

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
  idleTimer_ = SourceId(startRepeatingTimer(checkIntervalMs_, scope_.guard([this] {
    checkIdle();
    return true;
  })));
}

void PrivacyLock::lock() {
  authError.set(std::nullopt);
  persistLocked(true);
  isLocked.set(true);
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
  authError.set(std::nullopt);
  logLine(tags::kLock, logText);
}

void PrivacyLock::persistLocked(bool locked) {
  // The state file is written through at once, before the cover shows: a process
  // killed a moment later still starts locked. The older settings key follows on the
  // settings' own writer (a stale "locked" there only asks for the password once more).
  storeError.set(storeState(locked));
  if (locked) defaults_.set(kLockedKey, true);
  else defaults_.remove(kLockedKey);
  defaults_.save();
}

std::string PrivacyLock::storeState(bool locked) {
  const fs::path file = stateFile(defaults_);
  const std::string bytes = std::string(locked ? kLockedText : kUnlockedText) + "\n";
  std::error_code ec;
  fs::create_directories(file.parent_path(), ec);
  if (writeFileAtomically(file, bytes)) return {};
  if (!locked) {
    // The file still says locked: the next start asks for the password once more.
    logLine(tags::kLock, "解锁状态写入失败，下次启动仍需验证：" + file.string(), LogLevel::warning);
    return {};
  }
  bool kept = false;
  int err = overwriteInPlace(file, bytes, kept);
  if (err == 0) {
    logLine(tags::kLock, "锁定状态已就地写入：" + file.string(), LogLevel::warning);
    return {};
  }
  const std::string reason = FileOps::errorText(err);
  logLine(tags::kLock, "锁定状态写入失败（" + reason + "）：" + file.string(), LogLevel::warning);
  if (kept) return "锁定状态未能完整保存（" + reason + "），下次启动时仍会锁定";
  return "锁定状态无法保存（" + reason + "）：客户端意外退出后，下次启动可能不会锁定";
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
    authError.set(AppError(errors::kAuth, errors::kAuthUnavailable, "本机未启用密码验证，无法解锁"));
    return;
  }
  if (password.empty()) {
    authError.set(AppError(errors::kAuth, errors::kAuthNoPassword, "请输入登录密码"));
    return;
  }
  authError.set(std::nullopt);
  scope_.spawn(verify(password));
}

Task<void> PrivacyLock::verify(std::string password) {
  checking_ = true;
  auto check = auth_.verify(std::move(password));
  AuthOutcome outcome = co_await check;
  checking_ = false;
  if (outcome.ok()) {
    open("已解除隐私锁屏");
  } else {
    AppError refused = outcome.error();
    if (refused.message.empty()) refused.message = "密码不正确";
    authError.set(std::move(refused));
  }
}

}  // namespace quorvel
