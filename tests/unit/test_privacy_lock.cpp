// The privacy lock: when it locks by itself, that only a right password opens it,
// that the locked state outlives the process, the gate of the ways in, and a real PAM
// check with a service file of the test's own.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/MainWindowHook.h"
#include "core/PrivacyLock.h"
#include "fakes/FakeLockPlatform.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

// The text the lock's cover shows under the password field.
std::string shownError(const PrivacyLock& lock) {
  return lock.authError.get() ? describe(*lock.authError.get()) : std::string();
}

class PrivacyLockTest : public ::testing::Test {
 protected:
  TempHome home;
  FakeIdleTime idle;
  FakeAuthenticator auth;
};

TEST_F(PrivacyLockTest, LocksByItselfOnlyOnceTheIdleLimitHasPassed) {
  home.defaults().set(PrivacyLock::kAutoLockKey, 5);
  PrivacyLock lock(idle, auth, home.defaults(), AppMode::normal);
  EXPECT_EQ(lock.autoLockMinutes.get(), 5);
  idle.seconds = 299;
  lock.checkIdle();
  EXPECT_FALSE(lock.isLocked.get());
  idle.seconds = 300;
  lock.checkIdle();
  EXPECT_TRUE(lock.isLocked.get());

  // 0 minutes: never by itself, however long the idle time (a start without the
  // first one's stored lock).
  home.defaults().remove(PrivacyLock::kLockedKey);
  std::filesystem::remove(PrivacyLock::stateFile(home.defaults()));
  PrivacyLock off(idle, auth, home.defaults(), AppMode::normal);
  off.setAutoLockMinutes(0);
  idle.seconds = 1e7;
  off.checkIdle();
  EXPECT_FALSE(off.isLocked.get());
  EXPECT_EQ(home.defaults().integer(PrivacyLock::kAutoLockKey), 0);

  // No idle time to be had: no lock.
  off.setAutoLockMinutes(1);
  idle.seconds.reset();
  off.checkIdle();
  EXPECT_FALSE(off.isLocked.get());
}

// The idle check runs only while a limit is set, and a new limit arms it at once:
// the lock follows the settings' chips without a restart, and never in diagnostic mode.
TEST_F(PrivacyLockTest, ANewLimitArmsTheIdleCheckAtOnceAndOffDisarmsIt) {
  PrivacyLock lock(idle, auth, home.defaults(), AppMode::normal);
  lock.setCheckInterval(20);
  lock.startMonitoring();
  EXPECT_FALSE(lock.idleCheckArmed()) << "no limit stored: nothing to check";
  idle.seconds = 15 * 60 - 1;
  lock.setAutoLockMinutes(15);
  EXPECT_TRUE(lock.idleCheckArmed());
  runMainLoopUntil([] { return false; }, 150);
  EXPECT_FALSE(lock.isLocked.get());
  idle.seconds = 15 * 60;
  EXPECT_TRUE(runMainLoopUntil([&] { return lock.isLocked.get(); }, 2000));

  lock.setAutoLockMinutes(0);
  EXPECT_FALSE(lock.idleCheckArmed());

  PrivacyLock diagnostic(idle, auth, home.defaults(), AppMode::diagnostic);
  diagnostic.startMonitoring();
  diagnostic.setAutoLockMinutes(5);
  EXPECT_FALSE(diagnostic.idleCheckArmed());
}

TEST_F(PrivacyLockTest, OnlyTheRightPasswordOpensAndAFailureStaysOnTheCover) {
  PrivacyLock lock(idle, auth, home.defaults(), AppMode::normal);
  lock.lock();
  lock.unlock("wrong");
  EXPECT_TRUE(lock.checking());
  ASSERT_TRUE(waitUntil([&] { return !lock.checking(); }, 2000));
  EXPECT_TRUE(lock.isLocked.get());
  EXPECT_EQ(shownError(lock), "密码不正确");

  lock.unlock("");  // nothing typed: no check
  EXPECT_EQ(auth.checks, 1);
  EXPECT_EQ(shownError(lock), "请输入登录密码");

  lock.lock();  // locking again clears the error
  EXPECT_EQ(shownError(lock), "");
  lock.unlock("secret");
  ASSERT_TRUE(waitUntil([&] { return !lock.isLocked.get(); }, 2000));
  EXPECT_EQ(shownError(lock), "");
}

