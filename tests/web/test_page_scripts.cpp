// The injected page scripts, run in a real web view against pages shaped like the
// service's (sidebar, top bar, file links, drop zones).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>

#include "TestPages.h"
#include "WebHarness.h"
#include "web/PageScripts.h"

namespace quorvel::test {
namespace {

using nlohmann::json;

const std::string& script(const std::string& file) {
  const std::string& s = PageScripts::resource(file);
  EXPECT_FALSE(s.empty()) << file << " is not embedded";
  return s;
}

std::string page(const std::string& body, const std::string& title = "测试页 · 墨衡台") {
  return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>" + title + "</title></head><body>" + body +
         "</body></html>";
}

// Counts observers the page creates from now on (the scripts' guards must keep it at one).
constexpr const char* kCountObservers =
    "window.__obsCount = 0; var O = window.MutationObserver;"
    "window.MutationObserver = function(cb){ window.__obsCount++; return new O(cb); };"
    "return 'ok';";

// ---------------------------------------------------------------------------------
// Chrome hiding

TEST(PageScriptsChromeHiding, RunningTwiceAddsOneStyleAndOneObserver) {
  WebHarness h;
  ASSERT_TRUE(h.loadHTML(pages::dashboard(), "http://localhost/dashboard"));
  ASSERT_EQ(h.evalText(kCountObservers), "ok");

  ASSERT_TRUE(h.run(script("chrome-hiding.js")).ok);
  ASSERT_TRUE(h.run(script("chrome-hiding.js")).ok);

  EXPECT_EQ(h.evalText("return String(document.querySelectorAll('#__quorvel_hide').length);"), "1");
  EXPECT_EQ(h.evalText("return String(window.__obsCount);"), "1");
  EXPECT_EQ(h.evalText("return document.body.classList.contains('embed') ? 'yes' : 'no';"), "yes");
  EXPECT_EQ(h.evalText("return getComputedStyle(document.querySelector('.sidebar')).display;"), "none");
  EXPECT_EQ(h.evalText("return getComputedStyle(document.querySelector('.topbar')).display;"), "none");
  EXPECT_EQ(h.evalText("return getComputedStyle(document.querySelector('.main-wrapper')).marginLeft;"), "0px");
  EXPECT_EQ(h.evalText("return getComputedStyle(document.querySelector('.main-wrapper')).paddingLeft;"), "0px");

  // Elements the page adds later are hidden by the observer's run.
  h.evalText("var t = document.createElement('div'); t.className = 'topbar'; t.id = 'lateBar';"
             "document.body.appendChild(t); return '';");
  EXPECT_TRUE(h.waitFor(
      [&] {
        return h.evalText("var s = document.getElementById('lateBar').style;"
                          "return s.getPropertyValue('display') + '/' + s.getPropertyPriority('display');") ==
               "none/important";
      },
      2000));
}

TEST(PageScriptsChromeHiding, InstalledAtDocumentStartAndRunAgainKeepsSidebarShut) {
  WebHarness h;
  h.addUserScript(script("chrome-hiding.js"), WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);
  ASSERT_TRUE(h.loadHTML(pages::dashboard(), "http://localhost/dashboard"));
  ASSERT_TRUE(h.run(script("chrome-hiding.js")).ok);  // as after every load

  EXPECT_EQ(h.evalText("return String(document.querySelectorAll('#__quorvel_hide').length);"), "1");
  // The page declares its own toggleSidebar; ours must win and do nothing.
  EXPECT_EQ(h.evalText("return String(window.toggleSidebar());"), "false");
  EXPECT_EQ(h.evalText("document.getElementById('menuToggle').click(); return String(window.__qvSidebarToggled);"),
            "0");
  EXPECT_EQ(h.evalText("return getComputedStyle(document.getElementById('menuToggle')).display;"), "none");
}

// ---------------------------------------------------------------------------------
// Action buttons

constexpr const char* kButtonsAfter =
    "var out = []; var n = document.getElementById(id).nextSibling;"
    "while (n && n.tagName === 'SPAN') { out.push(n.textContent + '|' + n.title); n = n.nextSibling; }"
    "return JSON.stringify(out);";

TEST(PageScriptsActionButtons, RunningTwiceAddsOneButtonSetAndOneObserver) {
  WebHarness h;
  ASSERT_TRUE(h.loadHTML(pages::dashboard(), "http://localhost/dashboard"));
  ASSERT_EQ(h.evalText(kCountObservers), "ok");
  ASSERT_TRUE(h.run(script("action-buttons.js")).ok);
  ASSERT_TRUE(h.run(script("action-buttons.js")).ok);

  EXPECT_EQ(h.evalText("return String(window.__obsCount);"), "1");
  json buttons = json::parse(h.evalText(kButtonsAfter, {{"id", "fileLink"}}));
  EXPECT_EQ(buttons, json({"👁|快速预览", "本机编辑|用本机软件打开编辑（保存后自动提示上传替换）", "📂|在文件管理器中显示"}));
  EXPECT_EQ(h.evalText("return document.getElementById('fileLink').getAttribute('data-quorvel');"), "1");
  EXPECT_EQ(h.evalText("return String(document.querySelectorAll('#localFolderBtn').length) + '|' +"
                       " document.getElementById('localFolderBtn').title;"),
            "1|在文件管理器中打开当前卷宗文件夹");
}

TEST(PageScriptsActionButtons, MarkedLinkGetsNoSecondButtonsAfterDomUpdate) {
  WebHarness h;
  ASSERT_TRUE(h.loadHTML(page("<p><a class=\"file-link\" id=\"done\" data-quorvel=\"1\" data-path=\"a.pdf\">a</a></p>"
                              "<p><a class=\"file-link\" id=\"fresh\" data-path=\"b.pdf\">b</a></p>"
                              "<div id=\"list\"></div>"),
                         "http://localhost/proceeding/88/detail"));
  ASSERT_TRUE(h.run(script("action-buttons.js")).ok);
  EXPECT_EQ(json::parse(h.evalText(kButtonsAfter, {{"id", "done"}})).size(), 0u);
  EXPECT_EQ(json::parse(h.evalText(kButtonsAfter, {{"id", "fresh"}})).size(), 3u);

  // The page adds a row; the observer decorates it and nothing else.
  h.evalText("var a = document.createElement('a'); a.className = 'file-link'; a.id = 'late';"
             "a.setAttribute('data-path', 'c.pdf'); a.textContent = 'c';"
             "document.getElementById('list').appendChild(a); return '';");
  ASSERT_TRUE(h.waitFor([&] { return json::parse(h.evalText(kButtonsAfter, {{"id", "late"}})).size() == 3u; }, 3000));
  h.pump(600);  // past the 500 ms re-run as well
  EXPECT_EQ(json::parse(h.evalText(kButtonsAfter, {{"id", "done"}})).size(), 0u);
  EXPECT_EQ(json::parse(h.evalText(kButtonsAfter, {{"id", "fresh"}})).size(), 3u);
  EXPECT_EQ(h.evalText("return String(document.querySelectorAll('span[title=\"快速预览\"]').length);"), "2");
}

TEST(PageScriptsActionButtons, ClicksPostTheirActions) {
  WebHarness h;
  h.captureMessages("action");
  h.addUserScript(script("action-buttons.js"), WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_END);
  ASSERT_TRUE(h.loadHTML(pages::dashboard(), "http://localhost/dashboard"));

  ASSERT_EQ(h.evalText("var n = document.getElementById('fileLink').nextSibling; var k = 0;"
                       "while (n && n.tagName === 'SPAN') {"
                       "  n.dispatchEvent(new MouseEvent('click', {bubbles: true, cancelable: true})); k++;"
                       "  n = n.nextSibling; }"
                       "document.getElementById('localFolderBtn').click();"
                       "return String(k);"),
            "3");
  ASSERT_TRUE(h.waitFor([&] { return h.messages("action").size() >= 4; }, 2000));
  const std::string p = "案件/2026/起诉状.pdf";
  EXPECT_EQ(h.messages("action"),
            (std::vector<std::string>{"preview:" + p, "edit:" + p, "reveal:" + p, "openfolder:"}));
  // The page's own folder button handler is gone with the replaced element.
  EXPECT_EQ(h.evalText("return String(window.__qvLocalFolderClicked || 0);"), "0");
  // A button click does not reach the link under it.
  EXPECT_EQ(h.evalText("return location.hash;"), "");
}

// ---------------------------------------------------------------------------------
// Navigation items

std::string sidebarPage(const std::string& links) {
  return page("<nav class=\"sidebar\">" + links + "</nav><div class=\"main-wrapper\">正文</div>");
}

TEST(PageScriptsNavItems, WithoutHandlerAnswersNoHandler) {
  WebHarness h;
  ASSERT_TRUE(h.loadHTML(page(pages::sidebar("/dashboard"))));
  EXPECT_EQ(h.evalText(script("nav-items.js")), "no-handler");
}

TEST(PageScriptsNavItems, PostsVisiblePathLinksInOrder) {
  WebHarness h;
  h.captureMessages("nav");
  ASSERT_TRUE(h.loadHTML(sidebarPage(
      "<a class=\"nav-item\" href=\"/dashboard\"> 个人工作台 </a>"
      "<a class=\"nav-item\" href=\"/a\" hidden>隐藏属性</a>"
      "<a class=\"nav-item\" href=\"/b\" style=\"display:none\">行内隐藏</a>"
      "<a class=\"nav-item\" href=\"/c\" aria-hidden=\"true\">无障碍隐藏</a>"
      "<a class=\"nav-item d-none\" href=\"/d\">d-none</a>"
      "<a class=\"nav-item nav-hidden\" href=\"/e\">nav-hidden</a>"
      "<a class=\"nav-item\" href=\"https://help.other.invalid/x\">外链</a>"
      "<a class=\"nav-item\" href=\"/blank\">   </a>"
      "<a class=\"other\" href=\"/not-nav\">不是导航</a>"
      "<a class=\"nav-item\" href=\"/cases?tab=2\">全局案件中心</a>")));
  EXPECT_EQ(h.evalText(script("nav-items.js")), "ok:2");
  ASSERT_TRUE(h.waitFor([&] { return h.messages("nav").size() == 1; }, 2000));
  EXPECT_EQ(json::parse(h.messages("nav")[0]),
            json::parse(R"([{"title":"个人工作台","path":"/dashboard"},{"title":"全局案件中心","path":"/cases?tab=2"}])"));

  // The service's own sidebar: one entry hidden, one not a path.
  ASSERT_TRUE(h.loadHTML(pages::dashboard(), "http://localhost/dashboard"));
  h.clearMessages("nav");
  EXPECT_EQ(h.evalText(script("nav-items.js")), "ok:5");
}

TEST(PageScriptsNavItems, AllHiddenAnswersEmptyAndPostsNothing) {
  WebHarness h;
  h.captureMessages("nav");
  ASSERT_TRUE(h.loadHTML(sidebarPage("<a class=\"nav-item d-none\" href=\"/a\">甲</a>"
                                     "<a class=\"nav-item\" href=\"/b\" hidden>乙</a>"
                                     "<a class=\"nav-item nav-hidden\" href=\"/c\">丙</a>")));
  EXPECT_EQ(h.evalText(script("nav-items.js")), "empty");
  h.pump(200);
  EXPECT_TRUE(h.messages("nav").empty());
}

// ---------------------------------------------------------------------------------
// Bridge

TEST(PageScriptsBridge, WithoutHandlerReportsStatusAndRejects) {
  {
    // Other handlers exist, "bridge" does not.
    WebHarness h;
    h.captureMessages("action");
    h.addUserScript(script("bridge.js"), WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);
    ASSERT_TRUE(h.loadHTML(page("<p>x</p>")));
    EXPECT_EQ(h.evalText("return ZivEzozor.status();"), "bridge 未注册");
    EXPECT_EQ(h.evalText("return String(ZivEzozor.available());"), "false");
    EXPECT_EQ(h.evalText("try { await ZivEzozor.call('testKey'); return 'resolved'; }"
                         " catch (e) { return e.message; }"),
              "客户端桥接未就绪：bridge 未注册");
  }
  {
    // No handler at all: the engine gives the page no window.webkit.
    WebHarness h;
    h.addUserScript(script("bridge.js"), WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);
    ASSERT_TRUE(h.loadHTML(page("<p>x</p>")));
    EXPECT_EQ(h.evalText("return ZivEzozor.status() + '|' + ZivEzozor.available();"), "不在客户端内|false");
    EXPECT_EQ(h.evalText("try { await ZivEzozor.call('testKey'); return 'resolved'; }"
                         " catch (e) { return e.message; }"),
              "客户端桥接未就绪：不在客户端内");
  }
}

TEST(PageScriptsBridge, CallPostsRequestAndReplyResolvesIt) {
  WebHarness h;
  h.captureMessages("bridge");
  h.addUserScript(script("bridge.js"), WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);
  ASSERT_TRUE(h.loadHTML(page("<p>x</p>")));
  EXPECT_EQ(h.evalText("return ZivEzozor.status() + '|' + ZivEzozor.available();"), "ok|true");

  ASSERT_EQ(h.evalText("window.__r = {};"
                       "ZivEzozor.call('ocrImage').then(function(v){ __r.r1 = v; });"
                       "ZivEzozor.call('queryTracking', 'SF1234567890').then(function(v){ __r.r2 = v; });"
                       "return 'sent';"),
            "sent");
  ASSERT_TRUE(h.waitFor([&] { return h.messages("bridge").size() == 2; }, 2000));
  EXPECT_EQ(json::parse(h.messages("bridge")[0]), json::parse(R"({"id":"r1","cmd":"ocrImage","a":null,"b":null})"));
  EXPECT_EQ(json::parse(h.messages("bridge")[1]),
            json::parse(R"({"id":"r2","cmd":"queryTracking","a":"SF1234567890","b":null})"));

  // Running the script again (a second injection) must keep the pending calls.
  ASSERT_TRUE(h.run(script("bridge.js")).ok);
  // Replies arrive as the native side sends them: string literals of id and JSON text.
  ASSERT_TRUE(h.run("window.__zivEzozorReply(\"r99\", \"{}\");").ok);  // unknown: ignored
  ASSERT_TRUE(h.run("window.__zivEzozorReply(\"r1\", \"{\\\"ok\\\":true,\\\"msg\\\":\\\"好\\\"}\");").ok);
  ASSERT_TRUE(h.run("window.__zivEzozorReply(\"r2\", {status: 'ok', list: [1, 2]});").ok);
  ASSERT_TRUE(h.run("window.__zivEzozorReply(\"r1\", \"again\");").ok);  // already settled: ignored
  ASSERT_TRUE(h.waitFor([&] { return h.evalText("return String(!!(__r.r1 && __r.r2));") == "true"; }, 2000));
  EXPECT_EQ(h.evalText("return __r.r1;"), R"({"ok":true,"msg":"好"})");
  EXPECT_EQ(h.evalText("return __r.r2;"), R"({"status":"ok","list":[1,2]})");

  // The counter goes on per page.
  EXPECT_EQ(h.evalText("ZivEzozor.call('testKey'); return 'sent';"), "sent");
  ASSERT_TRUE(h.waitFor([&] { return h.messages("bridge").size() == 3; }, 2000));
  EXPECT_EQ(json::parse(h.messages("bridge")[2])["id"], "r3");
}

// ---------------------------------------------------------------------------------
// Forbidden probe

struct ProbeCase {
  const char* name;
  std::string html;
  bool hit;
};

TEST(PageScriptsForbiddenProbe, RecognisesDeniedPagesOnly) {
  std::string longText;
  for (int i = 0; i < 60; ++i) longText += "本案材料已上传，";  // 480 characters
  const std::vector<ProbeCase> cases = {
      {"bare 403 body", "<html><head><title>墨衡台</title></head><body>403 没有权限访问</body></html>", true},
      {"bare no-entry body", pages::forbidden(), true},
      {"bare 禁止 body", "<html><body>禁止：仅主任可见</body></html>", true},
      {"Forbidden in title", page("<div>页面内容</div>", "Forbidden"), true},
      {"403 in title", page("<div>页面内容</div>", "403 · 墨衡台"), true},
      {"short page, any case", page("<h1>Access FORBIDDEN</h1>"), true},
      {"long page mentions 没有权限", page("<div>" + longText + "没有权限的同事请联系管理员。</div>"), false},
      {"403 at the start of a page with elements", page("<p>" + std::string("403 号案件") + longText + "</p>"), false},
      {"ordinary page", pages::dashboard(), false},
  };
  WebHarness h;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(h.loadHTML(c.html, "http://localhost/finance/report"));
    std::string out = h.evalText(script("forbidden-probe.js"));
    json j = json::parse(out, nullptr, false);
    ASSERT_TRUE(j.is_object()) << out;
    if (!c.hit) {
      EXPECT_EQ(out, "{}");
      continue;
    }
    EXPECT_EQ(j.value("forbidden", false), true);
    EXPECT_EQ(j.value("path", ""), "/finance/report");
    EXPECT_TRUE(j.contains("text"));
  }
}

TEST(PageScriptsForbiddenProbe, TextIsCutToFirst140Characters) {
  WebHarness h;
  std::string body = "⛔ ";
  for (int i = 0; i < 100; ++i) body += "无权访问";
  ASSERT_TRUE(h.loadHTML("<html><body>" + body + "</body></html>", "http://localhost/x"));
  json j = json::parse(h.evalText(script("forbidden-probe.js")));
  std::string text = j.at("text");
  // Every character here is three UTF-8 bytes except the sign (3) and the space (1).
  EXPECT_EQ(text.rfind("⛔ 无权访问", 0), 0u);
  EXPECT_EQ(text.size(), 3u + 1u + 138u * 3u);
}

// ---------------------------------------------------------------------------------
// Denied page

TEST(PageScriptsDeniedPage, ValuesAppearAsTextAndNothingIsInjected) {
  WebHarness h;
  ASSERT_TRUE(h.loadHTML(pages::dashboard(), "http://localhost/finance"));
  const std::string account = "张\"三'\\（主任）</div><script>window.__pwned=1</script>";
  const std::string path = "/finance'\";\n<img src=x onerror=\"window.__pwned=2\">";
  const std::string detail = "a\\b'c\"d\ne</textarea><script>window.__pwned=3</script>";
  h.evalText(script("denied-page.js"), {{"account", account}, {"path", path}, {"detail", detail}});

  EXPECT_EQ(h.evalText("return document.title;"), "无权限 · 墨衡台");
  std::string text = h.evalText("return document.body.textContent;");
  EXPECT_NE(text.find("这个功能当前账号没有权限"), std::string::npos);
  EXPECT_NE(text.find("账号：" + account), std::string::npos) << text;
  EXPECT_NE(text.find("页面：" + path), std::string::npos) << text;
  EXPECT_NE(text.find("服务端提示：" + detail), std::string::npos) << text;
  EXPECT_NE(text.find("需要的话请联系律所主任或管理员开通权限。"), std::string::npos);
  EXPECT_EQ(h.evalText("return String(document.body.querySelectorAll('script,img,textarea').length);"), "0");
  EXPECT_EQ(h.evalText("var a = document.body.querySelector('a');"
                       "return a.getAttribute('href') + '|' + a.textContent;"),
            "/dashboard|返回工作台");
  // The old page is gone: its sidebar and file list were replaced.
  EXPECT_EQ(h.evalText("return String(document.querySelectorAll('.sidebar,#fileList').length);"), "0");
  h.pump(300);
  EXPECT_EQ(h.evalText("return String(window.__pwned);"), "undefined");
}

// ---------------------------------------------------------------------------------
// Drag and drop

constexpr const char* kDropPage = R"HTML(
<div class="file-upload-box" id="box">
  <div id="inboxPanel"><span id="zoneChild">拖到收件箱</span></div>
  <span id="plain">拖到这里上传</span>
  <input type="file" id="attachInput" multiple>
</div>
<div id="outside">别处</div>
<script>
window.__changes = 0; window.__zoneDrops = -1;
document.getElementById('attachInput').addEventListener('change', function(){ window.__changes++; });
document.getElementById('inboxPanel').addEventListener('drop', function(e){
  window.__zoneDrops = e.dataTransfer.files.length;
});
</script>)HTML";

