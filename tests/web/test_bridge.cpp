// The page bridge in real tabs against the test service: commands and their replies,
// malformed requests, file actions, and messages from pages that are not the service's.
#include <gdk/gdk.h>
#include <gtest/gtest.h>

#include <map>

#include "ScanSamples.h"
#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "base/Url.h"
#include "core/BrowserModel.h"
#include "base/MainQueue.h"
#include "features/tracking/TrackingQuery.h"
#include "platform/UserDefaults.h"
#include "web/Bridge.h"
#include "web/TabController.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {
constexpr const char* kNotConnected = "[Quorvel][ALERT] 还没有连接卷宗盘：请先在「设置 → 本地卷宗盘」里连接。";
constexpr const char* kRevealNotConnected =
    "[Quorvel][ALERT] 还没有连接卷宗盘：请先在「设置 → 本地卷宗盘」里连接，或把文件下载到本地镜像目录。";
constexpr const char* kNoLocalCopy = "[Quorvel][ALERT] 还没有这个文件的本地副本：预览需要先拿到文件";

// Replaces the page's reply function with one that records every reply.
constexpr const char* kRecordReplies =
    "window.__replies = [];"
    "window.__zivEzozorReply = function(id, payload) { window.__replies.push([id, payload]); };"
    "return '';";

class BridgeTest : public ServiceTabFixture {
 protected:
  BridgeTest() : ServiceTabFixture(/*quietDialogs=*/true) {}

  std::shared_ptr<BrowserTab> tab;  // the tab the test opened

  // A signed-in dashboard in a shown tab.
  WebHarness& openDashboard() {
    signIn();
    model = services->makeBrowserModel();
    tab = model->activeTab();
    auto& h = show(tab);
    EXPECT_TRUE(waitUntil(
        [&] { return !tab->isLoading.get() && tab->currentPath.get() == "/dashboard" && !model->account().navItems->empty(); },
        15000));
    drainMainLoop();
    return h;
  }

  // The page's answer to one bridge call, parsed.
  nlohmann::json call(WebHarness& h, const std::string& cmd, const nlohmann::json& a = nullptr) {
    std::string text = h.evalText("return await ZivEzozor.call(cmd, hasA === '1' ? a : undefined);",
                                  {{"cmd", cmd}, {"hasA", a.is_null() ? "0" : "1"}, {"a", a.is_null() ? std::string() : a.get<std::string>()}});
    auto j = nlohmann::json::parse(text, nullptr, false);
    EXPECT_FALSE(j.is_discarded()) << text;
    return j;
  }

  std::optional<std::string> clipboardText() {
    struct Read {
      bool done = false;
      std::optional<std::string> text;
    } read;
    GdkClipboard* cb = gdk_display_get_clipboard(gdk_display_get_default());
    gdk_clipboard_read_text_async(
        cb, nullptr,
        [](GObject* src, GAsyncResult* res, gpointer data) {
          auto* r = static_cast<Read*>(data);
          if (char* t = gdk_clipboard_read_text_finish(GDK_CLIPBOARD(src), res, nullptr)) {
            r->text = t;
            g_free(t);
          }
          r->done = true;
        },
        &read);
    runMainLoopUntil([&] { return read.done; }, 5000);
    return read.text;
  }
};
}  // namespace

