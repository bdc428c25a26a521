// The manual delivery confirmation window against the test service's search pages:
// one answer per window whatever is pressed, the message that fits the decision,
// evidence saved, the seed kept on cancel, and the drill.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "TestServiceTracking.h"
#include "base/MainQueue.h"
#include "features/tracking/TrackingQuery.h"
#include "platform/UserDefaults.h"
#include "ui/tracking/TrackingWindow.h"

#include <webkit/webkit.h>

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

class TrackingWindowTest : public ServiceTabFixture {
 protected:
  void TearDown() override {
    if (auto w = windows.active()) w->cancel();
    drainMainLoop();
    defaults.remove(TrackingQuery::kSearchBaseKey);
    ServiceTabFixture::TearDown();
  }

  nlohmann::json seedFor(const std::string& no) {
    return {{"status", "unknown"}, {"msg", "在途，尚未签收"}, {"raw", "运输中"},
            {"tracking_no", no},   {"source", "百度"},        {"sourceUrl", service.url("/s?wd=" + no)}};
  }

  // Opens a window on a number's page and waits until the page is there.
  std::shared_ptr<TrackingWindow> openOn(const std::string& no) {
    auto w = windows.open(no, service.url("/s?wd=" + no), seedFor(no), [this](nlohmann::json a) {
      ++calls;
      answer = std::move(a);
    });
    EXPECT_TRUE(waitUntil(
        [&] { return !webkit_web_view_is_loading(w->webView()) && webkit_web_view_get_uri(w->webView()); }, 15000));
    runMainLoopUntil([] { return false; }, 300);
    return w;
  }

  bool waitAnswer(unsigned ms = 10000) { return runMainLoopUntil([&] { return calls > 0; }, ms); }

  // The windows over the default session, as the client opens them.
  TrackingWindows windows{nullptr};
  int calls = 0;
  nlohmann::json answer;
};

}  // namespace

TEST_F(TrackingWindowTest, ConfirmSignedAnswersOnceWithEvidence) {
  auto w = openOn("DL7001");
  EXPECT_EQ(w->get_title(), "物流签收人工核对 · DL7001");
  EXPECT_EQ(w->header().titleLabel().get_text(), "物流查签核对 · DL7001");
  EXPECT_EQ(w->header().subtitleLabel().get_text(), "在途，尚未签收");
  w->markSigned();
  w->markSigned();  // a second click while reading and shooting
  w->markAbnormal();
  ASSERT_TRUE(waitAnswer());
  runMainLoopUntil([] { return false; }, 500);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(answer["status"], "ok");
  EXPECT_EQ(answer["msg"], "已查到签收（2026-11-23 14:15:08） · 前台");
  EXPECT_EQ(answer["source"], "人工核对");
  EXPECT_EQ(answer["tracking_no"], "DL7001");
  ASSERT_TRUE(answer.contains("shotPath"));
  EXPECT_TRUE(fs::exists(answer["shotPath"].get<std::string>()));
  EXPECT_FALSE(windows.active());
  EXPECT_FALSE(w->get_visible());
  w->cancel();  // after the answer: nothing
  EXPECT_EQ(calls, 1);
}

TEST_F(TrackingWindowTest, DecisionMessagesFollowTheDecision) {
  auto w = openOn("TR7002");
  w->markSigned();
  ASSERT_TRUE(waitAnswer());
  // "在途，尚未签收" mentions signing but is no delivery: the label answers.
  EXPECT_EQ(answer["status"], "ok");
  EXPECT_EQ(answer["msg"], "人工确认已签收");

  calls = 0;
  auto v = openOn("VFY7003");
  v->markSigned();
  ASSERT_TRUE(waitAnswer());
  EXPECT_EQ(answer["msg"], "人工确认已签收");

  calls = 0;
  auto d = openOn("DL7004");
  d->markAbnormal();
  ASSERT_TRUE(waitAnswer());
  EXPECT_EQ(answer["status"], "abnormal");
  EXPECT_EQ(answer["msg"], "人工确认退回/异常");
}

TEST_F(TrackingWindowTest, ClosingOrReplacingCancelsWithTheSeed) {
  auto w = openOn("TR7005");
  gtk_window_close(GTK_WINDOW(w->gobj()));
  ASSERT_TRUE(waitAnswer());
  EXPECT_EQ(answer["status"], "unknown");
  EXPECT_EQ(answer["msg"], "已取消人工核对");
  EXPECT_EQ(answer["raw"], "运输中");
  EXPECT_EQ(answer["source"], "百度");
  EXPECT_EQ(answer["sourceUrl"], service.url("/s?wd=TR7005"));

  calls = 0;
  auto first = openOn("TR7006");
  int secondCalls = 0;
  windows.open("TR7007", service.url("/s?wd=TR7007"), seedFor("TR7007"), [&](nlohmann::json) { ++secondCalls; });
  EXPECT_EQ(calls, 1);  // the first window answered its own request
  EXPECT_EQ(answer["msg"], "已取消人工核对");
  EXPECT_EQ(windows.active()->get_title(), "物流签收人工核对 · TR7007");
  EXPECT_EQ(secondCalls, 0);
}

TEST_F(TrackingWindowTest, DrillConfirmsAndTheLookupHandsOverUndecidedPages) {
  // The drill, as TRACK_TEST_MANUAL=1 hands it on.
  TrackingWindows drilled{nullptr, true};
  TrackingQuery tracking(defaults, true, true);  // the drill opens the window even here
  tracking.setManualConfirmer(drilled.confirmer());
  defaults.set(TrackingQuery::kSearchBaseKey, service.baseUrl());
  tracking.query("TR7008", [&](nlohmann::json a) {
    ++calls;
    answer = std::move(a);
  });
  ASSERT_TRUE(waitUntil([&] { return drilled.active() != nullptr; }, 25000));
  ASSERT_TRUE(waitAnswer(15000));
  runMainLoopUntil([] { return false; }, 500);
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(answer["status"], "ok");
  EXPECT_EQ(answer["msg"], "演练确认签收");
  EXPECT_EQ(answer["source"], "人工核对");
  EXPECT_TRUE(answer.contains("shotBase64"));
}
