#include "ui/main/Placeholders.h"

#include "core/ShortcutText.h"

#include "ui/components/HandCursor.h"
#include "ui/components/LawBadges.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawCard.h"

namespace quorvel {
namespace {
// A card centred in a canvas that fills the page area.
LawCard* centredCard(Gtk::Box& canvas, double padding, int maxWidth) {
  canvas.set_orientation(Gtk::Orientation::VERTICAL);
  canvas.set_hexpand(true);
  canvas.set_vexpand(true);
  canvas.add_css_class("law-canvas");
  auto* card = Gtk::make_managed<LawCard>(padding);
  card->set_halign(Gtk::Align::CENTER);
  card->set_valign(Gtk::Align::CENTER);
  card->set_vexpand(true);
  card->set_size_request(maxWidth, -1);
  card->content().set_spacing(12);
  card->content().set_halign(Gtk::Align::FILL);
  canvas.append(*card);
  return card;
}

void centre(Gtk::Widget& w) { w.set_halign(Gtk::Align::CENTER); }

// Return anywhere in the placeholder presses its default button.
void bindReturn(Gtk::Widget& owner, Gtk::Button& button) {
  auto keys = Gtk::EventControllerKey::create();
  keys->signal_key_pressed().connect(
      [&button](guint keyval, guint, Gdk::ModifierType) {
        if (keyval != GDK_KEY_Return && keyval != GDK_KEY_KP_Enter) return false;
        button.activate();
        return true;
      },
      false);
  owner.add_controller(keys);
}
}  // namespace

HibernatedView::HibernatedView(std::shared_ptr<BrowserTab> tab, std::function<void()> onWake) : tab_(std::move(tab)) {
  auto* card = centredCard(*this, 28, 420);
  auto& content = card->content();

  auto* disc = Gtk::make_managed<Gtk::Box>();
  disc->add_css_class("law-moon-disc");
  auto* moon = Gtk::make_managed<Gtk::Image>();
  moon->set_from_icon_name("weather-clear-night-symbolic");
  moon->set_pixel_size(22);
  moon->set_hexpand(true);
  moon->set_vexpand(true);
  disc->append(*moon);
  centre(*disc);
  content.append(*disc);

  title_.add_css_class("law-placeholder-title");
  title_.set_ellipsize(Pango::EllipsizeMode::END);
  centre(title_);
  content.append(title_);
  // What happened to the page, never its address.
  note_.set_text("该标签因长时间闲置已自动释放内存");
  note_.add_css_class("law-placeholder-note");
  note_.set_ellipsize(Pango::EllipsizeMode::END);
  note_.set_single_line_mode(true);
  centre(note_);
  content.append(note_);

  wake_ = makeLawPrimaryButton("恢复这个标签");
  wake_->set_margin_top(4);
  centre(*wake_);
  lawHandCursor(*wake_);
  wake_->signal_clicked().connect([onWake] {
    if (onWake) onWake();
  });
  content.append(*wake_);
  bindReturn(*this, *wake_);

  if (tab_) titleChanged_ = tab_->title.changed().connect([this] { refresh(); });
  refresh();
}

void HibernatedView::refresh() { title_.set_text(tab_ ? tab_->title.get() : ""); }

EmptyStateView::EmptyStateView(BrowserModel& browser) {
  auto* card = centredCard(*this, 32, 440);
  auto& content = card->content();
  content.set_spacing(14);

  auto* tile = Gtk::make_managed<Gtk::Box>();
  tile->add_css_class("law-brand-tile");
  auto* brand = Gtk::make_managed<BrandScaleIcon>(32, LawTheme::gold);
  brand->set_hexpand(true);
  brand->set_vexpand(true);
  brand->set_halign(Gtk::Align::CENTER);
  brand->set_valign(Gtk::Align::CENTER);
  tile->append(*brand);
  centre(*tile);
  content.append(*tile);

  auto* title = Gtk::make_managed<Gtk::Label>("没有打开的页面");
  title->add_css_class("law-empty-title");
  centre(*title);
  content.append(*title);
  auto* hint = Gtk::make_managed<Gtk::Label>(linuxShortcutText("按 ⌘T 新建标签，或按 ⌘K 快速搜索合同与客户"));
  hint->add_css_class("law-empty-hint");
  hint->set_wrap(true);
  hint->set_justify(Gtk::Justification::CENTER);
  centre(*hint);
  content.append(*hint);

  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  row->set_margin_top(4);
  centre(*row);
  dashboard_ = makeLawPrimaryButton("打开个人工作台");
  cases_ = makeLawSecondaryButton("全局案件中心");
  for (auto* b : {dashboard_, cases_}) {
    lawHandCursor(*b);
    row->append(*b);
  }
  dashboard_->signal_clicked().connect([&browser] { browser.newTab("/dashboard", "个人工作台"); });
  cases_->signal_clicked().connect([&browser] { browser.newTab("/cases", "全局案件中心"); });
  content.append(*row);
  bindReturn(*this, *dashboard_);
}

}  // namespace quorvel
