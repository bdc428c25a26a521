#include "ui/settings/SettingsView.h"

#include <gtkmm/label.h>

#include "ui/components/LawButtons.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/floating/ToolWindowContent.h"
#include "ui/volume/VolumeSettingsSection.h"

namespace quorvel {

SettingsView::SettingsView(std::function<void()> close, const SettingsServices& services)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0) {
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
  volume_ = Gtk::make_managed<VolumeSettingsSection>(services.volume);
  column_.append(*volume_);
  integration_ = Gtk::make_managed<SystemIntegrationCard>(services.integration);
  column_.append(*integration_);
  auto* note = Gtk::make_managed<Gtk::Label>("其余设置项（服务器地址、字号等）将随各自的功能提供。");
  note->add_css_class("law-placeholder-note");
  note->set_wrap(true);
  note->set_xalign(0);
  column_.append(*note);
  scroller_.set_child(column_);
  scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroller_.set_vexpand(true);
  append(scroller_);
  // The view stays with its window; the mount may have changed while it was hidden.
  signal_map().connect([this] {
    volume_->refresh();
    integration_->refresh();
  });
  volume_->refresh();
}

void registerSettingsView(ToolWindowContent& contents, const SettingsServices& services) {
  contents.registerFactory("settings", [services](const std::shared_ptr<BrowserModel>&, std::function<void()> close) {
    return Gtk::make_managed<SettingsView>(std::move(close), services);
  });
}

}  // namespace quorvel
