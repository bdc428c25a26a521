#include "TestPages.h"

#include "base/Text.h"

#include <string>
#include <utility>
#include <vector>

namespace quorvel::test::pages {
namespace {

// The service's look. Page padding sits on .page, not on .main-wrapper: the client
// zeroes the wrapper's margin and padding when it hides the page's own chrome.
const char* kStyle = R"(<style>
*{box-sizing:border-box}
body{margin:0;background:#F3F6FA;color:#1E293B;font:14px/1.6 "Noto Sans CJK SC",sans-serif}
a{color:#24507E;text-decoration:none}
a:hover{text-decoration:underline}
h1,h2,h3{margin:0;color:#0F2740}
.sidebar{position:fixed;left:0;top:0;bottom:0;width:220px;background:#1B3A5C;color:#fff;z-index:20;overflow-y:auto}
.sidebar .brand{height:56px;display:flex;align-items:center;padding:0 22px;font-size:18px;font-weight:700;letter-spacing:3px;color:#F3DFB2;border-bottom:1px solid rgba(255,255,255,.08);margin-bottom:10px}
.sidebar a.nav-item{display:block;margin:2px 10px;padding:9px 14px;border-radius:8px;color:rgba(255,255,255,.76);text-decoration:none}
.sidebar a.nav-item:hover{background:rgba(255,255,255,.08);color:#fff}
.sidebar a.nav-item.active{background:rgba(255,255,255,.14);color:#fff;font-weight:600;box-shadow:inset 3px 0 0 #D4A853}
.d-none{display:none!important}
.sidebar-mask{display:none;position:fixed;inset:0;background:rgba(15,23,42,.35);z-index:15}
.topbar{position:sticky;top:0;z-index:10;height:52px;margin-left:220px;display:flex;align-items:center;gap:12px;padding:0 28px;background:#fff;border-bottom:1px solid #E6ECF2}
.topbar button{border:0;background:none;font-size:18px;color:#1B3A5C;cursor:pointer;padding:4px 6px;border-radius:6px}
.topbar button:hover{background:#F1F5F9}
.topbar-title{font-weight:600;color:#0F2740}
.topbar-user{margin-left:auto;font-size:13px;color:#64748B}
.main-wrapper{margin-left:220px;padding-left:0}
@media (max-width:900px){
.sidebar{transform:translateX(-100%);transition:transform .2s}
body.sidebar-open .sidebar{transform:none}
body.sidebar-open .sidebar-mask{display:block}
.topbar,.main-wrapper{margin-left:0}
}
.page{padding:24px 28px 40px;max-width:1480px}
.page-head{display:flex;align-items:flex-end;justify-content:space-between;gap:16px;flex-wrap:wrap;margin-bottom:20px}
.page-head h1{font-size:22px;font-weight:700}
.page-head .sub{margin-top:4px;color:#64748B;font-size:13px}
.actions{display:flex;gap:8px;flex-wrap:wrap}
.btn{display:inline-flex;align-items:center;gap:6px;height:34px;padding:0 14px;border-radius:8px;border:1px solid #D5DEE8;background:#fff;color:#1B3A5C;font:inherit;font-size:13px;cursor:pointer;white-space:nowrap}
.btn:hover{background:#F1F5F9;text-decoration:none}
.btn-primary{background:#1B3A5C;border-color:#1B3A5C;color:#fff}
.btn-primary:hover{background:#24507E}
.btn-sm{height:28px;padding:0 10px;font-size:12px}
.card{background:#fff;border:1px solid #E6ECF2;border-radius:12px;overflow:hidden;box-shadow:0 1px 2px rgba(15,23,42,.04),0 6px 18px rgba(15,23,42,.05)}
.card-head{display:flex;align-items:center;justify-content:space-between;gap:12px;padding:14px 18px;border-bottom:1px solid #EEF2F6}
.card-head h3{font-size:15px;font-weight:600}
.card-head .more{font-size:12px;color:#64748B}
.card-body{padding:14px 18px}
.card-body.flush{padding:0}
.muted{color:#64748B}
.small{font-size:12px}
.stats{display:grid;grid-template-columns:repeat(auto-fit,minmax(160px,1fr));gap:14px;margin-bottom:18px}
a.stat{display:block;padding:14px 18px 12px;color:inherit;border-top:3px solid #94A3B8}
a.stat:hover{text-decoration:none;box-shadow:0 1px 2px rgba(15,23,42,.05),0 10px 24px rgba(15,23,42,.09)}
.stat .label{font-size:13px;color:#64748B}
.stat .num{font-size:30px;font-weight:700;line-height:1.25;margin-top:4px}
.stat .num small{font-size:13px;font-weight:400;color:#94A3B8;margin-left:4px}
.stat .hint{font-size:12px;color:#94A3B8;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.t-red{border-top-color:#DC2626!important}.t-red .num{color:#DC2626}
.t-orange{border-top-color:#EA580C!important}.t-orange .num{color:#EA580C}
.t-amber{border-top-color:#D69E2E!important}.t-amber .num{color:#B7791F}
.t-violet{border-top-color:#7C3AED!important}.t-violet .num{color:#6D28D9}
.t-blue{border-top-color:#2563EB!important}.t-blue .num{color:#1D4ED8}
.grid-main{display:grid;grid-template-columns:minmax(0,1.8fr) minmax(300px,1fr);gap:18px;align-items:start}
.stack{display:flex;flex-direction:column;gap:18px;min-width:0}
.grid-main.wide{grid-template-columns:minmax(0,2.7fr) minmax(280px,1fr)}
@media (max-width:1100px){.grid-main,.grid-main.wide{grid-template-columns:minmax(0,1fr)}}
table.list{width:100%;border-collapse:collapse;font-size:13px}
table.list th{text-align:left;font-weight:500;color:#64748B;background:#F8FAFC;padding:9px 14px;border-bottom:1px solid #E6ECF2;white-space:nowrap}
table.list td{padding:11px 14px;border-bottom:1px solid #F0F3F7;vertical-align:middle}
table.list tr:last-child td{border-bottom:0}
table.list tbody tr:hover td{background:#F8FBFF}
.case-no{font-weight:600;color:#1B3A5C;white-space:nowrap}
.case-name{display:block;color:#64748B;font-size:12px;margin-top:1px}
.nowrap{white-space:nowrap}
.due-today{color:#C2410C;font-weight:500}
.due-verify{color:#6D28D9}
.pill{display:inline-block;padding:0 9px;border-radius:999px;font-size:12px;line-height:22px;white-space:nowrap}
.pill-blue{background:#E8F0FB;color:#1D4E89}
.pill-green{background:#E6F6EE;color:#1F7A4D}
.pill-amber{background:#FEF3E2;color:#B45309}
.pill-violet{background:#F1EBFD;color:#6D28D9}
.pill-red{background:#FDECEC;color:#B91C1C}
.pill-gray{background:#EEF2F6;color:#475569}
.dl-group{font-size:12px;font-weight:600;color:#64748B;margin:10px 0 2px;display:flex;align-items:center;gap:6px}
.dl-group:first-child{margin-top:0}
.dl-group i{width:7px;height:7px;border-radius:50%;display:inline-block}
.dl-item{display:flex;gap:12px;align-items:center;padding:9px 0;border-bottom:1px dashed #EEF2F6}
.dl-item:last-child{border-bottom:0}
.dl-date{flex:none;width:50px;text-align:center;border-radius:8px;background:#F1F5F9;padding:3px 0;font-size:11px;color:#64748B;line-height:1.35}
.dl-date b{display:block;font-size:16px;color:#1E293B}
.dl-item.overdue .dl-date{background:#FDECEC;color:#B91C1C}.dl-item.overdue .dl-date b{color:#B91C1C}
.dl-item.today .dl-date{background:#FFF1E6;color:#C2410C}.dl-item.today .dl-date b{color:#C2410C}
.dl-item.hearing .dl-date{background:#E8F0FB;color:#1D4E89}.dl-item.hearing .dl-date b{color:#1D4E89}
.dl-main{min-width:0;flex:1}
.dl-main .t{font-weight:500}
.dl-main .m{font-size:12px;color:#64748B;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
ul.file-list{list-style:none;margin:0;padding:0}
li.file-row{display:flex;align-items:center;gap:2px;padding:9px 0;border-bottom:1px solid #F0F3F7;min-width:0}
li.file-row:last-child{border-bottom:0}
a.file-link{color:#1E293B;font-weight:500;display:inline-flex;align-items:center;gap:10px;white-space:nowrap}
a.file-link::before{content:"FILE";flex:none;width:38px;height:22px;line-height:22px;border-radius:5px;text-align:center;font-size:10px;font-weight:700;letter-spacing:.5px;color:#fff;background:#94A3B8}
a.file-link[data-path$=".pdf"]::before{content:"PDF";background:#E5484D}
a.file-link[data-path$=".docx"]::before{content:"DOC";background:#2F6FD6}
a.file-link[data-path$=".xlsx"]::before{content:"XLS";background:#1F9D55}
a.file-link[data-path$=".jpg"]::before{content:"IMG";background:#D97706}
.file-meta{margin-left:auto;padding-left:12px;color:#94A3B8;font-size:12px;white-space:nowrap;overflow:hidden;text-overflow:ellipsis}
.folder-bar{display:flex;align-items:center;gap:10px;margin-top:12px;padding:10px 12px;background:#F8FAFC;border:1px solid #EEF2F6;border-radius:8px;font-size:13px}
.folder-bar code{font-family:inherit;color:#1B3A5C;font-weight:500}
.folder-bar .btn{margin-left:auto}
.file-upload-box{position:relative;margin-top:12px;padding:16px;border:1.5px dashed #C7D3E0;border-radius:10px;background:#FBFCFE;text-align:center;color:#64748B;font-size:13px}
.file-upload-box input[type=file]{position:absolute;width:1px;height:1px;opacity:0;overflow:hidden}
.file-upload-box .btn{margin:0 6px}
.link-list{list-style:none;margin:0;padding:0}
.link-list li{padding:8px 0;border-bottom:1px dashed #EEF2F6;font-size:13px}
.link-list li:last-child{border-bottom:0}
.notice-title{font-weight:500}
.tool-grid{display:flex;flex-direction:column;gap:8px}
.tool-grid .btn{justify-content:flex-start}
.filters{display:flex;align-items:center;gap:10px;flex-wrap:wrap;padding:12px 18px;border-bottom:1px solid #EEF2F6}
.seg{display:inline-flex;background:#F1F5F9;border-radius:8px;padding:3px}
.seg a{padding:4px 12px;border-radius:6px;color:#475569;font-size:13px}
.seg a:hover{text-decoration:none;color:#1B3A5C}
.seg a.on{background:#fff;color:#1B3A5C;font-weight:600;box-shadow:0 1px 2px rgba(15,23,42,.08)}
.field{height:32px;border:1px solid #D5DEE8;border-radius:8px;padding:0 10px;font:inherit;font-size:13px;color:#1E293B;background:#fff}
.field.grow{flex:1;min-width:200px;max-width:320px}
select.field{-webkit-appearance:none;appearance:none;padding-right:30px;background:#fff url("data:image/svg+xml,%3Csvg xmlns='http://www.w3.org/2000/svg' width='10' height='6'%3E%3Cpath d='M1 1l4 4 4-4' fill='none' stroke='%2364748B' stroke-width='1.5'/%3E%3C/svg%3E") no-repeat right 11px center}
.table-foot{display:flex;justify-content:space-between;align-items:center;padding:10px 18px;border-top:1px solid #EEF2F6;font-size:12px;color:#64748B}
.cal{display:grid;grid-template-columns:repeat(7,minmax(0,1fr))}
.cal .dow{padding:8px 10px;font-size:12px;color:#64748B;background:#F8FAFC;border-bottom:1px solid #E6ECF2}
.cal .day{min-height:104px;padding:6px 8px;border-right:1px solid #EEF2F6;border-bottom:1px solid #EEF2F6;min-width:0}
.cal .day:nth-child(7n){border-right:0}
.cal .day .n{display:inline-block;min-width:24px;height:24px;line-height:24px;text-align:center;font-size:13px;font-weight:500;color:#334155;border-radius:999px}
.cal .day.off .n{color:#94A3B8}
.cal .day.other{background:#FAFBFD}
.cal .day.other .n{color:#CBD5E1}
.cal .day.today{background:#F5F9FF}
.cal .day.today .n{background:#1B3A5C;color:#fff}
.ev{display:block;margin-top:3px;padding:1px 6px;border-left:3px solid;border-radius:4px;font-size:11.5px;line-height:19px;white-space:nowrap;overflow:hidden;text-overflow:ellipsis;color:inherit}
.ev:hover{text-decoration:none;filter:brightness(.97)}
.ev-hearing{background:#E8F0FB;color:#1D4E89;border-color:#2563EB}
.ev-deadline{background:#FEF3E2;color:#9A4B06;border-color:#EA580C}
.ev-overdue{background:#FDECEC;color:#B91C1C;border-color:#DC2626}
.ev-todo{background:#E6F6EE;color:#1F7A4D;border-color:#22A06B}
.ev-verify{background:#F1EBFD;color:#6D28D9;border-color:#7C3AED}
.legend{display:flex;gap:14px;font-size:12px;color:#64748B;flex-wrap:wrap}
.legend i{display:inline-block;width:10px;height:10px;border-radius:3px;margin-right:5px;vertical-align:-1px}
.month-nav{display:flex;align-items:center;gap:8px}
.month-nav b{font-size:16px;color:#0F2740;min-width:96px;text-align:center}
.todo{display:flex;gap:10px;align-items:flex-start;padding:9px 0;border-bottom:1px dashed #EEF2F6;font-size:13px}
.todo:last-child{border-bottom:0}
.todo input{margin-top:4px;accent-color:#1B3A5C}
.todo.done .t{color:#94A3B8;text-decoration:line-through}
.crumbs{font-size:12px;color:#64748B;margin-bottom:10px}
.crumbs a{color:#64748B}
.case-head{padding:20px 22px}
.case-head .top{display:flex;align-items:center;gap:10px;flex-wrap:wrap}
.case-head .num{font-size:13px;color:#1B3A5C;font-weight:600;background:#EEF3F9;border-radius:6px;padding:1px 8px}
.case-head h2{font-size:21px;margin-top:8px}
.case-head .row{display:flex;justify-content:space-between;align-items:flex-start;gap:16px;flex-wrap:wrap}
.meta-grid{display:grid;grid-template-columns:repeat(4,minmax(0,1fr));gap:12px 24px;margin-top:16px;padding-top:14px;border-top:1px solid #EEF2F6}
.meta-grid .k{font-size:12px;color:#94A3B8}
.meta-grid .v{font-size:13.5px;margin-top:1px}
.tabs{display:flex;gap:2px;border-bottom:1px solid #E2E8F0;margin:18px 0 16px}
.tabs a{padding:9px 16px;color:#64748B;border-bottom:2px solid transparent;margin-bottom:-1px}
.tabs a:hover{color:#1B3A5C;text-decoration:none}
.tabs a.on{color:#1B3A5C;border-bottom-color:#1B3A5C;font-weight:600}
.timeline{list-style:none;margin:0;padding:0 0 0 4px}
.timeline li{position:relative;padding:0 0 14px 20px;border-left:2px solid #E6ECF2;font-size:13px}
.timeline li:last-child{border-left-color:transparent;padding-bottom:0}
.timeline li::before{content:"";position:absolute;left:-6px;top:5px;width:10px;height:10px;border-radius:50%;background:#fff;border:2px solid #24507E}
.timeline .when{font-size:12px;color:#94A3B8}
.empty{padding:48px 20px;text-align:center;color:#64748B}
.empty b{display:block;font-size:16px;color:#0F2740;margin-bottom:6px}
.login-page{min-height:100vh;display:flex;align-items:center;justify-content:center;background:linear-gradient(135deg,#14304D 0%,#1B3A5C 55%,#2A5683 100%);padding:24px}
.login-box{width:380px;background:#fff;border-radius:14px;box-shadow:0 20px 50px rgba(8,20,36,.35);padding:34px 34px 28px}
.login-box h1{font-size:20px;text-align:center;margin-bottom:4px}
.login-box .tagline{text-align:center;color:#64748B;font-size:13px;margin-bottom:24px}
.login-box label{display:block;font-size:13px;color:#475569;margin-bottom:14px}
.login-box input{display:block;width:100%;height:40px;margin-top:6px;padding:0 12px;border:1px solid #D5DEE8;border-radius:8px;font:inherit;font-size:14px}
.login-box input:focus{outline:none;border-color:#24507E;box-shadow:0 0 0 3px rgba(36,80,126,.15)}
.login-box button{width:100%;height:42px;margin-top:6px;border:0;border-radius:8px;background:#1B3A5C;color:#fff;font:inherit;font-size:15px;font-weight:600;letter-spacing:4px;cursor:pointer}
.login-box button:hover{background:#24507E}
.login-box .error{margin:14px 0 0;padding:8px 12px;border-radius:8px;background:#FDECEC;color:#B91C1C;font-size:13px}
.login-foot{margin-top:20px;text-align:center;font-size:12px;color:#94A3B8}
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
                     escapeHtml(title) +
                     "</span><span class=\"topbar-user\">墨衡律师事务所 · 张律师</span></div>"
                     "<div class=\"main-wrapper\" id=\"main\"><div class=\"page\">" +
                     main + "</div></div>";
  return document(title, std::string(kStyle) + kToggleScript, body);
}

// ---- The demo firm's matters (invented) ----

struct Party {
  const char* role;
  const char* name;
  const char* kind;
  const char* agent;
};

struct Hearing {
  const char* date;  // MM-DD
  const char* time;
  const char* what;
  const char* place;
  bool done;
};

struct CaseFile {
  const char* name;
  const char* category;
  const char* by;
  const char* when;
  const char* size;
};

struct LogEntry {
  const char* when;
  const char* text;
};

struct Matter {
  int id;
  const char* number;
  const char* name;
  const char* cause;
  const char* client;
  const char* opponent;
  const char* court;
  const char* courtShort;
  const char* judge;
  const char* stage;
  const char* tone;  // pill colour
  const char* lawyer;
  const char* filed;
  const char* amount;
  const char* contract;
  const char* next;
  std::vector<Party> parties;
  std::vector<Hearing> hearings;
  std::vector<CaseFile> files;
  std::vector<LogEntry> log;
};

const std::vector<Matter>& matters() {
  static const std::vector<Matter> list = {
      {88, "（2026）京0105民初1234号", "张三诉李四合同纠纷", "买卖合同纠纷", "张三", "李四", "北京市朝阳区人民法院", "朝阳法院",
       "审判员 刘某", "一审 · 审理中", "blue", "张律师、许助理", "2026-01-08", "¥486,000.00", "HT-2026-007",
       "03-10 开庭",
       {{"原告", "张三", "自然人 · 委托人", "张律师、许助理（墨衡律师事务所）"},
        {"被告", "李四", "自然人", "王律师（外所）"}},
       {{"03-10", "09:30", "第一次开庭", "第三法庭", false},
        {"02-12", "14:00", "证据交换", "第三法庭", true}},
       {{"起诉状.pdf", "起诉材料", "张律师", "2026-01-06", "1.2 MB"},
        {"证据目录及证据材料.pdf", "证据", "许助理", "2026-02-10", "8.6 MB"},
        {"受理案件通知书.pdf", "法院文书", "许助理", "2026-01-09", "236 KB"},
        {"传票（3月10日开庭）.pdf", "法院文书", "许助理", "2026-02-20", "188 KB"},
        {"庭审提纲.docx", "工作底稿", "张律师", "2026-03-01", "64 KB"},
        {"委托代理合同.pdf", "委托材料", "张律师", "2026-01-05", "1.1 MB"}},
       {{"2026-03-01 20:14", "张律师 上传《庭审提纲.docx》"},
        {"2026-02-27 18:00", "「提交证据」期限届满，尚未标记完成"},
        {"2026-02-20 10:32", "收到法院传票，开庭定于 3 月 10 日 09:30 第三法庭"},
        {"2026-02-12 16:05", "完成证据交换，对方提交证据 4 组"},
        {"2026-01-08 11:20", "法院立案受理"}}},
      {91, "（2026）京0105民初2871号", "李四诉澄川物流有限公司劳动争议", "劳动争议（经济补偿金）", "李四",
       "澄川物流有限公司", "北京市朝阳区人民法院", "朝阳法院", "审判员 陈某", "一审 · 待缴费", "amber", "张律师",
       "2026-02-26", "¥132,600.00", "HT-2026-011", "今日 缴纳诉讼费",
       {{"原告", "李四", "自然人 · 委托人", "张律师（墨衡律师事务所）"},
        {"被告", "澄川物流有限公司", "法人", "法务 周某"}},
       {},
       {{"民事起诉状（不服仲裁裁决）.pdf", "起诉材料", "张律师", "2026-02-24", "980 KB"},
        {"仲裁裁决书.pdf", "前置程序", "张律师", "2026-02-13", "1.4 MB"},
        {"劳动合同及工资流水.pdf", "证据", "许助理", "2026-02-24", "5.2 MB"},
        {"缴费通知书.pdf", "法院文书", "许助理", "2026-02-26", "120 KB"}},
       {{"2026-02-26 15:40", "收到缴费通知，7 日内缴纳诉讼费"},
        {"2026-02-24 09:12", "向法院递交起诉材料"},
        {"2026-02-13 17:30", "收到仲裁裁决书"}}},
      {95, "（2026）京0108民初2210号", "北辰衡石建材有限公司诉青禾数码科技有限公司买卖合同纠纷", "买卖合同纠纷",
       "青禾数码科技有限公司", "北辰衡石建材有限公司", "北京市海淀区人民法院", "海淀法院", "审判员 何某", "一审 · 答辩期",
       "violet", "韩律师、张律师", "2026-02-03", "¥1,280,000.00", "HT-2026-009", "03-05 答辩期届满",
       {{"原告", "北辰衡石建材有限公司", "法人", "赵律师（外所）"},
        {"被告", "青禾数码科技有限公司", "法人 · 委托人", "韩律师、张律师（墨衡律师事务所）"}},
       {{"03-26", "09:00", "庭前会议", "第七法庭", false}},
       {{"应诉通知书及起诉状副本.pdf", "法院文书", "韩律师", "2026-02-18", "2.3 MB"},
        {"答辩状（第二稿）.docx", "工作底稿", "张律师", "2026-02-28", "48 KB"},
        {"供货对账单.xlsx", "证据", "许助理", "2026-02-25", "312 KB"}},
       {{"2026-02-28 19:02", "张律师 更新《答辩状（第二稿）》"},
        {"2026-02-18 14:25", "收到应诉材料，答辩期至 3 月 5 日"}}},
      {102, "（2025）沪0104民初5678号", "鹿鸣湾餐饮管理有限公司诉王五房屋租赁合同纠纷", "房屋租赁合同纠纷",
       "鹿鸣湾餐饮管理有限公司", "王五", "上海市徐汇区人民法院", "徐汇法院", "审判员 吴某", "一审 · 待开庭", "blue",
       "林律师", "2025-11-17", "¥356,400.00", "HT-2025-058", "开庭时间待核实",
       {{"原告", "鹿鸣湾餐饮管理有限公司", "法人 · 委托人", "林律师（墨衡律师事务所）"},
        {"被告", "王五", "自然人", "—"}},
       {{"03-16", "13:30", "开庭（法院短信通知，待核实）", "第五法庭", false}},
       {{"租赁合同.pdf", "证据", "林律师", "2025-11-10", "2.0 MB"},
        {"现场照片.jpg", "证据", "林律师", "2025-11-12", "3.4 MB"},
        {"律师函.pdf", "往来函件", "林律师", "2025-10-28", "210 KB"}},
       {{"2026-03-01 09:47", "收到法院短信：开庭时间调整为 3 月 16 日，待核实"},
        {"2026-02-28 18:00", "「回复委托人咨询函」期限届满"}}},
      {107, "（2025）京03民终1876号", "云栖禾木文化传媒有限公司与赵六著作权权属纠纷", "著作权权属纠纷",
       "云栖禾木文化传媒有限公司", "赵六", "北京市第三中级人民法院", "北京三中院", "审判长 郭某", "二审 · 审理中", "blue",
       "张律师", "2025-12-22", "¥600,000.00", "HT-2025-071", "03-18 开庭",
       {{"上诉人（原审被告）", "云栖禾木文化传媒有限公司", "法人 · 委托人", "张律师（墨衡律师事务所）"},
        {"被上诉人（原审原告）", "赵六", "自然人", "钱律师（外所）"}},
       {{"03-18", "14:00", "二审开庭", "第十二法庭", false}},
       {{"上诉状.pdf", "起诉材料", "张律师", "2025-12-15", "860 KB"},
        {"一审判决书.pdf", "法院文书", "张律师", "2025-12-02", "1.6 MB"},
        {"二审代理词（提纲）.docx", "工作底稿", "张律师", "2026-02-26", "36 KB"}},
       {{"2026-02-26 21:10", "张律师 上传《二审代理词（提纲）》"},
        {"2026-02-09 10:00", "收到二审开庭传票"}}},
      {113, "（2026）京0105执517号", "张三申请执行孙八民间借贷纠纷", "民间借贷纠纷", "张三", "孙八",
       "北京市朝阳区人民法院", "朝阳法院", "执行员 冯某", "执行 · 财产调查", "gray", "许助理", "2026-01-20", "¥215,000.00",
       "HT-2026-007", "03-03 提交财产线索",
       {{"申请执行人", "张三", "自然人 · 委托人", "许助理（墨衡律师事务所）"},
        {"被执行人", "孙八", "自然人", "—"}},
       {},
       {{"执行申请书.pdf", "起诉材料", "许助理", "2026-01-18", "420 KB"},
        {"财产线索清单.xlsx", "工作底稿", "许助理", "2026-02-27", "28 KB"}},
       {{"2026-02-27 16:20", "许助理 整理《财产线索清单》"}}},
      {118, "（2026）京0108民初3145号", "周九诉钱七机动车交通事故责任纠纷", "机动车交通事故责任纠纷", "周九", "钱七",
       "北京市海淀区人民法院", "海淀法院", "审判员 孔某", "一审 · 调解中", "green", "韩律师", "2026-02-11", "¥92,380.00",
       "HT-2026-013", "03-04 证据交换",
       {{"原告", "周九", "自然人 · 委托人", "韩律师（墨衡律师事务所）"},
        {"被告", "钱七", "自然人", "—"},
        {"被告", "某财产保险股份有限公司北京分公司", "法人", "公司员工"}},
       {{"03-04", "14:00", "证据交换", "第二调解室", false}},
       {{"事故认定书.pdf", "证据", "韩律师", "2026-02-08", "540 KB"},
        {"医疗费票据汇总.xlsx", "证据", "许助理", "2026-02-10", "44 KB"}},
       {{"2026-02-11 11:00", "法院立案，转诉前调解"}}},
      {76, "（2025）京0105民初9630号", "吴十诉澄川物流有限公司运输合同纠纷", "运输合同纠纷", "吴十",
       "澄川物流有限公司", "北京市朝阳区人民法院", "朝阳法院", "审判员 刘某", "已结案 · 调解", "gray", "张律师",
       "2025-08-04", "¥74,500.00", "HT-2025-033", "—",
       {{"原告", "吴十", "自然人 · 委托人", "张律师（墨衡律师事务所）"},
        {"被告", "澄川物流有限公司", "法人", "法务 周某"}},
       {},
       {{"民事调解书.pdf", "法院文书", "张律师", "2025-12-19", "690 KB"}},
       {{"2025-12-19 15:00", "双方达成调解，出具调解书"}}},
  };
  return list;
}

const Matter* findMatter(const std::string& id) {
  for (const auto& m : matters())
    if (std::to_string(m.id) == id) return &m;
  return nullptr;
}

std::string procHref(int id) { return "/proceeding/" + std::to_string(id) + "/detail"; }

std::string pill(const std::string& tone, const std::string& text) {
  return "<span class=\"pill pill-" + tone + "\">" + escapeHtml(text) + "</span>";
}

// The next step of a matter, coloured when it needs attention today.
std::string nextCell(const Matter& m) {
  std::string next = m.next;
  std::string cls = "nowrap small";
  if (next.rfind("今日", 0) == 0) cls += " due-today";
  else if (next.find("待核实") != std::string::npos) cls += " due-verify";
  return "<td class=\"" + cls + "\">" + escapeHtml(next) + "</td>";
}

// A deadline or hearing row of the dashboard's lists.
struct Due {
  const char* kind;  // overdue, today, soon, verify, hearing
  const char* day;
  const char* sub;
  const char* what;
  int proc;
};

const std::vector<Due>& dues() {
  static const std::vector<Due> list = {
      {"overdue", "27", "2月", "提交证据", 88},
      {"overdue", "28", "2月", "回复委托人咨询函", 102},
      {"today", "02", "今天", "缴纳诉讼费", 91},
      {"soon", "03", "周二", "提交财产线索", 113},
      {"soon", "04", "周三", "证据交换 14:00", 118},
      {"soon", "05", "周四", "答辩期届满", 95},
      {"verify", "16", "3月", "开庭时间变更（法院短信）", 102},
      {"hearing", "10", "3月", "开庭 09:30 · 第三法庭", 88},
      {"hearing", "18", "3月", "二审开庭 14:00 · 第十二法庭", 107},
  };
  return list;
}

std::string dueRows(const char* kind) {
  std::string out;
  for (const auto& d : dues()) {
    if (std::string(d.kind) != kind) continue;
    const Matter* m = findMatter(std::to_string(d.proc));
    if (!m) continue;
    std::string cls = std::string("dl-item ") + (std::string(kind) == "soon" || std::string(kind) == "verify" ? "" : kind);
    out += "<div class=\"" + cls + "\"><div class=\"dl-date\"><b>" + d.day + "</b>" + d.sub +
           "</div><div class=\"dl-main\"><div class=\"t\">" + escapeHtml(d.what) + "</div><div class=\"m\"><a href=\"" +
           procHref(d.proc) + "\">" + escapeHtml(m->number) + "</a> · " + escapeHtml(m->client) + "</div></div></div>";
  }
  return out;
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
      "<div class=\"login-page\"><div class=\"login-box\"><h1>墨衡台 · 系统登录</h1>"
      "<div class=\"tagline\">律师事务所案件协同平台</div>"
      "<form method=\"post\" action=\"/login\" id=\"loginForm\">"
      "<label>账号 <input type=\"text\" name=\"username\" id=\"username\" autocomplete=\"username\" "
      "placeholder=\"请输入账号\"></label>"
      "<label>密码 <input type=\"password\" name=\"password\" id=\"password\" "
      "autocomplete=\"current-password\" placeholder=\"请输入密码\"></label>"
      "<button type=\"submit\" id=\"loginSubmit\">登录</button></form>";
  if (!error.empty()) body += "<p class=\"error error-banner\" id=\"loginError\">" + escapeHtml(error) + "</p>";
  body += "<div class=\"login-foot\">墨衡律师事务所 · 仅限本所人员使用</div></div></div>";
  return document("系统登录 · 墨衡台", kStyle, body);
}

std::string dashboard() {
  std::string caseRows;
  for (const auto& m : matters()) {
    if (m.id == 76 || m.id == 118) continue;  // closed, or not this lawyer's
    std::string number = m.id == 88 ? "<a id=\"proceedingLink\" class=\"case-no\" href=\"/proceeding/88/detail\">" +
                                          escapeHtml(m.number) + "</a>"
                                    : "<a class=\"case-no\" href=\"" + procHref(m.id) + "\">" + escapeHtml(m.number) +
                                          "</a>";
    caseRows += "<tr><td>" + number + "<span class=\"case-name\">" + escapeHtml(m.name) + "</span></td><td>" +
                escapeHtml(m.client) + "</td><td class=\"nowrap small\">" + escapeHtml(m.courtShort) + "</td><td>" +
                pill(m.tone, m.stage) + "</td>" + nextCell(m) + "</tr>";
  }

  std::string main = R"HTML(
<div class="page-head"><div><h1>个人工作台</h1><div class="sub">上午好，张律师 · 2026年3月2日 星期一 · 民商事争议解决部</div></div>
<div class="actions"><button class="btn" id="openCasesBtn" onclick="window.open('/cases?tab=2')">在新窗口打开案件中心</button><a class="btn btn-primary" href="/cases">＋ 新建案件</a></div></div>
<div class="stats">
<a class="card stat t-red" href="/calendar"><div class="label">超期</div><div class="num">{{overdue}}<small>项</small></div><div class="hint">最早超期 3 天</div></a>
<a class="card stat t-orange" href="/calendar"><div class="label">今日到期</div><div class="num">{{today}}<small>项</small></div><div class="hint">缴纳诉讼费 · 李四</div></a>
<a class="card stat t-amber" href="/calendar"><div class="label">3天内</div><div class="num">{{soon}}<small>项</small></div><div class="hint">最近：3月3日 提交财产线索</div></a>
<a class="card stat t-violet" href="/calendar"><div class="label">待核实</div><div class="num">{{verify}}<small>项</small></div><div class="hint">法院短信通知的开庭变更</div></a>
<a class="card stat t-blue" href="/calendar"><div class="label">开庭</div><div class="num">{{hearings}}<small>场</small></div><div class="hint">下一场：3月10日 09:30</div></a>
</div>
<div class="grid-main"><div class="stack">
<div class="card"><div class="card-head"><h3>我承办的案件</h3><a class="more" href="/cases">全部案件 ›</a></div>
<div class="card-body flush"><table class="list"><thead><tr><th>案号 / 案件名称</th><th>委托人</th><th>法院</th><th>阶段</th><th>下一节点</th></tr></thead><tbody>
)HTML" + caseRows + R"HTML(
</tbody></table></div></div>
<div class="card"><div class="card-head"><h3>最近文件</h3><span class="more">卷宗盘同步 · 今天 08:52</span></div><div class="card-body">
<script>var folderRelPath='案件/2026';</script>
<ul class="file-list" id="fileList">
  <li class="file-row" id="fileRow"><a class="file-link" id="fileLink" data-path="案件/2026/起诉状.pdf" href="#">起诉状.pdf</a><small class="file-meta">张三诉李四合同纠纷 · 张律师 · 1.2 MB</small></li>
  <li class="file-row"><a class="file-link" data-path="案件/2026/庭审提纲.docx" href="#">庭审提纲.docx</a><small class="file-meta">张三诉李四合同纠纷 · 张律师 · 昨天 20:14</small></li>
  <li class="file-row"><a class="file-link" data-path="案件/2026/答辩状（第二稿）.docx" href="#">答辩状（第二稿）.docx</a><small class="file-meta">北辰衡石诉青禾数码 · 张律师 · 2月28日</small></li>
  <li class="file-row"><a class="file-link" data-path="案件/2026/财产线索清单.xlsx" href="#">财产线索清单.xlsx</a><small class="file-meta">张三申请执行孙八 · 许助理 · 2月27日</small></li>
</ul>
<div class="folder-bar"><span class="muted">卷宗文件夹</span><code>案件/2026</code><button class="btn btn-sm" id="localFolderBtn" onclick="window.__qvLocalFolderClicked=(window.__qvLocalFolderClicked||0)+1;">打开本地文件夹</button></div>
<div class="file-upload-box" id="uploadBox">
  <input type="file" id="attachInput" name="files" multiple>
  将文件拖到这里上传，或<label class="btn btn-sm" for="attachInput">选择文件</label>已选 <span id="uploadCount">0</span> 个文件
</div>
<script>
document.getElementById('attachInput').addEventListener('change', function(e){
  window.__qvUploadChanged=(window.__qvUploadChanged||0)+1;
  document.getElementById('uploadCount').textContent=String(e.target.files.length);
});
</script>
</div></div>
</div><div class="stack">
<div class="card"><div class="card-head"><h3>期限提醒</h3><a class="more" href="/calendar">日历 ›</a></div><div class="card-body">
<div class="dl-group"><i style="background:#DC2626"></i>超期</div>)HTML" +
                     dueRows("overdue") + R"HTML(
<div class="dl-group"><i style="background:#EA580C"></i>今日到期</div>)HTML" +
                     dueRows("today") + R"HTML(
<div class="dl-group"><i style="background:#D69E2E"></i>3天内</div>)HTML" +
                     dueRows("soon") + R"HTML(
<div class="dl-group"><i style="background:#7C3AED"></i>待核实</div>)HTML" +
                     dueRows("verify") + R"HTML(
</div></div>
<div class="card"><div class="card-head"><h3>近期开庭</h3><span class="more">本月 2 场</span></div><div class="card-body">)HTML" +
                     dueRows("hearing") + R"HTML(</div></div>
<div class="card"><div class="card-head"><h3>律所通知</h3></div><div class="card-body"><ul class="link-list">
<li><div class="notice-title">关于一季度案件归档检查的通知</div><div class="small muted">行政部 · 3月1日 · <a id="attachmentLink" href="/download/attachment">下载附件 报告.pdf</a></div></li>
<li><div class="notice-title">3月12日（周四）下午案件质量复盘会</div><div class="small muted">主任办公室 · 2月28日</div></li>
<li><div class="notice-title">常用：<a id="externalLink" href="http://other.invalid/page">法规数据库（外部网站）</a></div><div class="small muted">在系统浏览器中打开</div></li>
</ul></div></div>
</div></div>
)HTML";
  return chromePage("个人工作台 · 墨衡台", "/dashboard", main);
}

std::string cases() {
  std::string rows;
  for (const auto& m : matters()) {
    rows += "<tr><td><a class=\"case-no\" href=\"" + procHref(m.id) + "\">" + escapeHtml(m.number) +
            "</a><span class=\"case-name\">" + escapeHtml(m.name) + "</span></td><td class=\"small\">" +
            escapeHtml(m.cause) + "</td><td>" + escapeHtml(m.client) + "</td><td>" + escapeHtml(m.opponent) +
            "</td><td class=\"nowrap small\">" + escapeHtml(m.courtShort) + "</td><td class=\"nowrap small\">" +
            escapeHtml(m.lawyer) + "</td><td>" + pill(m.tone, m.stage) + "</td>" + nextCell(m) + "</tr>";
  }
  std::string main =
      "<div class=\"page-head\"><div><h1>全局案件中心</h1><div class=\"sub\">全所在办及近期结案案件 · 共 " +
      std::to_string(matters().size()) +
      " 件</div></div><div class=\"actions\"><a class=\"btn\" href=\"/calendar\">期限日历</a>"
      "<a class=\"btn btn-primary\" href=\"/cases\">＋ 新建案件</a></div></div>"
      "<div class=\"card\"><div class=\"filters\"><div class=\"seg\"><a class=\"on\" href=\"/cases\">全部</a>"
      "<a href=\"/cases?tab=1\">我承办的</a><a href=\"/cases?tab=2\">进行中</a><a href=\"/cases?tab=3\">已结案</a></div>"
      "<input class=\"field grow\" type=\"search\" placeholder=\"搜索案号、当事人、案由\">"
      "<select class=\"field\"><option>全部法院</option><option>北京市朝阳区人民法院</option>"
      "<option>北京市海淀区人民法院</option><option>北京市第三中级人民法院</option><option>上海市徐汇区人民法院</option>"
      "</select><select class=\"field\"><option>全部阶段</option><option>一审</option><option>二审</option>"
      "<option>执行</option><option>已结案</option></select></div>"
      "<table class=\"list\" id=\"caseTable\"><thead><tr><th>案号 / 案件名称</th><th>案由</th><th>委托人</th>"
      "<th>对方当事人</th><th>法院</th><th>承办</th><th>阶段</th><th>下一节点</th></tr></thead><tbody>" +
      rows +
      "</tbody></table><div class=\"table-foot\"><span>显示第 1–" + std::to_string(matters().size()) + " 条，共 " +
      std::to_string(matters().size()) +
      " 条</span><span>每页 20 条 · 第 1 / 1 页</span></div></div>";
  return chromePage("全局案件中心 · 墨衡台", "/cases", main);
}

std::string calendar() {
  struct Event {
    int month;
    int day;
    const char* kind;
    const char* text;  // fits a day cell
    const char* detail;
    int proc;  // 0: not tied to a case
  };
  static const std::vector<Event> events = {
      {2, 27, "overdue", "提交证据", "提交证据（已超期）· 张三诉李四合同纠纷", 88},
      {2, 28, "overdue", "回复咨询函", "回复委托人咨询函（已超期）· 鹿鸣湾餐饮", 102},
      {3, 2, "deadline", "缴纳诉讼费", "缴纳诉讼费 · 李四诉澄川物流有限公司劳动争议", 91},
      {3, 2, "todo", "整理庭审提纲", "整理庭审提纲 · 张三诉李四合同纠纷", 88},
      {3, 3, "deadline", "提交财产线索", "提交财产线索 · 张三申请执行孙八", 113},
      {3, 4, "hearing", "14:00 证据交换", "14:00 证据交换 · 周九诉钱七", 118},
      {3, 5, "deadline", "答辩期届满", "答辩期届满 · 北辰衡石诉青禾数码", 95},
      {3, 10, "hearing", "09:30 开庭", "09:30 开庭 · 张三诉李四合同纠纷 · 第三法庭", 88},
      {3, 12, "todo", "15:00 复盘会", "15:00 案件质量复盘会 · 大会议室", 0},
      {3, 13, "deadline", "提交代理词", "提交二审代理词 · 云栖禾木与赵六", 107},
      {3, 16, "verify", "13:30 开庭？", "13:30 开庭（法院短信通知，待核实）· 鹿鸣湾餐饮诉王五", 102},
      {3, 18, "hearing", "14:00 二审开庭", "14:00 二审开庭 · 云栖禾木与赵六 · 第十二法庭", 107},
      {3, 20, "deadline", "举证期届满", "举证期限届满 · 李四诉澄川物流", 91},
      {3, 26, "hearing", "09:00 庭前会议", "09:00 庭前会议 · 北辰衡石诉青禾数码", 95},
      {3, 31, "todo", "季度结案报告", "提交一季度结案报告", 0},
  };
  // March 2026 begins on a Sunday; weeks start on Monday.
  std::string grid = "<div class=\"cal\" id=\"calendarGrid\">";
  for (const char* d : {"周一", "周二", "周三", "周四", "周五", "周六", "周日"})
    grid += "<div class=\"dow\">" + std::string(d) + "</div>";
  for (int cell = 0; cell < 42; ++cell) {
    int month = 3;
    int day = cell - 5;  // cell 6 is March 1st
    if (day < 1) {
      month = 2;
      day += 28;
    } else if (day > 31) {
      month = 4;
      day -= 31;
    }
    std::string cls = "day";
    if (month != 3) cls += " other";
    if (cell % 7 >= 5) cls += " off";
    if (month == 3 && day == 2) cls += " today";
    grid += "<div class=\"" + cls + "\"><span class=\"n\">" + std::to_string(day) + "</span>";
    for (const auto& e : events) {
      if (e.month != month || e.day != day) continue;
      std::string href = e.proc ? procHref(e.proc) : "/calendar";
      grid += "<a class=\"ev ev-" + std::string(e.kind) + "\" href=\"" + href + "\" title=\"" + escapeHtml(e.detail) +
              "\">" + escapeHtml(e.text) + "</a>";
    }
    grid += "</div>";
  }
  grid += "</div>";

  std::string main = R"HTML(
<div class="page-head"><div><h1>日历与待办</h1><div class="sub">开庭、法定期限与个人待办，按月查看</div></div>
<div class="actions"><div class="month-nav"><a class="btn btn-sm" href="/calendar?month=2">‹</a><b>2026年3月</b><a class="btn btn-sm" href="/calendar?month=4">›</a></div>
<a class="btn btn-sm" href="/calendar?month=3">今天</a><div class="seg"><a class="on" href="/calendar">月</a><a href="/calendar?view=week">周</a><a href="/calendar?view=list">列表</a></div>
<a class="btn btn-primary" href="/calendar">＋ 添加待办</a></div></div>
<div class="grid-main wide"><div class="card"><div class="card-head"><h3>3月</h3><div class="legend"><span><i style="background:#2563EB"></i>开庭 / 庭审</span><span><i style="background:#EA580C"></i>期限</span><span><i style="background:#DC2626"></i>已超期</span><span><i style="background:#7C3AED"></i>待核实</span><span><i style="background:#22A06B"></i>待办</span></div></div>
)HTML" + grid + R"HTML(
</div><div class="stack">
<div class="card"><div class="card-head"><h3>今日待办</h3><span class="more">3月2日 星期一</span></div><div class="card-body">
<label class="todo"><input type="checkbox"><div><div class="t">缴纳诉讼费</div><div class="small muted">李四诉澄川物流有限公司劳动争议 · 今日到期</div></div></label>
<label class="todo"><input type="checkbox"><div><div class="t">整理庭审提纲并发送委托人确认</div><div class="small muted">张三诉李四合同纠纷 · 3月10日开庭</div></div></label>
<label class="todo"><input type="checkbox"><div><div class="t">补交证据并致电书记员说明情况</div><div class="small muted">张三诉李四合同纠纷 · 已超期 3 天</div></div></label>
<label class="todo done"><input type="checkbox" checked><div><div class="t">核对供货对账单</div><div class="small muted">北辰衡石诉青禾数码 · 已完成</div></div></label>
</div></div>
<div class="card"><div class="card-head"><h3>本月开庭</h3><span class="more">3 场 · 1 场待核实</span></div><div class="card-body">
<div class="dl-item hearing"><div class="dl-date"><b>10</b>周二</div><div class="dl-main"><div class="t">开庭 09:30 · 第三法庭</div><div class="m"><a href="/proceeding/88/detail">（2026）京0105民初1234号</a> · 张三</div></div></div>
<div class="dl-item"><div class="dl-date"><b>16</b>周一</div><div class="dl-main"><div class="t">开庭 13:30（待核实）</div><div class="m"><a href="/proceeding/102/detail">（2025）沪0104民初5678号</a> · 鹿鸣湾餐饮</div></div></div>
<div class="dl-item hearing"><div class="dl-date"><b>18</b>周三</div><div class="dl-main"><div class="t">二审开庭 14:00 · 第十二法庭</div><div class="m"><a href="/proceeding/107/detail">（2025）京03民终1876号</a> · 云栖禾木</div></div></div>
</div></div>
</div></div>
)HTML";
  return chromePage("日历与待办 · 墨衡台", "/calendar", main);
}

std::vector<std::string> proceedingFilePaths() {
  std::vector<std::string> out;
  for (const auto& m : matters())
    for (const auto& f : m.files) out.push_back(*proceedingFolder(std::to_string(m.id)) + "/" + f.name);
  return out;
}

std::optional<std::string> proceedingFolder(const std::string& id) {
  const Matter* m = findMatter(id);
  if (!m) return std::nullopt;
  return "案件/2026/" + std::string(m->number);
}

std::string proceeding(const std::string& id, const std::string& rest) {
  const std::string path = "/proceeding/" + id + rest;
  const Matter* m = findMatter(id);
  std::string title = m ? std::string(m->number) + " " + m->name + " - 墨衡台" : "案件 " + id + " - 墨衡台";
  const std::string crumbs = "<div class=\"crumbs\"><a href=\"/cases\">全局案件中心</a> / 案件详情</div>";
  // The path as requested, kept for scripts and support staff; never shown.
  const std::string pathNote = "<p id=\"procPath\" hidden>" + escapeHtml(path) + "</p>";
  if (!m) {
    std::string main = crumbs + "<h2 id=\"procTitle\" hidden>" + escapeHtml(title) + "</h2>" + pathNote +
                       "<div class=\"card empty\"><b>未找到编号为 " + escapeHtml(id) +
                       " 的案件</b>该案件可能已归档或编号有误，请回到案件中心重新查找。<br><br>"
                       "<a class=\"btn\" href=\"/cases\">返回全局案件中心</a></div>";
    return chromePage(title, path, main);
  }

  const std::string base = "/proceeding/" + id;
  std::string section = "detail";
  for (const char* s : {"files", "hearings", "log"})
    if (rest.rfind(std::string("/") + s, 0) == 0) section = s;
  auto tab = [&](const char* key, const std::string& label) {
    return "<a class=\"" + std::string(section == key ? "on" : "") + "\" href=\"" + base + "/" + key + "\">" + label +
           "</a>";
  };

  std::string head =
      "<div class=\"card case-head\"><div class=\"row\"><div><div class=\"top\"><span class=\"num\">" +
      escapeHtml(m->number) + "</span>" + pill(m->tone, m->stage) + pill("gray", m->cause) +
      "</div><h2 id=\"procTitle\">" + escapeHtml(m->name) +
      "</h2></div><div class=\"actions\"><a class=\"btn\" href=\"" + base +
      "/files\">上传文件</a><a class=\"btn\" href=\"/calendar\">添加期限</a><a class=\"btn btn-primary\" href=\"" + base +
      "/log\">记录进展</a></div></div><div class=\"meta-grid\">";
  const std::vector<std::pair<const char*, const char*>> meta = {
      {"管辖法院", m->court},  {"承办法官", m->judge},     {"承办律师", m->lawyer},   {"立案日期", m->filed},
      {"委托人", m->client},   {"标的额", m->amount},      {"委托合同", m->contract}, {"下一节点", m->next},
  };
  for (const auto& [k, v] : meta)
    head += "<div><div class=\"k\">" + std::string(k) + "</div><div class=\"v\">" + escapeHtml(v) + "</div></div>";
  head += "</div></div>";

  std::string tabs = "<div class=\"tabs\">" + tab("detail", "概览") + tab("files", "文件（" +
                     std::to_string(m->files.size()) + "）") + tab("hearings", "庭审与期限") + tab("log", "办案日志") +
                     "</div>";

  std::string parties =
      "<div class=\"card\"><div class=\"card-head\"><h3>当事人</h3></div><div class=\"card-body flush\"><table "
      "class=\"list\"><thead><tr><th>诉讼地位</th><th>名称</th><th>类型</th><th>代理人</th></tr></thead><tbody>";
  for (const auto& p : m->parties)
    parties += "<tr><td class=\"nowrap\">" + escapeHtml(p.role) + "</td><td>" + escapeHtml(p.name) +
               "</td><td class=\"small muted\">" + escapeHtml(p.kind) + "</td><td class=\"small\">" +
               escapeHtml(p.agent) + "</td></tr>";
  parties += "</tbody></table></div></div>";

  std::string hearings = "<div class=\"card\"><div class=\"card-head\"><h3>庭审安排</h3><a class=\"more\" href=\"/calendar\">"
                         "日历 ›</a></div><div class=\"card-body\">";
  if (m->hearings.empty()) hearings += "<div class=\"small muted\">暂无排期</div>";
  for (const auto& h : m->hearings) {
    std::string date = h.date;
    hearings += "<div class=\"dl-item" + std::string(h.done ? "" : " hearing") + "\"><div class=\"dl-date\"><b>" +
                date.substr(3) + "</b>" + std::to_string(std::stoi(date.substr(0, 2))) +
                "月</div><div class=\"dl-main\"><div class=\"t\">" + escapeHtml(h.what) + "</div><div class=\"m\">" +
                h.time + " · " + escapeHtml(h.place) + (h.done ? " · 已完成" : "") + "</div></div></div>";
  }
  hearings += "</div></div>";

  std::string files =
      "<div class=\"card\"><div class=\"card-head\"><h3>案件文件</h3><span class=\"more\">卷宗：案件/2026/" +
      escapeHtml(m->number) +
      "</span></div><div class=\"card-body flush\"><table class=\"list\"><thead><tr><th>文件名</th><th>类别</th>"
      "<th>上传人</th><th>上传日期</th><th>大小</th></tr></thead><tbody>";
  for (const auto& f : m->files)
    files += "<tr><td><a class=\"file-link\" data-path=\"案件/2026/" + escapeHtml(m->number) + "/" + escapeHtml(f.name) +
             "\" href=\"#\">" + escapeHtml(f.name) + "</a></td><td>" + pill("gray", f.category) +
             "</td><td class=\"small\">" + escapeHtml(f.by) + "</td><td class=\"small nowrap\">" + f.when +
             "</td><td class=\"small muted nowrap\">" + f.size + "</td></tr>";
  files += "</tbody></table></div></div>";

  std::string log = "<div class=\"card\"><div class=\"card-head\"><h3>办案日志</h3></div><div class=\"card-body\">"
                    "<ul class=\"timeline\">";
  for (const auto& e : m->log)
    log += "<li><div class=\"when\">" + std::string(e.when) + "</div>" + escapeHtml(e.text) + "</li>";
  log += "</ul></div></div>";

  std::string body;
  if (section == "files") {
    body = files;
  } else if (section == "hearings") {
    body = "<div class=\"grid-main\"><div class=\"stack\">" + hearings + "</div><div class=\"stack\">" + log +
           "</div></div>";
  } else if (section == "log") {
    body = log;
  } else {
    body = "<div class=\"grid-main\"><div class=\"stack\">" + parties + files + "</div><div class=\"stack\">" +
           hearings + log + "</div></div>";
  }
  return chromePage(title, path, crumbs + pathNote + head + tabs + body);
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

std::string servicePage(const std::string& title, const std::string& activePath, const std::string& main) {
  return chromePage(title, activePath, main);
}

}  // namespace quorvel::test::pages
