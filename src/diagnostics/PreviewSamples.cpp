#include "diagnostics/PreviewSamples.h"

#include <glib.h>
#include <gtkmm/box.h>

#include <cstdlib>
#include <nlohmann/json.hpp>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/BrowserModel.h"
#include "core/NavItem.h"
#include "platform/UserDefaults.h"
#include "ui/main/Placeholders.h"
#include "ui/main/SidebarView.h"
#include "ui/model/WorkspaceViewState.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {

const std::pair<const char*, const char*> kNavItems[] = {
    {"个人工作台", "/dashboard"},       {"专注工作台", "/workspace"},       {"日历与待办", "/calendar"},
    {"全局案件中心", "/cases"},         {"物流查签中心", "/logistics"},     {"文书与模板智库", "/documents_center"},
    {"已归档卷宗", "/archived_cases"},  {"消息中心", "/notifications"},     {"团队成员", "/my_team"},
    {"财务总览", "/finance_dashboard"}, {"批量导入向导", "/import_wizard"}, {"系统教程", "/tutorial"},
};

BadgeCounts sampleBadges() {
  BadgeCounts b;
  b.loaded = true;
  b.loginRequired = false;
  b.overdue = 3;
  b.today = 2;
  b.soon = 5;
  b.verify = 4;
  b.hearings = 2;
  b.user = "林知远";
  b.role = "lawyer";
  b.firm = "衡石同舟律师事务所";
  b.updatedAt = "10:25";
  return b;
}

MirrorDiff sampleDiff(const std::string& rel, long long size, MirrorDiffKind kind, long long localSize) {
  return MirrorDiff{randomUpperUUID(), MirrorFile{rel, "", size, 0}, kind, localSize};
}

std::vector<MirrorNode> sampleContracts() {
  return {{1, "2026-民字第018号（华盛科技）", 2, 3},
          {2, "2026-商字第042号（鼎泰物流）", 1, 2},
          {3, "2026-非诉第009号（星辰贸易）", 1, 1}};
}

// The sample mirror store's reads: the node list of its contracts; nothing else.
Task<std::string> sampleReply(std::string path) {
  if (path != "/api/desktop/nodes") throw AppError(errors::kMirror, 0, "示例数据里没有 " + path);
  nlohmann::json list = nlohmann::json::array();
  for (const auto& c : sampleContracts())
    list.push_back({{"id", c.id}, {"no", c.no}, {"clients", c.clients}, {"procs", c.procs}});
  co_return nlohmann::json{{"ok", true}, {"contracts", list}, {"clients", nlohmann::json::array()}}.dump();
}

// A private folder for the samples' own settings; empty when none could be made.
fs::path makePrivateFolder() {
  std::string tmpl = (fs::path(g_get_tmp_dir()) / "quorvel-render-XXXXXX").string();
  if (!g_mkdtemp(tmpl.data())) {
    logLine(tags::kRender, "无法创建示例数据的临时目录", LogLevel::warning);
    return {};
  }
  return tmpl;
}

}  // namespace

const char* const PreviewSamples::kDeadlinesJson = R"({
  "overdue": [
    {"content": "提交补充质证意见及新证据清单", "date": "2026-11-20", "days": -4,
     "client": "华盛科技有限公司", "proc": "一审 · 合同纠纷", "proc_id": 101},
    {"content": "核对二审上诉费缴纳凭证并上传卷宗", "date": "2026-11-22", "days": -2,
     "client": "周立群", "proc": "二审 · 建设工程", "proc_id": 105},
    {"content": "跟进保全裁定送达回证", "date": "2026-11-23", "days": -1,
     "client": "鼎泰物流集团", "proc": "财产保全", "proc_id": 108}
  ],
  "today": [
    {"content": "与当事人核对庭前辅导提纲", "date": "2026-11-24", "days": 0,
     "client": "华盛科技有限公司", "proc": "一审 · 合同纠纷", "proc_id": 101},
    {"content": "寄出律师函并录入顺丰单号", "date": "2026-11-24", "days": 0,
     "client": "星辰贸易", "proc": "非诉催收", "proc_id": 112}
  ],
  "soon": [],
  "verify": [],
  "hearings": []
})";

