// The off-screen capture and the courier lookup against the test service's search
// pages: each page kind's answer, the snapshot's height, one answer on time-out and
// failure, and no cookie of the signed-in workspace reaching the search page.
#include <gio/gio.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "TestServiceTracking.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "features/tracking/TrackingQuery.h"
#include "platform/UserDefaults.h"
#include "web/OffscreenCapture.h"

using namespace quorvel;
using namespace quorvel::test;
namespace fs = std::filesystem;

namespace {

struct Shot {
  int calls = 0;
  GObjectPtr<GdkTexture> image;
  std::string text;
};

class TrackingCaptureTest : public ServiceTabFixture {
 protected:
  void TearDown() override {
    defaults.remove(TrackingQuery::kSearchBaseKey);
    ServiceTabFixture::TearDown();
  }

  OffscreenCaptures captures;
  // A lookup as the client runs it; without a manual confirmer undecided pages are
  // answered as judged.
  TrackingQuery tracking{defaults, false};

  std::shared_ptr<Shot> capture(const std::string& url, double settle = 0.3, double timeout = 20,
                                std::optional<std::string> js = std::nullopt) {
    auto shot = std::make_shared<Shot>();
    captures.capture(url, settle, timeout, std::move(js), [shot](GObjectPtr<GdkTexture> image, std::string text) {
      ++shot->calls;
      shot->image = std::move(image);
      shot->text = std::move(text);
    });
    return shot;
  }

  nlohmann::json lookup(const std::string& number, unsigned ms = 30000) {
    defaults.set(TrackingQuery::kSearchBaseKey, service.baseUrl());
    std::optional<nlohmann::json> answer;
    int calls = 0;
    tracking.query(number, [&](nlohmann::json a) {
      ++calls;
      answer = std::move(a);
    });
    EXPECT_TRUE(waitUntil([&] { return answer.has_value(); }, ms));
    EXPECT_EQ(calls, 1);
    return answer.value_or(nlohmann::json::object());
  }
};

// A TCP port that accepts connections and never answers.
struct SilentPort {
  GSocketListener* listener = g_socket_listener_new();
  unsigned port = g_socket_listener_add_any_inet_port(listener, nullptr, nullptr);
  ~SilentPort() {
    g_socket_listener_close(listener);
    g_object_unref(listener);
  }
};

}  // namespace

TEST_F(TrackingCaptureTest, SnapshotHasMeasuredHeightAndPageText) {
  auto tall = capture(service.url("/s?wd=DL1001"));
  auto shortPage = capture(service.url("/s?wd=TR1002"));
  ASSERT_TRUE(waitUntil([&] { return tall->calls && shortPage->calls; }, 20000));
  ASSERT_TRUE(tall->image);
  EXPECT_EQ(gdk_texture_get_width(tall->image), OffscreenCapture::kWidth);
  // The page's body is about 2500 pixels high: shot whole, not at the window's 900.
  EXPECT_GT(gdk_texture_get_height(tall->image), 2400);
  EXPECT_LE(gdk_texture_get_height(tall->image), OffscreenCapture::kMaxHeight);
  EXPECT_NE(tall->text.find("快件已签收"), std::string::npos);
  EXPECT_EQ(tall->text.find("\n["), std::string::npos);
  ASSERT_TRUE(shortPage->image);
  EXPECT_EQ(gdk_texture_get_height(shortPage->image), OffscreenCapture::kHeight);
  EXPECT_EQ(captures.activeCount(), 0u);
  EXPECT_EQ(logCount("[SHOT] ok"), 2);
}

TEST_F(TrackingCaptureTest, NeverFinishingPageEndsOnceWithTimeout) {
  SilentPort silent;
  auto shot = capture("http://127.0.0.1:" + std::to_string(silent.port) + "/s?wd=1", 0.3, 1.5);
  ASSERT_TRUE(waitUntil([&] { return shot->calls > 0; }, 8000));
  runMainLoopUntil([] { return false; }, 1000);
  EXPECT_EQ(shot->calls, 1);
  EXPECT_FALSE(shot->image);
  EXPECT_EQ(shot->text, "\n[timeout]");
  EXPECT_EQ(logCount("[SHOT] timeout 文字=0 字 图=无"), 1);
  EXPECT_EQ(captures.activeCount(), 0u);

  // A host that refuses: the navigation fails before any content.
  GSocketListener* l = g_socket_listener_new();
  unsigned closed = g_socket_listener_add_any_inet_port(l, nullptr, nullptr);
  g_socket_listener_close(l);
  g_object_unref(l);
  auto refused = capture("http://127.0.0.1:" + std::to_string(closed) + "/", 0.3, 10);
  ASSERT_TRUE(waitUntil([&] { return refused->calls > 0; }, 10000));
  EXPECT_NE(refused->text.find("\n[provisional-fail: "), std::string::npos);
  EXPECT_FALSE(refused->image);
}

