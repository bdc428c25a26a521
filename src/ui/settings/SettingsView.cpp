#include "ui/settings/SettingsView.h"

#include <gtkmm/label.h>

#include "ui/components/LawButtons.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/floating/ToolWindowContent.h"
#include "ui/settings/AccountCard.h"
#include "ui/settings/AppearanceCard.h"
#include "ui/settings/CalendarSyncSection.h"
#include "ui/settings/HotFolderSection.h"
#include "ui/settings/VolumeMirrorCard.h"

namespace quorvel {

SettingsView::SettingsView(std::function<void()> close, const SettingsServices& services,
                           std::shared_ptr<BrowserModel> browser)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0), browser_(std::move(browser)) {
  add_css_class("law-canvas");
  auto* header = Gtk::make_managed<LawSheetHeader>("客户端设置", "版本 2.2.0", "gearshape");
  auto* done = makeLawSecondaryButton("完成", true);
  done->signal_clicked().connect([close] {
    if (close) close();
  });
  header->addTrailing(*done);
  header->set_margin(18);
  append(*header);

  column_.set_margin_start(18);
  column_.set_margin_end(18);
  column_.set_margin_bottom(18);
  account_ = Gtk::make_managed<AccountCard>(
      AccountCard::Services{*browser_, services.defaults, services.dialogs, services.volume}, close);
  column_.append(*account_);
  appearance_ = Gtk::make_managed<AppearanceCard>(AppearanceCard::Services{*browser_, services.defaults, services.view});
  column_.append(*appearance_);
  volume_ = Gtk::make_managed<VolumeMirrorCard>(VolumeMirrorCard::Services{services.volume, services.defaults});
  column_.append(*volume_);
  column_.append(*Gtk::make_managed<CalendarSyncSection>(services.calendar));
  column_.append(*Gtk::make_managed<HotFolderSection>(services.inbox));
  auto* note = Gtk::make_managed<Gtk::Label>("其余设置项（隐私锁定、系统集成等）将随各自的功能提供。");
  note->add_css_class("law-placeholder-note");
  note->set_wrap(true);
  note->set_xalign(0);
  column_.append(*note);
  scroller_.set_child(column_);
  scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroller_.set_vexpand(true);
  append(scroller_);
  // The view stays with its window; what the cards show may have changed while it was hidden.
  signal_map().connect([this] {
    account_->refresh();
    appearance_->refresh();
    volume_->refresh();
  });
}

void registerSettingsView(ToolWindowContent& contents, const SettingsServices& services) {
  contents.registerFactory("settings", [services](const std::shared_ptr<BrowserModel>& browser,
                                                  std::function<void()> close) {
    return Gtk::make_managed<SettingsView>(std::move(close), services, browser);
  });
}

}  // namespace quorvel