PreviewSamples::PreviewSamples(const MirrorServices& services)
    : folder_(makePrivateFolder()),
      defaults_(
          std::make_unique<UserDefaults>((folder_.empty() ? fs::path("/nonexistent") : folder_) / "defaults.json")),
      services_{*defaults_,       services.dialogs, services.desktop, services.volume,
                services.workers, services.audit,   services.clock,   services.downloads} {
  // No pages: the sample opens nothing on the service. Diagnostic mode: no session.
  model_ = BrowserModel::create({}, {*defaults_, services.audit, services.workers, services.clock}, nullptr,
                                AppMode::diagnostic);
  // The one tab the model opened stands on the sample's page.
  auto first = model_->activeTab();
  model_->newTab("/cases", "全局案件中心");
  if (first) model_->close(first);
  view_ = std::make_shared<WorkspaceViewState>(*defaults_);

  auto& account = model_->account();
  std::vector<NavItem> items;
  for (const auto& [title, path] : kNavItems) items.push_back(NavItem{title, navSymbol(path), path});
  account.setNavItems(items);
  // Newest first: 101 ends up on top.
  account.rememberProceeding(102, "乙商贸执行异议");
  account.rememberProceeding(101, "张某诉甲公司合同纠纷一审");
  account.publishBadges(sampleBadges());
  publishDeadlines();
  // Both are published on a later turn.
  drainMainLoop();
}

PreviewSamples::~PreviewSamples() {
  mirror_.reset();
  model_.reset();
  view_.reset();
  defaults_.reset();
  if (!folder_.empty()) {
    std::error_code ec;
    fs::remove_all(folder_, ec);
  }
}

void PreviewSamples::publishDeadlines() {
  if (auto lists = decodeDeadlines(kDeadlinesJson))
    model_->account().publishDeadlinesLater(*lists);
  else
    logLine(tags::kRender, "示例待办数据无法解析，待办列表保持原样", LogLevel::warning);
}

const std::shared_ptr<MirrorStore>& PreviewSamples::mirror() {
  if (mirror_) return mirror_;
  // Its folder is the samples' own, which stays empty: the user's mirror is not read.
  MirrorConfig config = MirrorConfig::load(*defaults_);
  config.rootPath = (folder_.empty() ? fs::path("/nonexistent") : folder_ / "墨衡台卷宗").string();
  config.save(*defaults_);
  MirrorStore::Preset shown;
  shown.contracts = sampleContracts();
  shown.selectedContract = 1;
  shown.folders = {
      {"00_合同公共材料", 8, 12400000}, {"01_一审诉状与证据", 24, 68500000}, {"02_庭审笔录与裁定", 6, 9200000}};
  shown.selectedFolders = {"00_合同公共材料", "01_一审诉状与证据"};
  shown.diffs = {sampleDiff("01_一审诉状与证据/补充证据清单_v2.pdf", 2340000, MirrorDiffKind::missing, 0),
                 sampleDiff("00_合同公共材料/委托代理合同.docx", 420000, MirrorDiffKind::newer, 390000)};
  shown.progressText = kMirrorProgress;
  // A store of the samples' own, over their settings and model. What the sheet reads
  // when it comes up: the sample's contracts, nothing else.
  auto workspace = std::make_shared<MirrorWorkspace>(MirrorWorkspace{model_, nullptr});
  mirror_ = MirrorStore::create(services_, std::move(workspace), sampleReply, shown);
  return mirror_;
}

SidebarInput sampleSidebarInput(const BrowserModel& model) {
  const auto& account = model.account();
  const BadgeCounts& b = account.badges.get();
  SidebarInput in;
  in.items = account.navItems.get();
  in.recents = account.recents.get();
  in.counts = {{TodoKind::overdue, b.overdue},
               {TodoKind::today, b.today},
               {TodoKind::soon, b.soon},
               {TodoKind::verify, b.verify},
               {TodoKind::hearings, b.hearings}};
  in.badgesLoaded = true;
  in.loginRequired = false;
  in.selectedPath = "/cases";
  in.userName = b.user;
  in.userRole = b.role;
  in.updatedAt = b.updatedAt;
  in.scale = 1.0;
  in.scrollable = true;
  in.trafficLightPadding = 26.0;
  return in;
}

Gtk::Widget* sampleSidebar(const BrowserModel& model) {
  return Gtk::make_managed<SidebarView>(sampleSidebarInput(model));
}

Gtk::Widget* sampleWorkspace(PreviewSamples& samples, TopBarTools tools) {
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 0);
  row->add_css_class("law-canvas");
  auto* sidebar = sampleSidebar(*samples.model());
  sidebar->set_size_request(static_cast<int>(kSidebarWidth), -1);
  sidebar->set_hexpand(false);
  row->append(*sidebar);

  auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 0);
  column->set_hexpand(true);
  column->set_vexpand(true);
  auto* bar = Gtk::make_managed<WorkspaceTopBar>(samples.model(), samples.view(), std::move(tools));
  bar->setSidebarShown(true);
  column->append(*bar);
  auto* hairline = Gtk::make_managed<Gtk::Box>();
  hairline->add_css_class("law-hairline");
  hairline->set_size_request(-1, 1);
  column->append(*hairline);
  auto* empty = Gtk::make_managed<EmptyStateView>(*samples.model());
  empty->set_hexpand(true);
  empty->set_vexpand(true);
  column->append(*empty);
  row->append(*column);
  return row;
}

}  // namespace quorvel