TEST_F(BridgeTest, CommandsResolveInThePageWithTheirReplies) {
  auto& h = openDashboard();
  EXPECT_EQ(call(h, "testKey"), (nlohmann::json{{"ok", true}, {"msg", "本地识别已就绪（无需 API Key）"}}));
  EXPECT_EQ(logCount("[Quorvel][BRIDGE] testKey"), 1);
  EXPECT_EQ(call(h, "OcrImageX"), (nlohmann::json{{"error", "未知命令: OcrImageX"}}));
  EXPECT_EQ(call(h, "查询"), (nlohmann::json{{"error", "未知命令: 查询"}}));

  EXPECT_EQ(call(h, "queryTracking", "  \t"), (nlohmann::json{{"status", "unknown"}, {"msg", "单号为空"}}));
  EXPECT_EQ(call(h, "QUERYTRACKING"), (nlohmann::json{{"status", "unknown"}, {"msg", "单号为空"}}));
  // A delivered page on the (test) search host answers through the page's reply.
  defaults.set(TrackingQuery::kSearchBaseKey, service.baseUrl());
  auto tracked = nlohmann::json::parse(
      h.evalText("return await ZivEzozor.call('querytracking', 'DL1234567890');", nlohmann::json::object(), 30000),
      nullptr, false);
  defaults.remove(TrackingQuery::kSearchBaseKey);
  EXPECT_EQ(tracked["status"], "ok");
  EXPECT_EQ(tracked["msg"], "已查到签收（2026-11-23 14:15:08） · 前台");
  EXPECT_EQ(tracked["tracking_no"], "DL1234567890");
  EXPECT_EQ(tracked["shotBase64"].get<std::string>().rfind("data:image/png;base64,", 0), 0u);

  nlohmann::json failed = {{"tracking_no", ""}, {"courier", ""}, {"sender", ""}, {"recipient", ""},
                           {"remark", ""},      {"status", "red"}, {"msg", "图片解析失败"}};
  EXPECT_EQ(call(h, "ocrImage"), failed);
  EXPECT_EQ(call(h, "ocrImage", "data:image/png;base64,bm90IGFuIGltYWdl"), failed);  // "not an image"
  EXPECT_EQ(call(h, "ocrImage", "https://example.com/a.png"), failed);
  // A real photo from the page's own canvas decodes; it shows no number.
  std::string png = h.evalText(
      "const c = document.createElement('canvas'); c.width = 40; c.height = 20;"
      "const g = c.getContext('2d'); g.fillStyle = '#123456'; g.fillRect(0, 0, 40, 20); return c.toDataURL('image/png');");
  ASSERT_EQ(png.rfind("data:image/png;base64,", 0), 0u);
  auto recognised = call(h, "ocrimage", png);
  EXPECT_EQ(recognised["status"], "red");
  EXPECT_EQ(recognised["msg"], "未识别到单号，请手动填写");
  // The same photo cut short is no image.
  EXPECT_EQ(call(h, "ocrimage", png.substr(0, png.size() / 2)), failed);
}

TEST_F(BridgeTest, WaybillPhotoIsReadAndAnOversizedOneRefusedWithoutStalling) {
  auto& h = openDashboard();
  std::string photo = pngDataURL(textPagePng({"中通快递", "运单号：78301234567890", "收件人：周律师 电话 021-5555"}, 700, 260));
  auto read = call(h, "ocrimage", photo);
  EXPECT_EQ(read["tracking_no"], "78301234567890");
  EXPECT_EQ(read["courier"], "中通");
  EXPECT_EQ(read["recipient"], "周律师");
  EXPECT_EQ(read["status"], "green");
  EXPECT_EQ(read["msg"], "识别成功");
  // 32 MB made in the page: refused, and the bridge answers the next call at once.
  std::string text = h.evalText(
      "const big = 'data:image/png;base64,' + 'A'.repeat(32 * 1024 * 1024);"
      "const r = await ZivEzozor.call('ocrimage', big);"
      "const t = performance.now();"
      "const k = await ZivEzozor.call('testkey');"
      "return JSON.stringify([JSON.parse(r), JSON.parse(k), performance.now() - t]);",
      nlohmann::json::object(), 20000);
  auto both = nlohmann::json::parse(text);
  EXPECT_EQ(both[0]["status"], "red");
  EXPECT_EQ(both[0]["msg"], "图片解析失败");
  EXPECT_EQ(both[1]["ok"], true);
  EXPECT_LT(both[2].get<double>(), 2000.0 * test::kSanitizerSlowdown);
}

