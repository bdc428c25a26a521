#include "ui/settings/SettingsView.h"

#include <gtkmm/label.h>
#include <gtkmm/window.h>

#include "ui/components/LawButtons.h"
#include "ui/components/LawCard.h"
#include "ui/components/LawSectionTitle.h"
#include "ui/floating/ToolWindowContent.h"
#include "ui/model/SettingsSheet.h"
#include "ui/settings/MaintenanceCard.h"
#include "ui/settings/StorageCard.h"
#include "ui/volume/VolumeSettingsSection.h"

namespace quorvel {

namespace {
constexpr int kCardGap = 10;
constexpr int kColumnInset = 14;

// The place of a card whose content arrives with its own change: its heading and a note.
Gtk::Widget* pendingCard(SettingsCard card) {
  const auto& heading = settingsCardHeading(card);
  auto* box = Gtk::make_managed<LawCard>(14);
  box->addContent(*Gtk::make_managed<LawSectionTitle>(heading.title, heading.icon));
  auto* note = Gtk::make_managed<Gtk::Label>("这部分设置将随后提供。");
  note->add_css_class("law-placeholder-note");
  note->set_xalign(0);
  box->addContent(*note);
  return box;
}
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

  cards_[static_cast<size_t>(SettingsCard::account)] = pendingCard(SettingsCard::account);

  integration_ = Gtk::make_managed<SystemIntegrationCard>(services.integration);
  cards_[static_cast<size_t>(SettingsCard::system)] = integration_;
  refreshers_.push_back([this] { integration_->refresh(); });

  cards_[static_cast<size_t>(SettingsCard::appearance)] = pendingCard(SettingsCard::appearance);

  volume_ = Gtk::make_managed<VolumeSettingsSection>(services.volume);
  cards_[static_cast<size_t>(SettingsCard::volume)] = volume_;
  refreshers_.push_back([this] { volume_->refresh(); });

  storage_ = Gtk::make_managed<StorageCard>(
      StorageCard::Services{services.defaults, services.workers, services.desktop, services.mirror});
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
