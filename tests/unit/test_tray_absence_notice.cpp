// The notice given once when the main window closes where no tray shows the client:
// what it says, that it is given once (also while the first is on its way), and that
// an alert says it when no notification server answers.
#include <gtest/gtest.h>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "app/TrayAbsenceNotice.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/Dialogs.h"
#include "fakes/FakeDesktopNotifications.h"
#include "platform/UserDefaults.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

struct Shown {
  std::string title, body;
};

class TrayAbsenceNoticeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setLogSink([this](const std::string& line) { logs.push_back(line); });
    desktop.onDeliver = [this](const std::string& t, const std::string& b, auto done) {
      shown.push_back({t, b});
      answers.push_back(std::move(done));
    };
  }
  void TearDown() override {
    drainMainLoop();
    setLogSink({});
  }
  TrayAbsenceNotice make(bool tray, std::vector<std::string> keys = {"Alt+Shift+N（悬浮快记）"}) {
    return TrayAbsenceNotice(home.defaults(), desktop, dialogs, {[tray] { return tray; }, [keys] { return keys; }});
  }
  bool said() { return home.defaults().boolean(TrayAbsenceNotice::kSaidKey).value_or(false); }

  TempHome home;
  FakeDesktopNotifications desktop;
  LoggingDialogs dialogs;
  std::vector<Shown> shown;
  std::vector<std::function<void(std::optional<std::string>)>> answers;
  std::vector<std::string> logs;
};

}  // namespace

TEST_F(TrayAbsenceNoticeTest, SaysOnceWhereNoTrayShowsTheClientAndNeverAgain) {
  make(/*tray=*/true).mainWindowClosed();
  EXPECT_TRUE(shown.empty());
  EXPECT_FALSE(said());

  auto notice = make(/*tray=*/false);
  notice.mainWindowClosed();
  notice.mainWindowClosed();  // a second close while the first notice is on its way
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].title, "墨衡台仍在运行");
  EXPECT_EQ(shown[0].body, "窗口已关闭，墨衡台仍在后台运行。再次启动墨衡台即可回到窗口；全局热键 "
                           "Alt+Shift+N（悬浮快记） 照常可用。");
  EXPECT_FALSE(said()) << "said only once it was shown";
  answers[0](std::nullopt);
  EXPECT_TRUE(said());
  notice.mainWindowClosed();
  make(/*tray=*/false).mainWindowClosed();  // the next start
  EXPECT_EQ(shown.size(), 1u);
}

TEST_F(TrayAbsenceNoticeTest, WithoutANotificationServerAnAlertSaysIt) {
  auto notice = make(/*tray=*/false, {});
  notice.mainWindowClosed();
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].body, "窗口已关闭，墨衡台仍在后台运行。再次启动墨衡台即可回到窗口。") << "no hot keys to name";
  answers[0]("org.freedesktop.DBus.Error.ServiceUnknown");
  EXPECT_EQ(countContaining(logs, "[Quorvel][ALERT] 墨衡台仍在运行：窗口已关闭"), 1);
  EXPECT_EQ(countContaining(logs, "无法发出系统通知"), 1);
  EXPECT_TRUE(said());
}

TEST_F(TrayAbsenceNoticeTest, AnAnswerAfterTheNoticeIsGoneChangesNothing) {
  {
    auto notice = make(/*tray=*/false);
    notice.mainWindowClosed();
  }
  answers[0](std::nullopt);
  EXPECT_FALSE(said());
}