TEST_F(BridgeTest, MalformedRequestsGetNoReplyAndOddIdsComeBackIntact) {
  auto& h = openDashboard();
  h.evalText(kRecordReplies);
  // Ids that would break a reply spliced into script text.
  std::string odd = "a'\"\\\n</script>); window.__pwned = 1; //\u2028";
  h.evalText(
      "const b = window.webkit.messageHandlers.bridge;"
      "b.postMessage({cmd: 'testkey'});"
      "b.postMessage({id: 5, cmd: 'testkey'});"
      "b.postMessage({id: 'no-cmd'});"
      "b.postMessage({id: 'num-cmd', cmd: 7});"
      "b.postMessage('testkey');"
      "b.postMessage(['r1', 'testkey']);"
      "b.postMessage(null);"
      "b.postMessage({id: 'tracking', cmd: 'querytracking', a: {no: 'SF1'}});"
      "b.postMessage({id: odd, cmd: 'testkey'});"
      "b.postMessage({id: 'last', cmd: 'TESTKEY'});"
      "return '';",
      {{"odd", odd}});
  ASSERT_TRUE(h.waitFor([&] { return h.evalText("return String(window.__replies.length);") == "3"; }, 5000))
      << h.evalText("return JSON.stringify(window.__replies);");
  h.pump(200);
  auto replies = nlohmann::json::parse(h.evalText("return JSON.stringify(window.__replies);"));
  ASSERT_EQ(replies.size(), 3u);
  std::map<std::string, nlohmann::json> byId;
  for (auto& r : replies) byId[r[0].get<std::string>()] = nlohmann::json::parse(r[1].get<std::string>());
  ASSERT_EQ(byId.count(odd), 1u);
  EXPECT_EQ(byId[odd]["ok"], true);
  EXPECT_EQ(byId["last"]["ok"], true);
  EXPECT_EQ(byId["tracking"]["msg"], "单号为空");  // a non-text "a" counts as absent
  EXPECT_EQ(h.evalText("return String(window.__pwned);"), "undefined");
}

TEST_F(BridgeTest, ActionsCopyAndAskForTheCaseVolume) {
  auto& h = openDashboard();
  h.evalText(
      "const a = window.webkit.messageHandlers.action;"
      "a.postMessage('clip:（2026）京0105民初1234号\\n第二行');"
      "a.postMessage('reveal:');"
      "a.postMessage('edit:案件/2026/起诉状.pdf');"
      "a.postMessage('preview:案件/2026/起诉状.pdf');"
      "a.postMessage('openfolder:');"
      "a.postMessage('CLIP:ignored');"
      "a.postMessage({clip: 'x'});"
      "a.postMessage('unknown:x');"
      "return '';");
  // Without a volume or a mirror folder each action says why it cannot go on.
  ASSERT_TRUE(waitUntil([&] { return logCount("[Quorvel][ALERT] ") == 4; }, 5000)) << logCount("[Quorvel][ALERT] ");
  EXPECT_EQ(logCount(kNotConnected), 1);  // openfolder (the dashboard names its folder)
  EXPECT_EQ(logCount("[Quorvel][ALERT] 没有本地副本：先连接卷宗盘"), 1);  // edit
  EXPECT_EQ(logCount(kRevealNotConnected), 1);
  EXPECT_EQ(logCount(kNoLocalCopy), 1);
  EXPECT_EQ(clipboardText(), "（2026）京0105民初1234号\n第二行");
  EXPECT_EQ(logCount("[Quorvel][VOLUME] 未连接卷宗盘，无法显示："), 1);
  EXPECT_EQ(logCount("[Quorvel][EDIT] 没有本地副本，无法编辑：案件/2026/起诉状.pdf"), 1);

  // The page's own buttons send the same actions.
  logs.clear();
  h.evalText("document.querySelector('#fileLink ~ span').click(); document.getElementById('localFolderBtn').click(); return '';");
  ASSERT_TRUE(waitUntil([&] { return logCount(kNotConnected) == 1 && logCount(kNoLocalCopy) == 1; }, 5000));
  EXPECT_EQ(logCount("无法预览：案件/2026/起诉状.pdf"), 1);
  EXPECT_EQ(h.evalText("return String(window.__qvLocalFolderClicked);"), "undefined");
}

