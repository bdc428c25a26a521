#include "ui/settings/SystemIntegrationCard.h"

#include <gtkmm/separator.h>
#include <gtkmm/window.h>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/Task.h"
#include "core/Dialogs.h"
#include "core/PrivacyLock.h"
#include "core/Theme.h"
#include "features/calendar/AppleCalendarSync.h"
#include "features/editing/HotFolderWatcher.h"
#include "features/workspace/GlobalHotKeyManager.h"
#include "features/workspace/SpotlightIndexer.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/components/Alerts.h"
#include "ui/components/WidgetHelpers.h"
#include "ui/components/LawSectionTitle.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawSelectableChip.h"
#include "ui/components/LawStyle.h"
#include "ui/model/SystemIntegrationRows.h"

namespace quorvel {

namespace R = SystemIntegrationRows;

namespace {

std::string cardCss() {
  return ".law-integration-title { font-size: 12.5px; color: " + LawTheme::textPrimary.css() + "; }\n"
         ".law-integration-title.law-semibold { font-weight: 600; }\n"
         ".law-integration-title.law-medium { font-weight: 500; }\n"
         ".law-integration-subtitle { font-size: 11px; color: " + LawTheme::textMuted.css() + "; }\n"
         ".law-integration-subtitle.law-integration-note { color: " + LawTheme::warning.css() + "; }\n"
         ".law-integration-path { font-family: monospace; font-size: 10.5px; color: " + LawTheme::textMuted.css() +
         "; }\n"
         "separator.law-integration-divider { background-color: " + LawTheme::borderLight.css() +
         "; min-height: 1px; margin: 0; }\n"
         ".law-integration-options { background-color: " + LawTheme::surfaceMuted.css() +
         "; border-radius: 6px; padding: 8px 10px; }\n"
         ".law-integration-options checkbutton label { font-size: 11.5px; color: " +
         LawTheme::textPrimary.css() + "; }\n";
}

constexpr const char* kReindexOffReason = "系统搜索已关闭：打开右侧开关后才能重建索引";

Gtk::Label& styleLabel(Gtk::Label& label, const char* cssClass) {
  label.add_css_class(cssClass);
  label.set_xalign(0);
  return label;
}

// The common row: title over subtitle, the flexible space, then the controls the
// caller appends, each centred vertically.
Gtk::Box* makeRow(const std::string& title, const char* weight, Gtk::Label& subtitle) {
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  auto* texts = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  auto* heading = Gtk::make_managed<Gtk::Label>(title);
  styleLabel(*heading, "law-integration-title").add_css_class(weight);
  heading->set_wrap(true);
  texts->append(*heading);
  texts->append(subtitle);
  texts->set_hexpand(true);
  texts->set_valign(Gtk::Align::CENTER);
  row->append(*texts);
  row->set_hexpand(true);
  return row;
}

void appendControl(Gtk::Box& row, Gtk::Widget& control) {
  control.set_valign(Gtk::Align::CENTER);
  if (auto* button = dynamic_cast<Gtk::Button*>(&control)) lawHandCursor(*button);
  row.append(control);
}

Gtk::Separator* divider() {
  auto* line = Gtk::make_managed<Gtk::Separator>(Gtk::Orientation::HORIZONTAL);
  line->add_css_class("law-integration-divider");
  line->set_hexpand(true);
  return line;
}

// Sets a switch or check box to the service's value; onToggled does not take that
// for the user's turn.
template <class Control>
void showValue(Control& control, bool value) {
  if (control.get_active() != value) control.set_active(value);
}

// A switch or check box the user turned: `apply` runs only when the new value differs
// from what the service holds, so showing the service's value changes nothing.
template <class Control>
void onToggled(Control& control, std::function<bool()> current, std::function<void(bool)> apply) {
  control.property_active().signal_changed().connect([&control, current, apply] {
    if (control.get_active() != current()) apply(control.get_active());
  });
}

}  // namespace

SystemIntegrationCard::SystemIntegrationCard(Services services) : LawCard(14), services_(std::move(services)) {
  installLawStyle();
  addDisplayCssOnce("system-integration-card", cardCss);
  add_css_class("law-integration-card");
  addContent(*Gtk::make_managed<LawSectionTitle>(R::kSectionTitle, R::kSectionIcon));
  buildDesktopCalendarRow();
  addContent(*divider());
  buildCalendarSyncRows();
  addContent(*divider());
  buildSearchRow();
  addContent(*divider());
  buildHotKeyRow();
  addContent(*divider());
  buildInboxRow();
  addContent(*divider());
  buildIdleLockRow();
  observe();
  refresh();
}

SystemIntegrationCard::~SystemIntegrationCard() = default;

void SystemIntegrationCard::buildDesktopCalendarRow() {
  auto* subtitle = Gtk::make_managed<Gtk::Label>(R::kDesktopCalendarSubtitle);
  styleLabel(*subtitle, "law-integration-subtitle").set_wrap(true);
  auto* row = makeRow(R::desktopCalendarTitle(), "law-semibold", *subtitle);
  calendarButton_ = makeLawPrimaryButton(R::desktopCalendarButton(false), true);
  calendarButton_->signal_clicked().connect([this] {
    auto& calendar = services_.desktopCalendar;
    Gtk::Window* panel = calendar.window();
    if (panel && panel->get_visible()) calendar.hide();
    else calendar.show();
  });
  appendControl(*row, *calendarButton_);
  autoShow_.set_tooltip_text(R::kAutoShowHelp);
  onToggled(
      autoShow_, [this] { return services_.desktopCalendar.autoShowOnLaunch.get(); },
      [this](bool on) { services_.desktopCalendar.setAutoShowOnLaunch(on); });
  setAccessibleLabel(autoShow_, R::kAutoShowHelp);
  appendControl(*row, autoShow_);
  addContent(*row);
}

void SystemIntegrationCard::buildCalendarSyncRows() {
  auto& sync = services_.calendarSync;
  styleLabel(syncStatus_, "law-integration-subtitle");
  syncStatus_.set_single_line_mode(true);
  syncStatus_.set_ellipsize(Pango::EllipsizeMode::END);
  auto* row = makeRow(R::kCalendarSyncTitle, "law-semibold", syncStatus_);
  syncButton_ = makeLawSecondaryButton(R::syncButton(false), true);
  syncButton_->signal_clicked().connect([&sync] { spawn(sync.syncNow(true)); });
  appendControl(*row, *syncButton_);
  onToggled(
      syncSwitch_, [&sync] { return sync.config->enabled; }, [&sync](bool on) { sync.setEnabled(on); });
  setAccessibleLabel(syncSwitch_, R::kCalendarSyncTitle);
  appendControl(*row, syncSwitch_);
  addContent(*row);

  // The options, shown while the sync is on.
  options_.add_css_class("law-integration-options");
  options_.set_hexpand(true);
  auto* first = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 14);
  auto* second = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 14);
  struct Option {
    Gtk::CheckButton& control;
    const char* text;
    bool CalendarSyncConfig::*field;
    bool syncAfter;
    Gtk::Box* line;
  };
  const Option optionList[] = {
      {fold_, R::kFoldDeadlines, &CalendarSyncConfig::foldBusyDeadlines, true, first},
      {hearingsOnly_, R::kHearingsOnly, &CalendarSyncConfig::hearingsOnlyInCalendar, true, first},
      {reminders_, R::kSyncReminders, &CalendarSyncConfig::syncReminders, false, second},
      {writeBack_, R::kWriteBack, &CalendarSyncConfig::twoWayWriteBack, false, second},
  };
  for (const Option& o : optionList) {
    o.control.set_label(o.text);
    lawHandCursor(o.control);
    onToggled(
        o.control, [&sync, field = o.field] { return sync.config.get().*field; },
        [this, field = o.field, after = o.syncAfter](bool on) { changeSyncOption(field, on, after); });
    o.line->append(o.control);
  }
  auto* spacer = Gtk::make_managed<Gtk::Box>();
  spacer->set_hexpand(true);
  second->append(*spacer);
  clearButton_ = makeLawSecondaryButton(R::kClearButton, true, true);
  clearButton_->signal_clicked().connect([this] { confirmClear(); });
  appendControl(*second, *clearButton_);
  options_.append(*first);
  options_.append(*second);
  addContent(options_);
}

