#include "ui/settings/HotFolderSection.h"

#include <pangomm/attrlist.h>

#include "features/editing/HotFolderWatcher.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"

namespace quorvel {

HotFolderSection::HotFolderSection(HotFolderWatcher& watcher) : watcher_(watcher) {
  title_.set_markup("<span weight=\"500\">本地收件箱热文件夹（扫描仪/微信自动弹归档）</span>");
  title_.set_xalign(0);
  title_.set_wrap(true);
  path_.set_xalign(0);
  path_.set_single_line_mode(true);
  path_.set_ellipsize(Pango::EllipsizeMode::MIDDLE);
  path_.add_css_class("law-placeholder-note");
  Pango::AttrList attrs;
  auto family = Pango::Attribute::create_attr_family("monospace");
  attrs.insert(family);
  auto size = Pango::Attribute::create_attr_size_absolute(static_cast<int>(11 * PANGO_SCALE));
  attrs.insert(size);
  path_.set_attributes(attrs);
  texts_.append(title_);
  texts_.append(path_);
  texts_.set_hexpand(true);
  texts_.set_valign(Gtk::Align::CENTER);
  row_.append(texts_);

  choose_ = makeLawSecondaryButton("目录…", true);
  open_ = makeLawSecondaryButton("打开", true);
  for (Gtk::Button* b : {choose_, open_}) {
    lawHandCursor(*b);
    b->set_valign(Gtk::Align::CENTER);
    row_.append(*b);
  }
  choose_->signal_clicked().connect([this] { watcher_.chooseFolder(); });
  open_->signal_clicked().connect([this] { watcher_.openFolder(); });
  switch_.set_valign(Gtk::Align::CENTER);
  row_.append(switch_);
  row_.set_hexpand(true);
  addContent(row_);

  status_.set_xalign(0);
  status_.set_wrap(true);
  status_.add_css_class("law-placeholder-note");
  addContent(status_);

  // The user's flip switches the watcher; updates from the watcher only move the switch.
  switch_.property_active().signal_changed().connect([this] {
    if (syncing_) return;
    watcher_.setEnabled(switch_.get_active());
  });
  auto refresh = [this] { sync(); };
  connections_.emplace_back(watcher.config.changed().connect(refresh));
  connections_.emplace_back(watcher.isWatching.changed().connect(refresh));
  connections_.emplace_back(watcher.lastEventText.changed().connect(refresh));
  sync();
}

void HotFolderSection::sync() {
  auto& watcher = watcher_;
  syncing_ = true;
  switch_.set_active(watcher.config->enabled);
  syncing_ = false;
  path_.set_text(watcher.config->folderPath);
  path_.set_tooltip_text(watcher.config->folderPath);
  status_.set_text(watcher.lastEventText.get());
}

}  // namespace quorvel