// Captures still running when their owner goes end without an answer and leave no
// window behind.
TEST_F(TrackingCaptureTest, CapturesEndUnansweredWithTheirOwner) {
  SilentPort silent;
  const guint windowsBefore = g_list_model_get_n_items(gtk_window_get_toplevels());
  auto owner = std::make_unique<OffscreenCaptures>();
  int calls = 0;
  owner->capture("http://127.0.0.1:" + std::to_string(silent.port) + "/s?wd=2", 0.3, 1.0, std::nullopt,
                 [&calls](GObjectPtr<GdkTexture>, std::string) { ++calls; });
  ASSERT_EQ(owner->activeCount(), 1u);
  EXPECT_EQ(g_list_model_get_n_items(gtk_window_get_toplevels()), windowsBefore + 1);
  owner.reset();
  runMainLoopUntil([] { return false; }, 2000);  // past the capture's time-out
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(logCount("[SHOT]"), 0);
  EXPECT_EQ(g_list_model_get_n_items(gtk_window_get_toplevels()), windowsBefore);
}

TEST_F(TrackingCaptureTest, CaptureCarriesNoCookieOfTheSignedInService) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));  // the workspace is signed in
  service.clearRequests();
  auto shot = capture(service.url("/s?wd=TR2001"));
  ASSERT_TRUE(waitUntil([&] { return shot->calls > 0; }, 20000));
  auto requests = service.requestsTo("/s");
  ASSERT_FALSE(requests.empty());
  for (const auto& r : requests) {
    EXPECT_FALSE(r.cookie(TestService::kSessionCookie).has_value());
    EXPECT_EQ(r.header("user-agent"), OffscreenCapture::kUserAgent);
  }
}

TEST_F(TrackingCaptureTest, DeliveredPageAnswersWithEvidence) {
  auto answer = lookup("  DL3001 \n");
  EXPECT_EQ(answer["status"], "ok");
  EXPECT_EQ(answer["msg"], std::string("已查到签收（") + kTrackingSignTime + "） · " + kTrackingSigner);
  EXPECT_EQ(answer["tracking_no"], "DL3001");
  EXPECT_EQ(answer["source"], "百度");
  EXPECT_EQ(answer["sourceUrl"], service.url("/s?wd=DL3001"));
  EXPECT_EQ(answer["shotBase64"].get<std::string>().rfind("data:image/png;base64,iVBOR", 0), 0u);
  fs::path png = answer["shotPath"].get<std::string>();
  EXPECT_EQ(png.parent_path(), AppConfig::downloadDir());
  EXPECT_TRUE(fs::exists(png));
  fs::path record = png;
  record.replace_extension("json");
  std::ifstream in(record);
  auto json = nlohmann::json::parse(in, nullptr, false);
  EXPECT_EQ(json["file"], png.filename().string());
  EXPECT_EQ(json["tracking_no"], "DL3001");
  EXPECT_TRUE(logged("[TRACK] 自动查到签收 DL3001"));
}