TEST_F(PrivacyLockTest, WithoutAWayToCheckTheCoverStays) {
  auth.isAvailable = false;
  PrivacyLock lock(idle, auth, home.defaults(), AppMode::normal);
  lock.lock();
  lock.unlock("secret");
  drainMainLoop();
  EXPECT_TRUE(lock.isLocked.get());
  EXPECT_FALSE(shownError(lock).empty());
  EXPECT_EQ(auth.checks, 0);
}

std::string stateOnDisk(const UserDefaults& defaults) {
  std::ifstream in(PrivacyLock::stateFile(defaults));
  std::string word;
  in >> word;
  return word;
}

// What the file on disk says right now, without waiting for any later write.
std::optional<bool> lockedOnDisk(const UserDefaults& defaults) {
  std::ifstream in(defaults.file());
  auto saved = nlohmann::json::parse(in, nullptr, false);
  if (!saved.is_object() || !saved.contains(PrivacyLock::kLockedKey)) return std::nullopt;
  return saved[PrivacyLock::kLockedKey].is_boolean() ? std::optional<bool>(saved[PrivacyLock::kLockedKey].get<bool>())
                                                     : std::nullopt;
}

// A process that ends while locked (quit, signal, kill) starts locked; only a right
// password clears the state.
TEST_F(PrivacyLockTest, TheLockedStateOutlivesTheProcessUntilTheRightPassword) {
  {
    PrivacyLock first(idle, auth, home.defaults(), AppMode::normal);
    EXPECT_FALSE(first.isLocked.get());
    first.lock();
    // On disk as the lock engages, before any later turn: a kill now still starts locked.
    EXPECT_EQ(stateOnDisk(home.defaults()), "locked");
  }
  home.defaults().flush();  // the process ends
  EXPECT_EQ(lockedOnDisk(home.defaults()), true);
  // The next process reads the file afresh.
  UserDefaults restarted(home.defaults().file());
  PrivacyLock second(idle, auth, restarted, AppMode::normal);
  EXPECT_TRUE(second.isLocked.get());
  second.unlock("wrong");
  ASSERT_TRUE(waitUntil([&] { return !second.checking(); }, 2000));
  restarted.flush();
  EXPECT_EQ(lockedOnDisk(restarted), true);
  EXPECT_EQ(stateOnDisk(restarted), "locked");

  second.unlock("secret");
  ASSERT_TRUE(waitUntil([&] { return !second.isLocked.get(); }, 2000));
  restarted.flush();
  EXPECT_EQ(lockedOnDisk(restarted), std::nullopt);
  PrivacyLock third(idle, auth, restarted, AppMode::normal);
  EXPECT_FALSE(third.isLocked.get());

  // The idle lock is a lock like any other.
  third.setAutoLockMinutes(1);
  idle.seconds = 60;
  third.checkIdle();
  EXPECT_EQ(stateOnDisk(restarted), "locked");
  restarted.flush();
  EXPECT_EQ(lockedOnDisk(restarted), true);
}

