#include "ui/settings/MaintenanceCard.h"

#include <glib.h>

#include "base/GLibPtr.h"
#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "core/Dialogs.h"
#include "features/workspace/UpdateChecker.h"
#include "platform/Desktop.h"
#include "ui/components/Alerts.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawSectionTitle.h"
#include "ui/components/WidgetHelpers.h"
#include "ui/model/SettingsSheet.h"

namespace quorvel {

namespace {
constexpr double kCardPadding = 14;
constexpr int kButtonGap = 8;
constexpr int kChevronSize = 11;

// The clearing question is modal in spirit: the answer comes back later, when the
// card may be gone: then the chain ends with the card's scope and nothing is cleared.
Task<void> askThenClear(Dialogs& dialogs, AlertOwner over, std::function<void()> clear) {
  auto question = ask(dialogs, over, "清除网页缓存与登录态？", "清除后需要重新登录墨衡台账号，本地卷宗文件不受影响。",
                      {"清除", "取消"});
  int answer = co_await question;
  if (answer == 0) clear();
}
}  // namespace

MaintenanceCard::MaintenanceCard(std::shared_ptr<BrowserModel> browser, const Services& services,
                                 std::function<void()> closeSheet)
    : LawCard(kCardPadding),
      browser_(std::move(browser)),
      services_(services),
      closeSheet_(std::move(closeSheet)) {
  const auto& heading = settingsCardHeading(SettingsCard::maintenance);
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 0);
  row->append(*Gtk::make_managed<LawSectionTitle>(heading.title, heading.icon));
  auto* gap = Gtk::make_managed<Gtk::Box>();
  gap->set_hexpand(true);
  row->append(*gap);
  chevron_ = makeLawSymbolIcon("chevron.down", kChevronSize, LawTheme::textMuted, "law-fold-chevron");
  chevron_->set_valign(Gtk::Align::CENTER);
  row->append(*chevron_);
  // The whole row is the button: a click anywhere on it folds or unfolds.
  fold_.set_child(*row);
  setAccessibleLabel(fold_, heading.title);
  fold_.add_css_class("law-fold-header");
  fold_.set_hexpand(true);
  lawHandCursor(fold_);
  fold_.signal_clicked().connect([this] { setUnfolded(!unfolded()); });
  addContent(fold_);

  auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 10);
  auto* divider = Gtk::make_managed<Gtk::Box>();
  divider->add_css_class("law-hairline");
  divider->set_hexpand(true);
  content->append(*divider);
  auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, kButtonGap);
  auto add = [&](Gtk::Button* button, auto action) {
    lawHandCursor(*button);
    button->signal_clicked().connect(action);
    buttons->append(*button);
  };
  add(makeLawPrimaryButton("检查客户端更新…", true), [this] { services_.updates.checkManually(); });
  add(makeLawSecondaryButton("休眠其他标签释放内存", true), [this] {
    if (browser_) browser_->hibernateOthers();
  });
  add(makeLawSecondaryButton("打开数据目录", true), [this] {
    GCharPtr uri(g_filename_to_uri(AppConfig::dataDir().c_str(), nullptr, nullptr));
    if (uri) openFailure_.open(services_.desktop, uri.get());
  });
  auto* push = Gtk::make_managed<Gtk::Box>();
  push->set_hexpand(true);
  buttons->append(*push);
  clearSignIn_ = makeLawSecondaryButton("清除登录态与缓存", true, true);
  add(clearSignIn_, [this] { clearSignIn(); });
  content->append(*buttons);
  content->append(openFailure_);
  version_.add_css_class("law-version-line");
  version_.set_xalign(0);
  content->append(version_);
  body_.set_child(*content);
  body_.set_transition_type(Gtk::RevealerTransitionType::SLIDE_DOWN);
  body_.set_transition_duration(static_cast<unsigned>(LawMotion::panel.settleSeconds() * 1000));
  body_.set_reveal_child(false);
  body_.set_hexpand(true);
  addContent(body_);

  // The line follows tabs hibernated or woken while the sheet is open.
  if (browser_) {
    browser_->changed().connect(sigc::mem_fun(*this, &MaintenanceCard::refresh));
    browser_->tabs().changed().connect(sigc::mem_fun(*this, &MaintenanceCard::refresh));
  }
  refresh();
}

MaintenanceCard::~MaintenanceCard() = default;

void MaintenanceCard::refresh() {
  version_.set_text(settingsVersionLine(browser_ ? browser_->tabs().get() : BrowserModel::Tabs{}));
}

bool MaintenanceCard::unfolded() const { return body_.get_reveal_child(); }

void MaintenanceCard::setUnfolded(bool unfolded) {
  body_.set_reveal_child(unfolded);
  if (unfolded) chevron_->add_css_class("law-unfolded");
  else chevron_->remove_css_class("law-unfolded");
}

void MaintenanceCard::clearSignIn() {
  // Over the settings window whose button asked, not over whichever window was last active.
  scope_.spawn(askThenClear(services_.dialogs, alertOwner(*clearSignIn_), [this] {
    if (browser_) browser_->logout();
    if (closeSheet_) closeSheet_();
  }));
}

}  // namespace quorvel
