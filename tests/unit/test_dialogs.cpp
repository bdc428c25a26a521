// Alerts do not stack: the gate both dialog implementations use, and the logging
// dialogs of test and diagnostic runs.
#include <gtest/gtest.h>

#include "TestHelpers.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/AlertGate.h"
#include "core/Dialogs.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {
class AlertsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setLogSink([this](const std::string& line) { logs.push_back(line); });
  }
  void TearDown() override {
    setLogSink({});
    drainMainLoop();
  }
  int logCount(const std::string& part) const { return countContaining(logs, part); }
  std::vector<std::string> logs;
};
}  // namespace

TEST_F(AlertsTest, TheGateLetsEachTitleAndTextThroughOnceUntilClosed) {
  AlertGate gate;
  EXPECT_TRUE(gate.open("还没有连接卷宗盘", "请先连接。"));
  EXPECT_FALSE(gate.open("还没有连接卷宗盘", "请先连接。"));
  EXPECT_EQ(logCount("[Quorvel][ALERT] 还没有连接卷宗盘：请先连接。（已在显示）"), 1);
  // Another text or another title is another alert.
  EXPECT_TRUE(gate.open("还没有连接卷宗盘", "另一段说明"));
  EXPECT_TRUE(gate.open("另一个标题", "请先连接。"));
  EXPECT_TRUE(gate.isShown("还没有连接卷宗盘", "请先连接。"));

  gate.close("还没有连接卷宗盘", "请先连接。");
  EXPECT_FALSE(gate.isShown("还没有连接卷宗盘", "请先连接。"));
  EXPECT_TRUE(gate.isShown("还没有连接卷宗盘", "另一段说明"));
  EXPECT_TRUE(gate.open("还没有连接卷宗盘", "请先连接。"));
  gate.close("从未显示", "x");  // closing what is not shown changes nothing
  EXPECT_FALSE(gate.open("另一个标题", "请先连接。"));
}

TEST_F(AlertsTest, LoggingDialogsShowTheSameAlertOnceUntilItIsAnswered) {
  LoggingDialogs dialogs;
  std::vector<int> answers;
  auto answer = [&](int i) { answers.push_back(i); };
  dialogs.alert("还没有连接卷宗盘", "请先连接。", {"好"}, answer);
  dialogs.alert("还没有连接卷宗盘", "请先连接。", {"好"}, answer);
  dialogs.alert("这个页面没有卷宗目录", "只有程序页才有。", {"好"}, answer);
  EXPECT_EQ(logCount("[Quorvel][ALERT] 还没有连接卷宗盘：请先连接。"), 2);
  EXPECT_EQ(logCount("[Quorvel][ALERT] 还没有连接卷宗盘：请先连接。（已在显示）"), 1);
  EXPECT_EQ(logCount("[Quorvel][ALERT] 这个页面没有卷宗目录：只有程序页才有。"), 1);
  EXPECT_TRUE(answers.empty());  // answers come on a later turn, the refused one too
  drainMainLoop();
  EXPECT_EQ(answers, (std::vector<int>{-1, -1, -1}));

  // Answered, the alert may show again.
  logs.clear();
  dialogs.alert("还没有连接卷宗盘", "请先连接。", {"好"}, answer);
  EXPECT_EQ(logs, (std::vector<std::string>{"[Quorvel][ALERT] 还没有连接卷宗盘：请先连接。"}));
  drainMainLoop();
  EXPECT_EQ(answers.size(), 4u);
}

TEST_F(AlertsTest, AnAnswerAfterTheDialogsAreGoneIsStillDelivered) {
  int answered = 0;
  {
    LoggingDialogs dialogs;
    dialogs.alert("标题", "内容", {"好"}, [&](int i) { answered = i == -1 ? 1 : 2; });
  }
  drainMainLoop();
  EXPECT_EQ(answered, 1);
}
