// Alerts do not stack: the gate both dialog implementations use, and the logging
// dialogs of test and diagnostic runs. Alerts and save panels awaited.
#include <gtest/gtest.h>

#include "TestHelpers.h"
#include "base/Log.h"
#include "base/MainQueue.h"
#include "core/AlertGate.h"
#include "core/Dialogs.h"
#include "core/FilePanels.h"
#include "fakes/FakeDialogs.h"
#include "fakes/FakeFilePanels.h"

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

namespace {
// Answers inside alert() itself, before it returns.
struct AtOnceDialogs : Dialogs {
  void alert(const std::string&, const std::string&, const std::vector<std::string>& buttons,
             std::function<void(int)> onAnswer) override {
    onAnswer(static_cast<int>(buttons.size()) - 1);
  }
};
}  // namespace

// The awaited alert gives the button pressed, -1 when dismissed, also when the answer
// comes before alert() returns; the title, text and buttons reach the dialogs as given.
TEST_F(AlertsTest, AnAwaitedAlertGivesTheButtonPressedOrMinusOne) {
  FakeDialogs fake;
  fake.answer = 1;
  auto pressed = runToEnd(ask(fake, "切换账号？", "会清除当前登录态。", {"切换", "只切换", "取消"}));
  ASSERT_TRUE(pressed->value);
  EXPECT_EQ(*pressed->value, 1);
  ASSERT_EQ(fake.shown.size(), 1u);
  EXPECT_EQ(fake.shown[0].title, "切换账号？");
  EXPECT_EQ(fake.shown[0].text, "会清除当前登录态。");
  EXPECT_EQ(fake.shown[0].buttons, (std::vector<std::string>{"切换", "只切换", "取消"}));

  auto single = runToEnd(ask(fake, "已导出", "完成。"));
  EXPECT_EQ(single->value, 1);
  EXPECT_EQ(fake.shown.back().buttons, std::vector<std::string>{"好"});

  LoggingDialogs logging;
  auto dismissed = runToEnd(ask(logging, "标题", "内容", {"好"}));
  EXPECT_EQ(dismissed->value, -1);
  EXPECT_EQ(logCount("[Quorvel][ALERT] 标题：内容"), 1);

  AtOnceDialogs atOnce;
  auto early = runToEnd(ask(atOnce, "标题", "内容", {"好", "取消"}));
  EXPECT_EQ(early->value, 1);
}

// The awaited save panel gives the chosen path, or nothing when cancelled.
TEST_F(AlertsTest, AnAwaitedSavePanelGivesThePathOrNothing) {
  FakeFilePanels panels;
  panels.answer = "/tmp/导出/当前页.pdf";
  FilePanels::SaveQuestion question{"导出当前页 PDF", "当前页.pdf", "PDF 文档", "application/pdf", "*.pdf", "/tmp"};
  auto chosen = runToEnd(askSaveFile(panels, question));
  ASSERT_TRUE(chosen->value);
  EXPECT_EQ(*chosen->value, std::optional<std::filesystem::path>("/tmp/导出/当前页.pdf"));
  ASSERT_EQ(panels.asked.size(), 1u);
  EXPECT_EQ(panels.asked[0].suggestedName, "当前页.pdf");
  EXPECT_EQ(panels.asked[0].folder, "/tmp");

  panels.answer.reset();
  auto cancelled = runToEnd(askSaveFile(panels, question));
  ASSERT_TRUE(cancelled->value);
  EXPECT_FALSE(*cancelled->value);

  CancellingFilePanels none;
  auto logged = runToEnd(askSaveFile(none, question));
  ASSERT_TRUE(logged->value);
  EXPECT_FALSE(*logged->value);
  EXPECT_EQ(logCount("[Quorvel][ALERT] 导出当前页 PDF：当前页.pdf（无窗口，视为取消）"), 1);
}