TEST_F(BridgeTest, MessagesFromAPageOffTheServiceAreDropped) {
  auto& h = openDashboard();
  gdk_clipboard_set_text(gdk_display_get_clipboard(gdk_display_get_default()), "before");
  // A page that is not the service's in the tab's own view (a foreign http host is
  // not even let into the tab): the bridge script is there, the handlers too.
  std::string foreign = "about:blank";
  ASSERT_TRUE(h.loadHTML("<html><body><p>foreign</p></body></html>", foreign));
  auto* controller = dynamic_cast<TabController*>(tab->controller());
  ASSERT_FALSE(controller->showsServicePage());
  h.evalText(kRecordReplies);
  EXPECT_EQ(h.evalText("return String(ZivEzozor.available());"), "true");
  h.evalText(
      "window.webkit.messageHandlers.bridge.postMessage({id: 'f1', cmd: 'testkey'});"
      "window.webkit.messageHandlers.action.postMessage('clip:stolen');"
      "window.webkit.messageHandlers.action.postMessage('reveal:a.pdf');"
      "return '';");
  ASSERT_TRUE(waitUntil([&] { return logCount("[Quorvel][BRIDGE] 丢弃来自非服务页面的") >= 3; }, 5000));
  EXPECT_EQ(logCount("丢弃来自非服务页面的 bridge 消息：" + foreign), 1);
  EXPECT_EQ(logCount("丢弃来自非服务页面的 action 消息：" + foreign), 2);
  h.pump(300);
  EXPECT_EQ(h.evalText("return String(window.__replies.length);"), "0");
  EXPECT_EQ(clipboardText(), "before");
  EXPECT_EQ(logCount(kNotConnected), 0);
  EXPECT_EQ(logCount("[Quorvel][BRIDGE] testkey"), 0);
}

namespace {
// What a frame tries: every handler, and a seal it can only guess.
std::string frameScript(const std::string& label) {
  return "<script>var h = window.webkit.messageHandlers;"
         "h.bridge.postMessage({id: '" + label + "', cmd: 'testkey'});"
         "h.bridge.postMessage({quorvelSeal: '0123456789abcdef', message: {id: '" + label + "-forged', cmd: 'testkey'}});"
         "h.action.postMessage('clip:" + label + "');"
         "h.action.postMessage('reveal:" + label + ".pdf');"
         "h.nav.postMessage(JSON.stringify([{title: '" + label + "', path: '/" + label + "'}]));"
         "</script>";
}
}  // namespace

TEST_F(BridgeTest, FramesInsideAServicePageReachNeitherTheBridgeNorTheActions) {
  auto& h = openDashboard();
  gdk_clipboard_set_text(gdk_display_get_clipboard(gdk_display_get_default()), "before");
  std::string srcdoc = frameScript("srcdoc");
  for (auto [from, to] : {std::pair<std::string, std::string>{"'", "&#39;"}}) {
    for (size_t at = srcdoc.find(from); at != std::string::npos; at = srcdoc.find(from, at + to.size()))
      srcdoc.replace(at, from.size(), to);
  }
  std::string page = "<html><head><title>框架 · 墨衡台</title></head><body><p>framed</p>"
                     "<iframe src=\"data:text/html;charset=utf-8," + percentEncode(frameScript("data"), "") + "\"></iframe>"
                     "<iframe srcdoc='" + srcdoc + "'></iframe></body></html>";
  service.setRoute("/framed", [page](const RecordedRequest&) { return Reply::html(page); });
  auto items = model->account().navItems.get();
  model->loadInActive("/framed");
  ASSERT_TRUE(waitLoaded(tab, "/framed"));
  ASSERT_TRUE(waitUntil([&] { return logCount("[Quorvel][BRIDGE] 丢弃来自页面内框架的") >= 10; }, 5000))
      << logCount("[Quorvel][BRIDGE] 丢弃来自页面内框架的");
  std::string uri = service.url("/framed");
  EXPECT_EQ(logCount("丢弃来自页面内框架的 bridge 消息：" + uri), 4);
  EXPECT_EQ(logCount("丢弃来自页面内框架的 action 消息：" + uri), 4);
  EXPECT_EQ(logCount("丢弃来自页面内框架的 nav 消息"), 2);

  // The top document of the same page is still heard.
  EXPECT_EQ(call(h, "testKey")["ok"], true);
  h.pump(300);
  EXPECT_EQ(logCount("[Quorvel][BRIDGE] testkey"), 0);  // no command of a frame ran
  EXPECT_EQ(logCount("[Quorvel][BRIDGE] testKey"), 1);
  EXPECT_EQ(clipboardText(), "before");
  EXPECT_EQ(logCount(kNotConnected), 0);
  EXPECT_EQ(model->account().navItems.get(), items);
}

