#include "ui/components/LawSectionTitle.h"
#include "ui/model/SettingsSheet.h"
#include "ui/settings/VolumeMirrorCard.h"


#include "base/Log.h"
#include "base/LogTags.h"
#include "features/volume/LocalVolume.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/model/SettingsCards.h"
#include "ui/settings/SettingsCardParts.h"
#include "ui/components/Alerts.h"
#include "ui/components/WidgetHelpers.h"

namespace quorvel {

VolumeMirrorCard::VolumeMirrorCard(const Services& services)
    : LawCard(14), services_(services) {
  const auto& heading = settingsCardHeading(SettingsCard::volume);
  addContent(*Gtk::make_managed<LawSectionTitle>(heading.title, heading.icon));

  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  row->set_hexpand(true);
  dot_.set_size_request(8, 8);
  dot_.set_valign(Gtk::Align::CENTER);
  row->append(dot_);
  status_.set_xalign(0);
  status_.set_hexpand(true);
  status_.set_single_line_mode(true);
  status_.set_ellipsize(Pango::EllipsizeMode::MIDDLE);
  styleSettingsLabel(status_, 12, Pango::Weight::NORMAL, LawTheme::textPrimary);
  row->append(status_);
  connect_ = makeLawPrimaryButton("连接卷宗盘", true);
  disconnect_ = makeLawSecondaryButton("断开卷宗盘", true);
  open_ = makeLawSecondaryButton("打开目录", true);
  for (Gtk::Button* b : {connect_, disconnect_, open_}) {
    lawHandCursor(*b);
    b->set_valign(Gtk::Align::CENTER);
    row->append(*b);
  }
  addContent(*row);
  addContent(openFailure_);
  addContent(*makeSettingsDivider());

  auto* clean = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  clean->set_hexpand(true);
  clean->append(*makeSettingsRowTexts(pruneTitle_,
                                      *Gtk::make_managed<Gtk::Label>("启动时自动清理超过保留天数的旧版本副本，节省磁盘空间")));
  prune_.set_valign(Gtk::Align::CENTER);
  labelBy(prune_, pruneTitle_);
  clean->append(prune_);
  addContent(*clean);

  // A mount or unmount may end after the card is gone.
  connect_->signal_clicked().connect([this] {
    setBusy(true);
    services_.volume.connect(scope_.guard([this](bool, const std::string& message) { ended(message, false); }));
  });
  disconnect_->signal_clicked().connect([this] {
    setBusy(true);
    services_.volume.disconnect(scope_.guard([this](bool, const std::string& message) { ended(message, true); }));
  });
  open_->signal_clicked().connect([this] { openFailure_.report(services_.volume.openRoot(alertOwner(*open_))); });
  prune_.property_active().signal_changed().connect([this] {
    if (prune_.get_active() == config_.autoPruneOld) return;  // shown, not changed
    config_.autoPruneOld = prune_.get_active();
    config_.save(services_.defaults);
  });
  // Mounted or unmounted elsewhere: the dot and the button follow, the text waits for a refresh.
  mountChanged_ = services_.volume.stateChanged().connect([this] { showMount(); });
  refresh();
}

VolumeMirrorCard::~VolumeMirrorCard() = default;

void VolumeMirrorCard::refresh() {
  status_.set_text(services_.volume.statusText());
  status_.set_tooltip_text(status_.get_text());
  config_ = MirrorConfig::load(services_.defaults);
  pruneTitle_.set_text(quorvel::pruneTitle(config_.keepOldDays));
  prune_.set_active(config_.autoPruneOld);
  showMount();
}

void VolumeMirrorCard::showMount() {
  // A GVfs mount without a local path (no FUSE) is connected too.
  dotMounted_ = services_.volume.isMounted();
  if (dotColor_) dot_.get_style_context()->remove_provider(dotColor_);
  dotColor_ = Gtk::CssProvider::create();
  dotColor_->load_from_data("box { border-radius: 4px; background-color: " +
                            (dotMounted_ ? LawTheme::success : LawTheme::warning).css() + "; }");
  dot_.get_style_context()->add_provider(dotColor_, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
  connect_->set_visible(!dotMounted_);
  disconnect_->set_visible(dotMounted_);
}

void VolumeMirrorCard::setBusy(bool on) {
  busy_ = on;
  setLawButtonLabel(*connect_, on ? "连接中…" : "连接卷宗盘");
  setLawButtonLabel(*disconnect_, on ? "断开中…" : "断开卷宗盘");
  connect_->set_sensitive(!on);
  disconnect_->set_sensitive(!on);
}

void VolumeMirrorCard::ended(const std::string& message, bool logMessage) {
  setBusy(false);
  status_.set_text(services_.volume.statusText());
  status_.set_tooltip_text(status_.get_text());
  showMount();
  if (logMessage && !message.empty()) logLine(tags::kSettings, message);
}

}  // namespace quorvel
