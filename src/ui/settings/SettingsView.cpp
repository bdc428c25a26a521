#include "ui/settings/SettingsView.h"

#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include "ui/components/LawButtons.h"
#include "ui/components/LawCard.h"
#include "ui/components/LawSectionTitle.h"
#include "ui/floating/ToolWindowContent.h"
#include "ui/model/SettingsSheet.h"
#include "ui/settings/AccountCard.h"
#include "ui/settings/AppearanceCard.h"
#include "ui/settings/MaintenanceCard.h"
#include "ui/settings/StorageCard.h"
#include "ui/settings/VolumeMirrorCard.h"

namespace quorvel {

namespace {
constexpr int kCardGap = 10;
constexpr int kColumnInset = 14;

}  // namespace

SettingsView::SettingsView(std::shared_ptr<BrowserModel> browser, std::function<void()> close,
                           const SettingsServices& services)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      close_(std::move(close)),
      header_(kSettingsSheetTitle, kSettingsSheetSubtitle, kSettingsSheetIcon),
      column_(Gtk::Orientation::VERTICAL, kCardGap),
      escape_(*this, [this] { done(); }) {
  add_css_class("law-settings-sheet");
  done_ = makeLawPrimaryButton(kSettingsSheetDone, true);
  done_->signal_clicked().connect([this] { done(); });
  header_.addTrailing(*done_);
  append(header_);

  account_ = Gtk::make_managed<AccountCard>(
      AccountCard::Services{*browser, services.defaults, services.dialogs, services.volume,
                            &services.integration.spotlight}, [this] { done(); });
  cards_[static_cast<size_t>(SettingsCard::account)] = account_;
  refreshers_.push_back([this] { account_->refresh(); });

  integration_ = Gtk::make_managed<SystemIntegrationCard>(services.integration);
  cards_[static_cast<size_t>(SettingsCard::system)] = integration_;
  refreshers_.push_back([this] { integration_->refresh(); });

  appearance_ = Gtk::make_managed<AppearanceCard>(AppearanceCard::Services{*browser, services.defaults, services.view});
  cards_[static_cast<size_t>(SettingsCard::appearance)] = appearance_;
  refreshers_.push_back([this] { appearance_->refresh(); });

  volume_ = Gtk::make_managed<VolumeMirrorCard>(VolumeMirrorCard::Services{services.volume, services.defaults});
  cards_[static_cast<size_t>(SettingsCard::volume)] = volume_;
  refreshers_.push_back([this] { volume_->refresh(); });

  storage_ = Gtk::make_managed<StorageCard>(
      StorageCard::Services{services.defaults, services.workers, services.desktop, services.mirror, services.audit});
  cards_[static_cast<size_t>(SettingsCard::storage)] = storage_;
  refreshers_.push_back([this] { storage_->refresh(); });

  maintenance_ = Gtk::make_managed<MaintenanceCard>(
      std::move(browser), MaintenanceCard::Services{services.desktop, services.dialogs, services.updates},
      [this] { done(); });
  cards_[static_cast<size_t>(SettingsCard::maintenance)] = maintenance_;
  refreshers_.push_back([this] { maintenance_->refresh(); });

  for (auto* card : cards_) column_.append(*card);
  column_.set_margin(kColumnInset);
  column_.set_valign(Gtk::Align::START);
  scroller_.set_child(column_);
  scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  // The scroll bar stays in view: the sheet is longer than its window.
  scroller_.set_overlay_scrolling(false);
  scroller_.set_vexpand(true);
  scroller_.add_css_class("law-canvas");
  append(scroller_);

  // The sheet stays with its window; what it shows may have changed while it was hidden.
  signal_map().connect([this] { refreshCards(); });
}

void SettingsView::refreshCards() {
  for (const auto& refresh : refreshers_) refresh();
}

void SettingsView::done() {
  if (close_) {
    close_();
    return;
  }
  if (auto* window = dynamic_cast<Gtk::Window*>(get_root())) window->close();
}

void registerSettingsView(ToolWindowContent& contents, const SettingsServices& services) {
  contents.registerFactory("settings", [services](const std::shared_ptr<BrowserModel>& model,
                                                  std::function<void()> close) {
    return Gtk::make_managed<SettingsView>(model, std::move(close), services);
  });
}

}  // namespace quorvel