// The state file beside the settings decides the next start; what it does not say
// clearly counts as locked, and the settings key of older clients still locks.
TEST_F(PrivacyLockTest, TheStateFileDecidesTheNextStartAndAnUnclearOneMeansLocked) {
  EXPECT_EQ(PrivacyLock::stateFile(home.defaults()).parent_path(), home.defaults().file().parent_path());
  {
    PrivacyLock first(idle, auth, home.defaults(), AppMode::normal);
    first.lock();
    EXPECT_EQ(stateOnDisk(home.defaults()), "locked");
    EXPECT_EQ(first.storeError.get(), "");
    first.unlock("secret");
    ASSERT_TRUE(waitUntil([&] { return !first.isLocked.get(); }, 2000));
    EXPECT_EQ(stateOnDisk(home.defaults()), "unlocked");
  }
  home.defaults().flush();  // the process ends
  auto startsLocked = [&] {
    UserDefaults restarted(home.defaults().file());
    return PrivacyLock(idle, auth, restarted, AppMode::normal).isLocked.get();
  };
  EXPECT_FALSE(startsLocked());
  for (const char* unclear : {"", "lock", "unlocked and more", "\x00\x01"}) {
    writeFile(PrivacyLock::stateFile(home.defaults()), unclear);
    EXPECT_TRUE(startsLocked()) << "'" << unclear << "'";
  }
  // Not a file at all.
  std::filesystem::remove(PrivacyLock::stateFile(home.defaults()));
  std::filesystem::create_directory(PrivacyLock::stateFile(home.defaults()));
  EXPECT_TRUE(startsLocked());
  std::filesystem::remove(PrivacyLock::stateFile(home.defaults()));
  EXPECT_FALSE(startsLocked());

  // A client updated while locked has only the settings key; an older client that
  // locked after this one leaves the file saying "unlocked" beside it.
  home.defaults().set(PrivacyLock::kLockedKey, true);
  home.defaults().flush();
  EXPECT_TRUE(startsLocked());
  writeFile(PrivacyLock::stateFile(home.defaults()), "unlocked\n");
  EXPECT_TRUE(startsLocked());
}

// Where nothing more fits on the disk the lock still outlives a kill: the old
// "unlocked" is overwritten in place, and the cover says the state was not fully stored.
TEST_F(PrivacyLockTest, AFullDiskStillStartsLocked) {
  {
    PrivacyLock first(idle, auth, home.defaults(), AppMode::normal);
    first.lock();
    first.unlock("secret");
    ASSERT_TRUE(waitUntil([&] { return !first.isLocked.get(); }, 2000));
  }
  home.defaults().flush();
  ASSERT_EQ(stateOnDisk(home.defaults()), "unlocked");
  {
    PrivacyLock second(idle, auth, home.defaults(), AppMode::normal);
    // No file of this process may grow by a byte: every new write fails as on a full disk.
    struct rlimit saved {};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit full = saved;
    full.rlim_cur = 0;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &full), 0);
    second.lock();
    home.defaults().flush();  // the settings' own writer meets the full disk too
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_TRUE(second.isLocked.get());
    EXPECT_NE(second.storeError.get().find("下次启动时仍会锁定"), std::string::npos) << second.storeError.get();
    // Killed here: nothing more is written.
  }
  {
    UserDefaults restarted(home.defaults().file());
    EXPECT_FALSE(restarted.boolean(PrivacyLock::kLockedKey).value_or(false)) << "the settings could not take it";
    PrivacyLock third(idle, auth, restarted, AppMode::normal);
    EXPECT_TRUE(third.isLocked.get());
  }
}

// The live check opens the lock it engaged itself without a password, and nothing
// else: not in a normal run, not a lock the process started with.
TEST_F(PrivacyLockTest, TheLiveCheckOpensOnlyTheLockItEngagedInADiagnosticRun) {
  PrivacyLock diagnostic(idle, auth, home.defaults(), AppMode::diagnostic);
  EXPECT_TRUE(diagnostic.openAfterDiagnosticLock()) << "an open lock stays open";
  diagnostic.lock();
  EXPECT_TRUE(diagnostic.openAfterDiagnosticLock());
  EXPECT_FALSE(diagnostic.isLocked.get());
  EXPECT_FALSE(home.defaults().boolean(PrivacyLock::kLockedKey)) << "a later start is not locked";

  PrivacyLock normal(idle, auth, home.defaults(), AppMode::normal);
  normal.lock();
  EXPECT_FALSE(normal.openAfterDiagnosticLock());
  EXPECT_TRUE(normal.isLocked.get());

  // A client that ended locked (the normal one above) starts a diagnostic run locked.
  PrivacyLock started(idle, auth, home.defaults(), AppMode::diagnostic);
  ASSERT_TRUE(started.isLocked.get());
  started.lock();
  EXPECT_FALSE(started.openAfterDiagnosticLock());
  EXPECT_TRUE(started.isLocked.get());
  EXPECT_TRUE(home.defaults().boolean(PrivacyLock::kLockedKey).value_or(false));
}

