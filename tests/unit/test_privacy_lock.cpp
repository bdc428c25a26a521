// The privacy lock: when it locks by itself, that only a right password opens it,
// and a real PAM check with a service file of the test's own.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/MainQueue.h"
#include "core/PrivacyLock.h"
#include "fakes/FakeLockPlatform.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

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

  // 0 minutes: never by itself, however long the idle time.
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

TEST_F(PrivacyLockTest, OnlyTheRightPasswordOpensAndAFailureStaysOnTheCover) {
  PrivacyLock lock(idle, auth, home.defaults(), AppMode::normal);
  lock.lock();
  lock.unlock("wrong");
  EXPECT_TRUE(lock.checking());
  ASSERT_TRUE(runMainLoopUntil([&] { return !lock.checking(); }, 2000));
  EXPECT_TRUE(lock.isLocked.get());
  EXPECT_EQ(lock.authError.get(), "密码不正确");

  lock.unlock("");  // nothing typed: no check
  EXPECT_EQ(auth.checks, 1);
  EXPECT_EQ(lock.authError.get(), "请输入登录密码");

  lock.lock();  // locking again clears the error
  EXPECT_EQ(lock.authError.get(), "");
  lock.unlock("secret");
  ASSERT_TRUE(runMainLoopUntil([&] { return !lock.isLocked.get(); }, 2000));
  EXPECT_EQ(lock.authError.get(), "");
}

TEST_F(PrivacyLockTest, WithoutAWayToCheckTheCoverStays) {
  auth.isAvailable = false;
  PrivacyLock lock(idle, auth, home.defaults(), AppMode::normal);
  lock.lock();
  lock.unlock("secret");
  drainMainLoop();
  EXPECT_TRUE(lock.isLocked.get());
  EXPECT_FALSE(lock.authError.get().empty());
  EXPECT_EQ(auth.checks, 0);
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
  PamAuthenticator pam("quorvel-test", std::string("nobody"), dir);
  ASSERT_TRUE(pam.available());
  EXPECT_TRUE(pam.verifyNow("卷宗 口令").ok);
  auto wrong = pam.verifyNow("guess");
  EXPECT_FALSE(wrong.ok);
  EXPECT_FALSE(wrong.error.empty());

  // The same through the asynchronous check, off the main thread.
  auto right = runToEnd(pam.verify("卷宗 口令"));
  ASSERT_TRUE(right->value);
  EXPECT_TRUE(right->value->ok);
}

}  // namespace
