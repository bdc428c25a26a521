// The privacy lock's cover says so when the locked state could not be stored, so the
// user knows a forced end may start the client unlocked.
#include <gtest/gtest.h>
#include <gtkmm.h>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "core/PrivacyLock.h"
#include "fakes/FakeLockPlatform.h"
#include "platform/UserDefaults.h"
#include "ui/main/LockOverlayView.h"

namespace quorvel::test {
namespace {

TEST(LockCover, SaysWhenTheLockedStateCouldNotBeStored) {
  TempHome home;
  FakeIdleTime idle;
  FakeAuthenticator auth;
  // The settings folder cannot be made: a file stands where it belongs.
  auto blocked = home.root() / "blocked";
  writeFile(blocked, "not a folder");
  UserDefaults defaults(blocked / "defaults.json");
  PrivacyLock lock(idle, auth, defaults, AppMode::normal);
  LockOverlayView cover(lock);
  EXPECT_FALSE(cover.storeErrorLabel().get_visible());

  lock.lock();
  EXPECT_TRUE(cover.storeErrorLabel().get_visible());
  EXPECT_EQ(std::string(cover.storeErrorLabel().get_text()), lock.storeError.get());
  EXPECT_NE(std::string(cover.storeErrorLabel().get_text()).find("锁定状态无法保存"), std::string::npos);
  EXPECT_FALSE(cover.errorLabel().get_visible()) << "apart from the password's errors";

  lock.unlock("secret");
  ASSERT_TRUE(waitUntil([&] { return !lock.isLocked.get(); }, 3000));
  EXPECT_FALSE(cover.storeErrorLabel().get_visible());
}

}  // namespace
}  // namespace quorvel::test