TEST_F(PrivacyLockTest, TheGateLetsAllThroughUnlockedAndRefusesEachWayInOnceUnderTheLock) {
  std::vector<std::string> logs;
  setLogSink([&](const std::string& line) { logs.push_back(line); });
  struct Window : MainWindowHook {
    int covers = 0;
    void showMainWindow() override { ++covers; }
  } window;
  int& covers = window.covers;
  PrivacyLock lock(idle, auth, home.defaults(), AppMode::normal);
  lock.setMainWindow(&window);

  EXPECT_TRUE(lock.admits("我的待办…"));
  EXPECT_EQ(countContaining(logs, "[Quorvel][LOCK]"), 0);
  EXPECT_EQ(covers, 0);

  lock.lock();
  EXPECT_FALSE(lock.admits("我的待办…"));
  EXPECT_FALSE(lock.admits("交来的 1 个链接、0 个文件"));
  EXPECT_EQ(countContaining(logs, "[Quorvel][LOCK] 工作区已锁定，已拒绝：我的待办…"), 1);
  EXPECT_EQ(countContaining(logs, "[Quorvel][LOCK] 工作区已锁定，已拒绝：交来的 1 个链接、0 个文件"), 1);
  EXPECT_EQ(covers, 2);  // the cover comes forward and says why nothing opened

  lock.unlock("secret");
  ASSERT_TRUE(waitUntil([&] { return !lock.isLocked.get(); }, 2000));
  EXPECT_TRUE(lock.admits("我的待办…"));
  EXPECT_EQ(countContaining(logs, "已拒绝"), 2);
  setLogSink({});
}

// A PAM service of the test's own: the password goes through the real conversation
// to a program that compares it; the machine's accounts are not touched.
TEST(PamAuthenticator, ChecksThePasswordThroughPam) {
  TempHome home;
  auto dir = home.root() / "pam.d";
  std::filesystem::create_directories(dir);
  auto script = home.root() / "check.sh";
  {
    std::ofstream s(script);
    s << "#!/bin/sh\nIFS= read -r pw\n[ \"$pw\" = \"卷宗 口令\" ]\n";
  }
  std::filesystem::permissions(script, std::filesystem::perms::owner_all);
  {
    std::ofstream f(dir / "quorvel-test");
    f << "auth required pam_exec.so quiet expose_authtok " << script.string() << "\n"
      << "account required pam_permit.so\n";
  }
  WorkerPool workers(1);
  PamAuthenticator pam(workers, "quorvel-test", std::string("nobody"), dir);
  ASSERT_TRUE(pam.available());
  EXPECT_TRUE(pam.verifyNow("卷宗 口令").ok());
  auto wrong = pam.verifyNow("guess");
  EXPECT_FALSE(wrong.ok());
  ASSERT_FALSE(wrong.ok());
  EXPECT_EQ(wrong.error().domain, "Auth");
  EXPECT_NE(wrong.error().code, 0);
  EXPECT_FALSE(wrong.error().message.empty());

  // The same through the asynchronous check, off the main thread.
  auto right = runToEnd(pam.verify("卷宗 口令"));
  ASSERT_TRUE(right->value);
  EXPECT_TRUE(right->value->ok());
}

}  // namespace
