#include "ui/settings/CalendarSyncSection.h"

#include "base/Task.h"
#include "features/calendar/AppleCalendarSync.h"
#include "ui/components/LawButtons.h"

namespace quorvel {

CalendarSyncSection::CalendarSyncSection(AppleCalendarSync& calendar) : calendar_(calendar) {
  title_.set_text("本机日历与提醒事项");
  title_.add_css_class("law-card-title");
  title_.set_xalign(0);
  title_.set_hexpand(true);
  header_.append(title_);
  switch_.set_valign(Gtk::Align::CENTER);
  header_.append(switch_);
  header_.set_hexpand(true);
  addContent(header_);
  for (Gtk::Label* l : {&storeLine_, &status_}) {
    l->set_xalign(0);
    l->set_wrap(true);
    l->add_css_class("law-placeholder-note");
    addContent(*l);
  }
  now_ = makeLawSecondaryButton("立即同步", true);
  now_->signal_clicked().connect([this] { spawn(calendar_.syncNow(true)); });
  addContent(*now_);

  // The user's flip turns the sync on or off; updates from the service only move the
  // switch (no second call). A move made while the flip is still being delivered is
  // notified after it, so only a state other than the sync's own is a flip.
  switch_.property_active().signal_changed().connect([this] {
    if (syncing_ || switch_.get_active() == calendar_.config->enabled) return;
    calendar_.setEnabled(switch_.get_active());
  });
  auto refresh = [this] { sync(); };
  connections_.emplace_back(calendar.config.changed().connect(refresh));
  connections_.emplace_back(calendar.statusText.changed().connect(refresh));
  connections_.emplace_back(calendar.isSyncing.changed().connect(refresh));
  connections_.emplace_back(calendar.storeDescription.changed().connect(refresh));
  sync();
}

void CalendarSyncSection::sync() {
  syncing_ = true;
  switch_.set_active(calendar_.config->enabled);
  syncing_ = false;
  const auto& store = calendar_.storeDescription.get();
  storeLine_.set_text(store.empty() ? "写入本机日历（GNOME 日历、Evolution 等可见）" : "日历存储：" + store);
  status_.set_text(calendar_.statusText.get());
  status_.set_visible(!calendar_.statusText.get().empty());
  now_->set_sensitive(calendar_.config->enabled && !calendar_.isSyncing.get());
}

}  // namespace quorvel
