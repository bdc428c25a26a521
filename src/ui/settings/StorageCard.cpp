#include "ui/settings/StorageCard.h"

#include <glib.h>

#include <fstream>

#include "base/GLibPtr.h"
#include "core/AppConfig.h"
#include "core/AuditLog.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "platform/Desktop.h"
#include "platform/UserDefaults.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawSectionTitle.h"
#include "ui/model/SettingsSheet.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
constexpr double kCardPadding = 14;
constexpr int kTileGap = 12;
constexpr int kTileLineGap = 3;
constexpr int kButtonGap = 8;

fs::path mirrorRoot(const UserDefaults& defaults) { return MirrorConfig::load(defaults).rootPath; }

Gtk::Label* tileLabel(const char* cssClass) {
  auto* label = Gtk::make_managed<Gtk::Label>();
  label->add_css_class(cssClass);
  label->set_xalign(0);
  return label;
}

Gtk::Widget* spacer() {
  auto* box = Gtk::make_managed<Gtk::Box>();
  box->set_hexpand(true);
  return box;
}

// The backups are emptied after the store's own confirmation, and counted again
// whatever the answer was. Runs without the card: a confirmed clear is not cut short.
Task<void> clearThenRecount(MirrorMaintenance& maintenance, std::function<void()> recount) {
  auto clearing = maintenance.clearOldVersions(true);
  co_await clearing;
  recount();
}
}  // namespace

StorageCard::StorageCard(const Services& services)
    : LawCard(kCardPadding),
      services_(services),
      refresher_(services.workers) {
  const auto& heading = settingsCardHeading(SettingsCard::storage);
  auto* head = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 0);
  head->set_hexpand(true);
  auto* title = Gtk::make_managed<LawSectionTitle>(heading.title, heading.icon);
  title->set_valign(Gtk::Align::CENTER);
  head->append(*title);
  head->append(*spacer());
  recount_ = makeLawSecondaryButton("重新统计", true);
  recount_->set_valign(Gtk::Align::CENTER);
  lawHandCursor(*recount_);
  recount_->signal_clicked().connect([this] { refresh(); });
  head->append(*recount_);
  addContent(*head);

  auto* tileRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, kTileGap);
  tileRow->set_hexpand(true);
  tileRow->set_homogeneous(true);
  for (auto& tile : tiles_) {
    auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, kTileLineGap);
    box->add_css_class("law-stat-tile");
    box->set_hexpand(true);
    tile = {tileLabel("law-stat-title"), tileLabel("law-stat-value"), tileLabel("law-stat-sub")};
    box->append(*tile.title);
    box->append(*tile.value);
    box->append(*tile.sub);
    tileRow->append(*box);
  }
  addContent(*tileRow);

  auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, kButtonGap);
  buttons->set_hexpand(true);
  auto add = [&](Gtk::Button* button, auto action) {
    button->set_valign(Gtk::Align::CENTER);
    lawHandCursor(*button);
    button->signal_clicked().connect(action);
    buttons->append(*button);
  };
  add(makeLawSecondaryButton("打开镜像目录", true), [this] { openFolder(mirrorRoot(services_.defaults)); });
  add(makeLawSecondaryButton("打开上传审计日志", true), [this] { openAuditLog(); });
  add(makeLawSecondaryButton("打开下载目录", true), [this] { openFolder(AppConfig::downloadDir()); });
  buttons->append(*spacer());
  clearOld_ = makeLawSecondaryButton("清空旧版本", true, true);
  add(clearOld_, [this] { clearOldVersions(); });
  addContent(*buttons);
  addContent(openFailure_);

  refresher_.stats.changed().connect([this] { showStats(); });
  showStats();
}

StorageCard::~StorageCard() = default;

void StorageCard::refresh() { refresher_.refresh(mirrorRoot(services_.defaults)); }

void StorageCard::showStats() {
  auto texts = storageTiles(refresher_.stats.get());
  for (size_t i = 0; i < tiles_.size(); ++i) {
    tiles_[i].title->set_text(texts[i].title);
    tiles_[i].value->set_text(texts[i].value);
    tiles_[i].sub->set_text(texts[i].sub);
  }
  clearOld_->set_visible(offersClearOldVersions(refresher_.stats.get()));
}

void StorageCard::openFolder(const fs::path& folder) {
  std::error_code ec;
  GCharPtr uri(g_filename_to_uri(folder.c_str(), nullptr, nullptr));
  if (!fs::is_directory(folder, ec) || !uri) {
    // A folder that is not there opens nothing; the card says so rather than staying silent.
    logLine(tags::kOpen, "无法打开 " + folder.string() + "：文件夹不存在", LogLevel::warning);
    openFailure_.report(missingFolder(folder.string()));
    return;
  }
  openFailure_.open(services_.desktop, uri.get());
}

void StorageCard::openAuditLog() {
  fs::path file = services_.audit.file();
  std::error_code ec;
  if (!fs::exists(file, ec)) {
    fs::create_directories(file.parent_path(), ec);
    std::ofstream touch(file, std::ios::app);  // a failure leaves nothing to show but is not reported
  }
  services_.desktop.revealFile(file);
}

void StorageCard::clearOldVersions() {
  spawn(clearThenRecount(services_.mirror.maintenance(), scope_.guard([this] { refresh(); })));
}

}  // namespace quorvel
