#include "ui/volume/VolumeSettingsSection.h"

#include "features/volume/LocalVolume.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/preview/PreviewStyle.h"

namespace quorvel {

VolumeSettingsSection::VolumeSettingsSection(LocalVolume& volume)
    : LawCard(16),
      volume_(volume),
      buttons_(Gtk::Orientation::HORIZONTAL, 8), self_(std::make_shared<VolumeSettingsSection*>(this)) {
  installPreviewStyle();
  title_.set_markup("<b>本地卷宗盘</b>");
  title_.set_xalign(0);
  status_.set_xalign(0);
  status_.set_wrap(true);
  status_.add_css_class("law-status-line");
  message_.set_xalign(0);
  message_.set_wrap(true);
  message_.add_css_class("law-status-line");
  message_.set_visible(false);
  connect_ = makeLawPrimaryButton("连接卷宗盘", true);
  disconnect_ = makeLawSecondaryButton("断开", true);
  open_ = makeLawSecondaryButton("打开卷宗目录", true);
  for (auto* b : {connect_, disconnect_, open_}) {
    lawHandCursor(*b);
    buttons_.append(*b);
  }
  // A mount or unmount may end after the section is gone.
  auto show = [self = self_](bool ok, const std::string& message) {
    VolumeSettingsSection* section = *self;
    if (!section) return;
    section->busy(false);
    section->refresh();
    // After a success the status line says it all.
    section->message_.set_text(message);
    section->message_.set_visible(!ok);
  };
  connect_->signal_clicked().connect([this, show] {
    busy(true);
    volume_.connect(show);
  });
  disconnect_->signal_clicked().connect([this, show] {
    busy(true);
    volume_.disconnect(show);
  });
  open_->signal_clicked().connect([this] { volume_.openRoot(); });
  addContent(title_);
  addContent(status_);
  addContent(buttons_);
  addContent(message_);
  changed_ = volume_.stateChanged().connect([this] { refresh(); });
  refresh();
}

VolumeSettingsSection::~VolumeSettingsSection() { *self_ = nullptr; }

void VolumeSettingsSection::busy(bool on) {
  if (!on) return;  // refresh() sets both from the state afterwards
  connect_->set_sensitive(false);
  disconnect_->set_sensitive(false);
}

void VolumeSettingsSection::refresh() {
  status_.set_text(volume_.statusText());
  bool mounted = volume_.isMounted();
  connect_->set_sensitive(!mounted);
  disconnect_->set_sensitive(mounted);
}

}  // namespace quorvel
