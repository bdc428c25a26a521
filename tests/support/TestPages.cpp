#include "TestPages.h"

#include <string>
#include <utility>
#include <vector>

namespace quorvel::test::pages {
namespace {

std::string escapeHtml(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (char c : s) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

const char* kStyle = R"(<style>
body{margin:0;font-family:sans-serif;color:#1E293B}
.sidebar{position:fixed;left:0;top:0;bottom:0;width:220px;background:#1B3A5C;color:#fff}
.sidebar a.nav-item{display:block;padding:8px 16px;color:#fff;text-decoration:none}
.sidebar-mask{position:fixed;inset:0;background:rgba(0,0,0,.3)}
.topbar{height:48px;background:#F1F5F9}
.main-wrapper{margin-left:220px;padding-left:24px}
</style>)";

// The page's own sidebar toggle; the client replaces it.
const char* kToggleScript =
    "<script>window.__qvSidebarToggled=0;function toggleSidebar(){window.__qvSidebarToggled++;"
    "document.body.classList.toggle('sidebar-open');return true;}</script>";

std::string document(const std::string& title, const std::string& head, const std::string& body) {
  return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>" + escapeHtml(title) +
         "</title>" + head + "</head><body>" + body + "</body></html>\n";
}

std::string chromePage(const std::string& title, const std::string& activePath, const std::string& main) {
  std::string body = sidebar(activePath) +
                     "<div class=\"sidebar-mask\" onclick=\"toggleSidebar()\"></div>"
                     "<div class=\"topbar\"><button id=\"menuToggle\" onclick=\"toggleSidebar()\">☰</button>"
                     "<span class=\"topbar-title\">" +
                     escapeHtml(title) + "</span></div><div class=\"main-wrapper\" id=\"main\">" + main + "</div>";
  return document(title, std::string(kStyle) + kToggleScript, body);
}

}  // namespace

std::string sidebar(const std::string& activePath) {
  struct Entry {
    const char* title;
    const char* href;
    const char* extraClass;
  };
  static const std::vector<Entry> entries = {
      {"个人工作台", "/dashboard", ""},
      {"全局案件中心", "/cases", ""},
      {"日历与待办", "/calendar", ""},
      {"案件详情", "/proceeding/88/detail", ""},
      {"权限管理", "/forbidden", ""},
      {"财务看板", "/finance_dashboard", " d-none"},
      {"帮助中心", "https://help.other.invalid/guide", ""},
  };
  std::string out = "<nav class=\"sidebar\" id=\"sidebar\"><div class=\"brand\">墨衡台</div>";
  for (const auto& e : entries) {
    std::string cls = std::string("nav-item") + e.extraClass;
    if (activePath == e.href) cls += " active";
    out += "<a class=\"" + cls + "\" href=\"" + e.href + "\">" + e.title + "</a>";
  }
  out += "</nav>";
  return out;
}

std::string login(const std::string& error) {
  std::string body =
      "<div class=\"login-box\"><h1>墨衡台 · 系统登录</h1>"
      "<form method=\"post\" action=\"/login\" id=\"loginForm\">"
      "<label>账号 <input type=\"text\" name=\"username\" id=\"username\" autocomplete=\"username\"></label>"
      "<label>密码 <input type=\"password\" name=\"password\" id=\"password\" "
      "autocomplete=\"current-password\"></label>"
      "<button type=\"submit\" id=\"loginSubmit\">登录</button></form>";
  if (!error.empty()) body += "<p class=\"error\" id=\"loginError\">" + escapeHtml(error) + "</p>";
  body += "</div>";
  return document("系统登录 · 墨衡台", kStyle, body);
}

std::string dashboard() {
  const std::string main = R"HTML(
<h2>个人工作台</h2>
<script>var folderRelPath='案件/2026';</script>
<ul class="file-list" id="fileList">
  <li class="file-row" id="fileRow"><a class="file-link" id="fileLink" data-path="案件/2026/起诉状.pdf" href="#">起诉状.pdf</a></li>
</ul>
<button id="localFolderBtn" onclick="window.__qvLocalFolderClicked=(window.__qvLocalFolderClicked||0)+1;">打开本地文件夹</button>
<div class="file-upload-box" id="uploadBox">
  <input type="file" id="attachInput" name="files" multiple>
  <span id="uploadCount">0</span>
</div>
<script>
document.getElementById('attachInput').addEventListener('change', function(e){
  window.__qvUploadChanged=(window.__qvUploadChanged||0)+1;
  document.getElementById('uploadCount').textContent=String(e.target.files.length);
});
</script>
<p><a id="proceedingLink" href="/proceeding/88/detail">（2026）京0105民初1234号</a></p>
<p><a id="attachmentLink" href="/download/attachment">下载附件 报告.pdf</a></p>
<p><a id="externalLink" href="http://other.invalid/page">外部网站</a></p>
<p><button id="openCasesBtn" onclick="window.open('/cases?tab=2')">在新窗口打开案件中心</button></p>
)HTML";
  return chromePage("个人工作台 · 墨衡台", "/dashboard", main);
}

std::string cases() {
  return chromePage("全局案件中心 · 墨衡台", "/cases",
                    "<h2>全局案件中心</h2><table id=\"caseTable\"><tr><td><a href=\"/proceeding/88/detail\">"
                    "（2026）京0105民初1234号 张三诉李四合同纠纷</a></td></tr></table>");
}

std::string calendar() {
  return chromePage("日历与待办 · 墨衡台", "/calendar", "<h2>日历与待办</h2><div id=\"calendarGrid\"></div>");
}

std::string proceeding(const std::string& id, const std::string& rest) {
  std::string title;
  if (id == "88") {
    title = "（2026）京0105民初1234号 张三诉李四合同纠纷 - 墨衡台";
  } else {
    title = "案件 " + id + " - 墨衡台";
  }
  return chromePage(title, "/proceeding/" + id + rest,
                    "<h2 id=\"procTitle\">" + escapeHtml(title) + "</h2><p id=\"procPath\">" +
                        escapeHtml("/proceeding/" + id + rest) + "</p>");
}

std::string forbidden() {
  // A bare body: only text, no child elements.
  return "<!DOCTYPE html>\n<html lang=\"zh-CN\"><head><meta charset=\"utf-8\"><title>墨衡台</title></head><body>" +
         std::string(kForbiddenText) + "：当前账号没有该功能的权限</body></html>\n";
}

std::string navGarbage() {
  // Each entry is something the "nav" handler must drop without harm.
  const std::string script = R"HTML(<script>
window.__qvNavGarbagePosted = 0;
window.postNavGarbage = function(){
  var h = window.webkit && window.webkit.messageHandlers && window.webkit.messageHandlers.nav;
  if (!h) return 0;
  var messages = [
    'this is not json {[',
    JSON.stringify({title:'个人工作台', path:'/dashboard'}),
    JSON.stringify([1, 2, 3]),
    JSON.stringify([{title:'无路径'}, {path:'/no-title'}, {title:'外链', path:'http://other.invalid/x'},
                    {title:'', path:'/empty-title'}, {title:5, path:'/number-title'}, {title:'相对', path:'cases'}]),
    [{title:'不是文本', path:'/not-text'}],
    new Array(1024 * 1024 + 1).join('x')
  ];
  var n = 0;
  for (var i = 0; i < messages.length; i++) {
    try { h.postMessage(messages[i]); n++; } catch (e) {}
  }
  window.__qvNavGarbagePosted += n;
  return n;
};
window.postNavGarbage();
</script>)HTML";
  return document("导航消息测试", "", "<p id=\"garbage\">nav garbage</p>" + script);
}

std::string newWindow() {
  const std::string body = R"HTML(
<p><a id="blankLink" target="_blank" href="/cases">在新标签打开案件中心</a></p>
<p><button id="openExternalBtn" onclick="window.open('http://other.invalid/x')">打开外部网站</button></p>
<p><button id="openFileBtn" onclick="window.open('file:///etc/passwd')">打开本地文件</button></p>
)HTML";
  return document("新窗口测试 · 墨衡台", "", body);
}

std::string serverError() {
  return document("500 服务器错误", "", "<h1>500 Internal Server Error</h1><p>服务暂时不可用</p>");
}

std::string notFound(const std::string& path) {
  return document("404 页面不存在", "", "<h1>404</h1><p>页面不存在：" + escapeHtml(path) + "</p>");
}

}  // namespace quorvel::test::pages