void SystemIntegrationCard::buildSearchRow() {
  auto& spotlight = services_.spotlight;
  styleLabel(searchSubtitle_, "law-integration-subtitle").set_wrap(true);
  auto* row = makeRow(R::kSearchTitle, "law-medium", searchSubtitle_);
  // Indexing does nothing while search is off: the button says so instead of staying silent.
  styleLabel(reindexOff_, "law-integration-subtitle").set_wrap(true);
  reindexOff_.set_text(kReindexOffReason);
  reindexOff_.add_css_class("law-integration-note");
  if (auto* texts = dynamic_cast<Gtk::Box*>(row->get_first_child())) texts->append(reindexOff_);
  reindexButton_ = makeLawSecondaryButton(R::kReindexButton, true);
  reindexButton_->signal_clicked().connect([this] {
    auto browser = services_.browser.lock();
    if (!browser) {
      logLine(tags::kSpotlight, "没有工作区，未重建索引", LogLevel::warning);
      return;
    }
    spawn(services_.spotlight.indexNow(std::move(browser)));
  });
  appendControl(*row, *reindexButton_);
  onToggled(
      searchSwitch_, [&spotlight] { return spotlight.enabled.get(); },
      [&spotlight](bool on) { spotlight.setEnabled(on); });
  setAccessibleLabel(searchSwitch_, R::kSearchTitle);
  appendControl(*row, searchSwitch_);
  addContent(*row);
}

