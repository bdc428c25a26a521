#include "ui/components/LawSectionTitle.h"
#include "ui/model/SettingsSheet.h"
#include "ui/settings/AccountCard.h"

#include <gtkmm/cssprovider.h>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/Dialogs.h"
#include "features/volume/AccountFlow.h"
#include "features/workspace/SpotlightIndexer.h"
#include "ui/components/Alerts.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/settings/SettingsCardParts.h"
#include "ui/components/WidgetHelpers.h"

namespace quorvel {

namespace {
LawColor toneColor(ServerHint::Tone tone) {
  switch (tone) {
    case ServerHint::Tone::success: return LawTheme::success;
    case ServerHint::Tone::warning: return LawTheme::warning;
    case ServerHint::Tone::danger: break;
  }
  return LawTheme::danger;
}
}  // namespace

AccountCard::AccountCard(const Services& services, std::function<void()> closeSheet)
    : LawCard(14), services_(services), closeSheet_(std::move(closeSheet)) {
  const auto& heading = settingsCardHeading(SettingsCard::account);
  addContent(*Gtk::make_managed<LawSectionTitle>(heading.title, heading.icon));

  auto* account = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  account->set_hexpand(true);
  auto* circle = Gtk::make_managed<Gtk::Box>();
  circle->set_size_request(34, 34);
  circle->set_valign(Gtk::Align::CENTER);
  circle->set_hexpand(false);  // the centred letter's expansion stays inside the circle
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data("box { border-radius: 17px; background-color: " + LawTheme::primary.css() + "; }");
  circle->get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  avatar_.set_hexpand(true);
  avatar_.set_halign(Gtk::Align::CENTER);
  styleSettingsLabel(avatar_, 13, Pango::Weight::BOLD, LawTheme::gold);
  circle->append(avatar_);
  account->append(*circle);
  auto* lines = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  lines->set_hexpand(true);
  lines->set_valign(Gtk::Align::CENTER);
  for (Gtk::Label* l : {&name_, &detail_}) {
    l->set_xalign(0);
    l->set_ellipsize(Pango::EllipsizeMode::END);
    lines->append(*l);
  }
  styleSettingsLabel(name_, 13.5, Pango::Weight::SEMIBOLD, LawTheme::textPrimary);
  styleSettingsLabel(detail_, 11.5, Pango::Weight::NORMAL, LawTheme::textSecondary);
  account->append(*lines);
  switch_ = makeLawSecondaryButton("切换账号…", true);
  switch_->set_valign(Gtk::Align::CENTER);
  account->append(*switch_);
  addContent(*account);
  addContent(*makeSettingsDivider());

  auto* server = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
  server->set_hexpand(true);
  auto* label = Gtk::make_managed<Gtk::Label>("系统服务器地址");
  label->set_xalign(0);
  styleSettingsLabel(*label, 11.5, Pango::Weight::MEDIUM, LawTheme::textSecondary);
  server->append(*label);
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  field_.set_hexpand(true);
  field_.set_placeholder_text(AppConfig::kDefaultServerURL);
  labelBy(field_, *label);
  Pango::AttrList mono;
  auto family = Pango::Attribute::create_attr_family("monospace");
  mono.insert(family);
  auto size = Pango::Attribute::create_attr_size_absolute(static_cast<int>(12.5 * PANGO_SCALE));
  mono.insert(size);
  field_.set_attributes(mono);
  row->append(field_);
  save_ = makeLawPrimaryButton("保存并重新加载", true);
  reset_ = makeLawSecondaryButton("恢复默认", true);
  for (Gtk::Button* b : {switch_, save_, reset_}) lawHandCursor(*b);
  row->append(*save_);
  row->append(*reset_);
  server->append(*row);
  hint_.set_xalign(0);
  hint_.set_wrap(true);
  hint_.set_visible(false);
  server->append(hint_);
  addContent(*server);

  switch_->signal_clicked().connect([this] {
    if (closeSheet_) closeSheet_();
    // The sheet is gone from the screen before the question comes.
    postToMainAfter(kSwitchDelayMs, scope_.guard([this] {
      AccountFlow::switchAccount(services_.browser, services_.dialogs, services_.volume);
    }));
  });
  save_->signal_clicked().connect([this] { save(); });
  reset_->signal_clicked().connect([this] { restoreDefault(); });
  // Return in the field saves nothing: only the button stores the address.
  field_.signal_changed().connect([this] { updateResetButton(); });
  connections_.emplace_back(services_.browser.account().badges.changed().connect([this] { showAccount(); }));
  refresh();
}

AccountCard::~AccountCard() = default;

void AccountCard::refresh() {
  field_.set_text(AppConfig::serverURL(services_.defaults));
  updateResetButton();
  showAccount();
}

void AccountCard::showAccount() {
  const BadgeCounts& badges = services_.browser.account().badges.get();
  avatar_.set_text(accountAvatarCharacter(badges.user));
  name_.set_text(accountNameLine(badges.user));
  detail_.set_text(accountDetailLine(badges.firm, badges.role));
}

void AccountCard::save() {
  auto stored = AppConfig::serverURLToSave(field_.get_text());
  if (!stored) {
    // The typed text stays out of the log: it may hold a password.
    logLine(tags::kSettings, "服务器地址无效，未保存", LogLevel::warning);
    // A refused address leaves the pages where they are.
    showHint(serverSaveHint(stored));
    return;
  }
  store(*stored, serverSaveHint(stored));
}

void AccountCard::restoreDefault() { store(AppConfig::kDefaultServerURL, kServerRestoredHint); }

void AccountCard::store(const std::string& address, const ServerHint& hint) {
  const std::string current = AppConfig::homeURL(services_.defaults).toString();
  if (!changesService(current, address)) {
    apply(address, hint, false);
    return;
  }
  auto q = serviceChangeQuestion(current, address);
  // Over the settings window, where the address was typed.
  alertFrom(*this, services_.dialogs, q.title, q.text, q.buttons, scope_.guard([this, address, hint](int answer) {
    if (answer != 0) {
      logLine(tags::kSettings, "未更换服务器：" + address);
      showHint(kServerKeptHint);
      return;
    }
    apply(address, hint, true);
  }));
}

void AccountCard::apply(const std::string& address, const ServerHint& hint, bool otherService) {
  AppConfig::setServerURL(services_.defaults, address);
  field_.set_text(AppConfig::serverURL(services_.defaults));
  updateResetButton();
  showHint(hint);
  if (!otherService) {
    services_.browser.loadInActive("/dashboard");
    return;
  }
  logLine(tags::kSettings, "已更换服务器为 " + address + "，清除上一服务器的最近卷宗、搜索索引、目录缓存和标签页");
  if (services_.spotlight) services_.spotlight->clearIndex();
  services_.browser.forgetService();
}

void AccountCard::showHint(const ServerHint& hint) {
  hint_.set_text(hint.text);
  styleSettingsLabel(hint_, 11, Pango::Weight::NORMAL, toneColor(hint.tone));
  hint_.set_visible(!hint.text.empty());
}

void AccountCard::updateResetButton() {
  reset_->set_visible(field_.get_text().raw() != AppConfig::kDefaultServerURL);
}

}  // namespace quorvel