TEST_F(BridgeTest, APageOnAnotherPortGetsNoReplyAndItsActionsAreDropped) {
  auto& h = openDashboard();
  TestService other;
  other.start();
  other.setRoute("/page", [](const RecordedRequest&) {
    return Reply::html("<html><body><p>same host, other port</p></body></html>");
  });
  std::string foreign = other.url("/page");
  h.run("location.href = " + nlohmann::json(foreign).dump() + ";");
  ASSERT_TRUE(h.waitForLoad());
  ASSERT_TRUE(waitUntil([&] { return !tab->isLoading.get(); }, 5000));
  ASSERT_FALSE(dynamic_cast<TabController*>(tab->controller())->showsServicePage());
  h.evalText(kRecordReplies);
  EXPECT_EQ(h.evalText("return String(ZivEzozor.available());"), "true");
  h.evalText(
      "window.webkit.messageHandlers.bridge.postMessage({id: 'p1', cmd: 'testkey'});"
      "window.webkit.messageHandlers.action.postMessage('clip:stolen');"
      "window.webkit.messageHandlers.action.postMessage('edit:a.pdf');"
      "return '';");
  ASSERT_TRUE(waitUntil([&] { return logCount("丢弃来自非服务页面的") >= 3; }, 5000));
  EXPECT_EQ(logCount("[Quorvel][BRIDGE] 丢弃来自非服务页面的 bridge 消息：" + foreign), 1);
  EXPECT_EQ(logCount("[Quorvel][BRIDGE] 丢弃来自非服务页面的 action 消息：" + foreign), 2);
  h.pump(300);
  EXPECT_EQ(h.evalText("return String(window.__replies.length);"), "0");
  EXPECT_EQ(logCount("[Quorvel][BRIDGE] testkey"), 0);
  EXPECT_EQ(logCount(kNotConnected), 0);
  EXPECT_EQ(logCount("[Quorvel][EDIT]"), 0);
  // Page reads are not run in it either.
  auto read = runToEnd(model->reads().fetchJSON("/api/desktop/nodes"));
  ASSERT_TRUE(read->error);
  EXPECT_EQ(read->error->message, "没有打开的页面（请先登录）");
  EXPECT_TRUE(other.requestsTo("/api/desktop/nodes").empty());
}

TEST_F(BridgeTest, AViewThatOutlivesItsTabKeepsNeitherControllerNorBridgeAlive) {
  openDashboard();
  auto* c = dynamic_cast<TabController*>(tab->controller());
  WebKitWebView* view = WEBKIT_WEB_VIEW(g_object_ref(c->view()));
  std::weak_ptr<WebPage> controller = tab->webViewPtr();
  auto second = model->newTab("/cases", "案件");
  model->close(tab);
  tab.reset();
  drainMainLoop();
  EXPECT_TRUE(controller.expired());
  g_object_unref(view);
}

TEST(BridgeForwarder, ForwardsWhileTheTargetLivesAndDropsAfterwards) {
  struct Target : ScriptMessageHandler {
    std::vector<std::string> got;
    bool hadView = false;
    void didReceive(WebKitUserContentManager*, const ScriptMessage& m) override {
      hadView = m.webView != nullptr;
      gchar* s = jsc_value_to_string(m.body);
      got.push_back(m.name + ":" + (s ? s : ""));
      g_free(s);
    }
  };
  WebHarness h;
  auto target = std::make_shared<Target>();
  gulong id = WeakScriptMessageHandler::install(h.view(), "probe", target);
  ASSERT_TRUE(h.loadHTML("<p>x</p>"));
  h.evalText("window.webkit.messageHandlers.probe.postMessage('one'); return '';");
  ASSERT_TRUE(h.waitFor([&] { return target->got.size() == 1; }, 3000));
  EXPECT_EQ(target->got[0], "probe:one");
  EXPECT_TRUE(target->hadView);

  std::weak_ptr<Target> weak = target;
  target.reset();
  EXPECT_TRUE(weak.expired());  // the content manager did not keep it
  h.evalText("window.webkit.messageHandlers.probe.postMessage('two'); return '';");
  h.pump(200);
  g_signal_handler_disconnect(h.contentManager(), id);
}