void SystemIntegrationCard::buildHotKeyRow() {
  auto& keys = services_.hotKeys;
  auto* subtitle = Gtk::make_managed<Gtk::Label>(R::kHotKeysSubtitle);
  styleLabel(*subtitle, "law-integration-subtitle").set_wrap(true);
  auto* row = makeRow(R::hotKeysTitle(), "law-medium", *subtitle);
  // The switch is the card's own state, taken from the stored flag on refresh().
  onToggled(
      hotKeySwitch_, [&keys] { return keys.isEnabled(); }, [&keys](bool on) { keys.setEnabled(on); });
  setAccessibleLabel(hotKeySwitch_, R::hotKeysTitle());
  appendControl(*row, hotKeySwitch_);
  addContent(*row);
}

void SystemIntegrationCard::buildInboxRow() {
  auto& inbox = services_.inbox;
  styleLabel(inboxPath_, "law-integration-path");
  inboxPath_.set_single_line_mode(true);
  inboxPath_.set_ellipsize(Pango::EllipsizeMode::MIDDLE);
  auto* row = makeRow(R::kInboxTitle, "law-medium", inboxPath_);
  chooseButton_ = makeLawSecondaryButton(R::kChooseFolderButton, true);
  chooseButton_->signal_clicked().connect([&inbox] { inbox.chooseFolder(); });
  appendControl(*row, *chooseButton_);
  openButton_ = makeLawSecondaryButton(R::kOpenFolderButton, true);
  openButton_->signal_clicked().connect([this, &inbox] { inboxOpenFailure_.report(inbox.openFolder()); });
  appendControl(*row, *openButton_);
  onToggled(
      inboxSwitch_, [&inbox] { return inbox.config->enabled; }, [&inbox](bool on) { inbox.setEnabled(on); });
  setAccessibleLabel(inboxSwitch_, R::kInboxTitle);
  appendControl(*row, inboxSwitch_);
  addContent(*row);
  addContent(inboxOpenFailure_);
}

void SystemIntegrationCard::buildIdleLockRow() {
  auto& lock = services_.privacyLock;
  auto* subtitle = Gtk::make_managed<Gtk::Label>(R::kIdleLockSubtitle);
  styleLabel(*subtitle, "law-integration-subtitle").set_wrap(true);
  auto* row = makeRow(R::idleLockTitle(), "law-medium", *subtitle);
  auto* chips = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 4);
  for (const auto& chip : R::idleChips()) {
    auto* c = Gtk::make_managed<LawSelectableChip>(chip.title, false, LawTheme::primary, false, true,
                                                   [&lock, minutes = chip.minutes] { lock.setAutoLockMinutes(minutes); });
    chips_[chip.minutes] = c;
    chips->append(*c);
  }
  appendControl(*row, *chips);
  addContent(*row);
}

