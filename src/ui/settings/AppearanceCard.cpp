#include "ui/components/LawSectionTitle.h"
#include "ui/model/SettingsSheet.h"
#include "ui/settings/AppearanceCard.h"

#include "features/workspace/LoginItem.h"
#include "ui/components/LawSelectableChip.h"
#include "ui/model/SettingsCards.h"
#include "ui/model/WorkspaceViewState.h"
#include "ui/settings/SettingsCardParts.h"
#include "web/PageZoom.h"
#include "ui/components/WidgetHelpers.h"

namespace quorvel {

AppearanceCard::AppearanceCard(const Services& services) : LawCard(14), services_(services) {
  const auto& heading = settingsCardHeading(SettingsCard::appearance);
  addContent(*Gtk::make_managed<LawSectionTitle>(heading.title, heading.icon));

  auto* zoom = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  zoom->set_hexpand(true);
  zoom->append(*makeSettingsRowTexts(*Gtk::make_managed<Gtk::Label>("界面与网页字号"),
                                     *Gtk::make_managed<Gtk::Label>("侧边栏与网页缩放同步调整，适合大屏或高分屏阅读")));
  auto* chips = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 4);
  chips->set_valign(Gtk::Align::CENTER);
  for (const ZoomChoice& choice : kZoomChoices) {
    double scale = choice.scale;
    auto* chip = Gtk::make_managed<LawSelectableChip>(choice.title, false, LawTheme::primary, false, false, [this, scale] {
      PageZoomActions::setFontScale(services_.browser, services_.defaults, services_.view.fontScale, scale);
    });
    chips_.push_back(chip);
    chips->append(*chip);
  }
  zoom->append(*chips);
  addContent(*zoom);
  addContent(*makeSettingsDivider());

  auto* login = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  login->set_hexpand(true);
  login->append(*makeSettingsRowTexts(loginTitle_, status_));
  switch_.set_valign(Gtk::Align::CENTER);
  labelBy(switch_, loginTitle_);
  login->append(switch_);
  addContent(*login);

  switch_.property_active().signal_changed().connect([this] {
    // The card's own assignments may be announced late (after a click, GTK delivers
    // them once its handler has returned), so they are told apart by the position.
    if (switch_.get_active() != shownOn_) userSwitched(switch_.get_active());
  });
  // The menu's zoom commands change the same scale.
  connections_.emplace_back(services_.view.fontScale.changed().connect([this] { showChips(); }));
  refresh();
}

void AppearanceCard::refresh() {
  showChips();
  showLoginItem();
}

void AppearanceCard::showChips() {
  const double current = services_.view.fontScale.get();
  for (size_t i = 0; i < chips_.size(); ++i) chips_[i]->setActive(zoomChipActive(current, kZoomChoices[i].scale));
}

void AppearanceCard::showLoginItem() {
  const LoginItemStatus status = LoginItem::status();
  shownOn_ = status == LoginItemStatus::enabled;
  switch_.set_active(shownOn_);
  status_.set_text(loginStatusLine(LoginItem::statusText(status), loginErr_));
  styleSettingsLabel(status_, 11, Pango::Weight::NORMAL, loginErr_.empty() ? LawTheme::textMuted : LawTheme::danger);
}

void AppearanceCard::userSwitched(bool on) {
  loginErr_ = LoginItem::set(on).value_or("");
  // The switch ends in the system's real state.
  showLoginItem();
}

}  // namespace quorvel