// Dispatches a drag event carrying one file (or only text) on the element with `id`;
// answers whether the default was prevented.
constexpr const char* kDrag =
    "var dt = new DataTransfer();"
    "if (withFile === 'yes') dt.items.add(new File(['hello'], 'a.txt', {type: 'text/plain'}));"
    "else dt.setData('text/plain', 'hello');"
    "var ev = new DragEvent(type, {bubbles: true, cancelable: true, dataTransfer: dt});"
    "document.getElementById(id).dispatchEvent(ev);"
    "return String(ev.defaultPrevented);";

TEST(PageScriptsDragDrop, DropsFillUploadInputsButPageZonesKeepTheirs) {
  WebHarness h;
  h.addUserScript(script("drag-drop.js"), WEBKIT_USER_SCRIPT_INJECT_AT_DOCUMENT_START);
  ASSERT_TRUE(h.loadHTML(page(kDropPage), "http://localhost/inbox"));
  EXPECT_EQ(h.evalText("return String(window.__quorVelDragDropV2);"), "true");

  // A drop zone of the page: the page gets the files, the input stays untouched.
  EXPECT_EQ(h.evalText(kDrag, {{"type", "drop"}, {"id", "zoneChild"}, {"withFile", "yes"}}), "true");
  EXPECT_EQ(h.evalText("return __zoneDrops + '|' + __changes + '|' +"
                       " document.getElementById('attachInput').files.length;"),
            "1|0|0");

  // Elsewhere in the upload box: the files go into its input.
  EXPECT_EQ(h.evalText(kDrag, {{"type", "drop"}, {"id", "plain"}, {"withFile", "yes"}}), "true");
  EXPECT_EQ(h.evalText("var f = document.getElementById('attachInput').files;"
                       "return __changes + '|' + f.length + '|' + (f[0] && f[0].name);"),
            "1|1|a.txt");

  // Outside any upload box the drop is swallowed and nothing changes.
  EXPECT_EQ(h.evalText(kDrag, {{"type", "drop"}, {"id", "outside"}, {"withFile", "yes"}}), "true");
  EXPECT_EQ(h.evalText("return String(__changes);"), "1");

  // Dragging files is allowed; drags without files are left alone.
  EXPECT_EQ(h.evalText(kDrag, {{"type", "dragover"}, {"id", "outside"}, {"withFile", "yes"}}), "true");
  EXPECT_EQ(h.evalText(kDrag, {{"type", "dragover"}, {"id", "outside"}, {"withFile", "no"}}), "false");
  EXPECT_EQ(h.evalText(kDrag, {{"type", "drop"}, {"id", "plain"}, {"withFile", "no"}}), "false");
  EXPECT_EQ(h.evalText("return String(__changes);"), "1");
}

}  // namespace
}  // namespace quorvel::test