void SystemIntegrationCard::observe() {
  auto on = [this](sigc::signal<void()>& changed, void (SystemIntegrationCard::*show)()) {
    connections_.emplace_back(changed.connect([this, show] { (this->*show)(); }));
  };
  on(services_.desktopCalendar.isVisible.changed(), &SystemIntegrationCard::showDesktopCalendar);
  on(services_.desktopCalendar.autoShowOnLaunch.changed(), &SystemIntegrationCard::showDesktopCalendar);
  on(services_.calendarSync.config.changed(), &SystemIntegrationCard::showCalendarSync);
  on(services_.calendarSync.isSyncing.changed(), &SystemIntegrationCard::showCalendarSync);
  on(services_.calendarSync.statusText.changed(), &SystemIntegrationCard::showCalendarSync);
  on(services_.spotlight.enabled.changed(), &SystemIntegrationCard::showSearch);
  on(services_.spotlight.indexedCount.changed(), &SystemIntegrationCard::showSearch);
  on(services_.spotlight.lastIndexedAt.changed(), &SystemIntegrationCard::showSearch);
  on(services_.inbox.config.changed(), &SystemIntegrationCard::showInbox);
  on(services_.privacyLock.autoLockMinutes.changed(), &SystemIntegrationCard::showIdleLock);
}

void SystemIntegrationCard::refresh() {
  showDesktopCalendar();
  showCalendarSync();
  showSearch();
  showValue(hotKeySwitch_, services_.hotKeys.isEnabled());
  showInbox();
  showIdleLock();
}

void SystemIntegrationCard::showDesktopCalendar() {
  auto& calendar = services_.desktopCalendar;
  calendarButton_->set_label(R::desktopCalendarButton(calendar.isVisible.get()));
  showValue(autoShow_, calendar.autoShowOnLaunch.get());
}

void SystemIntegrationCard::showCalendarSync() {
  auto& sync = services_.calendarSync;
  const auto& config = sync.config.get();
  syncStatus_.set_text(sync.statusText.get());
  syncStatus_.set_tooltip_text(sync.statusText.get());
  const bool syncing = sync.isSyncing.get();
  syncButton_->set_label(R::syncButton(syncing));
  syncButton_->set_sensitive(!syncing);
  showValue(syncSwitch_, config.enabled);
  options_.set_visible(config.enabled);
  showValue(fold_, config.foldBusyDeadlines);
  showValue(hearingsOnly_, config.hearingsOnlyInCalendar);
  showValue(reminders_, config.syncReminders);
  showValue(writeBack_, config.twoWayWriteBack);
}

void SystemIntegrationCard::showSearch() {
  auto& spotlight = services_.spotlight;
  searchSubtitle_.set_text(R::searchSubtitle(spotlight.indexedCount.get(), spotlight.lastIndexedAt.get()));
  const bool on = spotlight.enabled.get();
  showValue(searchSwitch_, on);
  reindexButton_->set_sensitive(on);
  reindexButton_->set_tooltip_text(on ? "" : kReindexOffReason);
  reindexOff_.set_visible(!on);
}

void SystemIntegrationCard::showInbox() {
  const auto& config = services_.inbox.config.get();
  inboxPath_.set_text(config.folderPath);
  inboxPath_.set_tooltip_text(config.folderPath);
  showValue(inboxSwitch_, config.enabled);
}

void SystemIntegrationCard::showIdleLock() {
  const int minutes = services_.privacyLock.autoLockMinutes.get();
  for (auto& [value, chip] : chips_) chip->setActive(value == minutes);
}

void SystemIntegrationCard::changeSyncOption(bool CalendarSyncConfig::*field, bool on, bool syncAfter) {
  auto& sync = services_.calendarSync;
  CalendarSyncConfig config = sync.config.get();
  config.*field = on;
  sync.updateConfig(config);
  if (config.enabled) sync.scheduleTimer();
  if (syncAfter) spawn(sync.syncNow(true));
}

void SystemIntegrationCard::confirmClear() {
  services_.dialogs.alertOver(alertOwner(*this), R::kClearAlertTitle, R::kClearAlertText,
                              {R::kClearConfirm, R::kClearCancel}, scope_.guard([this](int answer) {
                                if (answer != 0) return;
                                spawn(services_.calendarSync.clearAllSyncedData(false));
                              }));
}

}  // namespace quorvel