TEST_F(TrackingCaptureTest, EachPageKindGivesItsAnswer) {
  TrackingQuery diagnostic(defaults, true);  // undecided pages answer directly
  defaults.set(TrackingQuery::kSearchBaseKey, service.baseUrl());
  std::map<std::string, nlohmann::json> answers;
  // Two waves: seven pages at once could outlast the capture's own time limit on a
  // loaded machine.
  for (auto wave : {std::vector<std::string>{"RT4001", "COD4002", "CLK4003", "VFY4004"},
                    std::vector<std::string>{"SLW4005", "ERR4006", "NOPE4007"}}) {
    const size_t expected = answers.size() + wave.size();
    for (const std::string& no : wave)
      diagnostic.query(no, [&answers, no](nlohmann::json a) { answers[no] = std::move(a); });
    ASSERT_TRUE(waitUntil([&] { return answers.size() == expected; }, 40000));
  }
  EXPECT_EQ(answers["RT4001"]["status"], "abnormal");
  EXPECT_EQ(answers["COD4002"]["msg"], "在途，尚未签收");  // a collection amount is no delivery
  EXPECT_EQ(answers["CLK4003"]["status"], "ok");           // after the page's own "查询"
  EXPECT_EQ(answers["VFY4004"]["msg"], "页面要求验证或查无结果，需要人工核对");
  EXPECT_EQ(answers["SLW4005"]["status"], "ok");
  EXPECT_EQ(answers["ERR4006"]["msg"], "页面没有给出签收信息");
  EXPECT_EQ(answers["NOPE4007"]["msg"], "页面要求验证或查无结果，需要人工核对");
  EXPECT_FALSE(answers["RT4001"].contains("shotPath"));
  EXPECT_TRUE(logged("[SHOT] 触发查询：clicked:查询"));
}

TEST_F(TrackingCaptureTest, UndecidedPageGoesToThePerson) {
  nlohmann::json seed;
  tracking.setManualConfirmer([&](const std::string&, const std::string& url, nlohmann::json s,
                                  TrackingQuery::Completion done) {
    seed = s;
    EXPECT_EQ(url, service.url("/s?wd=TR5001"));
    nlohmann::json a = s;
    a["status"] = "ok";
    done(a);
  });
  auto answer = lookup("TR5001");
  EXPECT_EQ(seed["msg"], "在途，尚未签收");
  EXPECT_EQ(answer["status"], "ok");
  // An empty number answers at once, without loading anything.
  service.clearRequests();
  std::optional<nlohmann::json> empty;
  tracking.query(" \n ", [&](nlohmann::json a) { empty = a; });
  ASSERT_TRUE(empty.has_value());
  EXPECT_EQ((*empty)["msg"], "单号为空");
  EXPECT_TRUE(service.requestsTo("/s").empty());
}

TEST_F(TrackingCaptureTest, EvidenceThatCannotBeWrittenNamesNoFile) {
  std::vector<guchar> pixels(4 * 4 * 4, 0xff);
  GBytes* bytes = g_bytes_new(pixels.data(), pixels.size());
  auto texture = GObjectPtr<GdkTexture>::adopt(gdk_memory_texture_new(4, 4, GDK_MEMORY_R8G8B8A8, bytes, 16));
  g_bytes_unref(bytes);

  nlohmann::json saved;
  TrackingQuery::attachEvidence(saved, texture.get(), "../SF/1", "百度");
  fs::path png = saved["shotPath"].get<std::string>();
  EXPECT_EQ(png.parent_path(), AppConfig::downloadDir());  // the number cannot leave the folder
  EXPECT_TRUE(fs::exists(png));

  // The download folder's place taken by a file: the PNG cannot be written.
  fs::path folder = AppConfig::downloadDir();
  fs::remove_all(folder);
  std::ofstream(folder) << "x";
  nlohmann::json failed;
  TrackingQuery::attachEvidence(failed, texture.get(), "SF2", "百度");
  EXPECT_EQ(failed["shotBase64"].get<std::string>().rfind("data:image/png;base64,", 0), 0u);
  EXPECT_FALSE(failed.contains("shotPath"));
  EXPECT_TRUE(logged("[TRACK] 本地留存失败"));
  fs::remove(folder);
}

TEST_F(TrackingCaptureTest, HugePageIsCappedInHeightAndText) {
  std::string html = "<html><body style='margin:0'><div style='height:9000px'>" + std::string(8000, 'x') +
                     "</div></body></html>";
  auto shot = std::make_shared<Shot>();
  captures.captureHtml(html, 0.2, 20, std::nullopt, [shot](GObjectPtr<GdkTexture> image, std::string text) {
    ++shot->calls;
    shot->image = std::move(image);
    shot->text = std::move(text);
  });
  ASSERT_TRUE(waitUntil([&] { return shot->calls > 0; }, 20000));
  ASSERT_TRUE(shot->image);
  EXPECT_EQ(gdk_texture_get_height(shot->image), OffscreenCapture::kMaxHeight);
  EXPECT_EQ(shot->text, std::string(6000, 'x'));
}
