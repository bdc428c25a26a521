#include "ui/main/LockOverlayView.h"

#include "ui/components/HandCursor.h"
#include "ui/components/LawBadges.h"
#include "ui/components/LawPrecisionIcon.h"

namespace quorvel {

LockOverlayView::LockOverlayView(PrivacyLock& lock) : Gtk::Box(Gtk::Orientation::VERTICAL), lock_(lock) {
  add_css_class("law-lock-backdrop");
  set_hexpand(true);
  set_vexpand(true);

  auto* card = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 18);
  card->add_css_class("law-lock-card");
  card->set_halign(Gtk::Align::CENTER);
  card->set_valign(Gtk::Align::CENTER);
  card->set_vexpand(true);
  append(*card);

  auto* badge = Gtk::make_managed<BrandBadge>(60, 34);
  badge->set_halign(Gtk::Align::CENTER);
  card->append(*badge);

  auto* texts = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 5);
  auto* title = Gtk::make_managed<Gtk::Label>("衡石同舟·墨衡台已隐私锁定");
  title->add_css_class("law-lock-title");
  auto* subtitle = Gtk::make_managed<Gtk::Label>("案件卷宗与客户信息已隐藏保护，验证身份后立即恢复当前标签");
  subtitle->add_css_class("law-lock-subtitle");
  texts->append(*title);
  texts->append(*subtitle);
  card->append(*texts);

  password_.set_show_peek_icon(true);
  password_.set_property("placeholder-text", Glib::ustring("登录密码"));
  password_.add_css_class("law-lock-entry");
  password_.set_halign(Gtk::Align::CENTER);
  gtk_accessible_update_property(GTK_ACCESSIBLE(password_.gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, "登录密码", -1);
  // Return in the field unlocks.
  g_signal_connect(password_.gobj(), "activate", G_CALLBACK(+[](GtkPasswordEntry*, gpointer self) {
                     static_cast<LockOverlayView*>(self)->submit();
                   }),
                   this);
  card->append(password_);

  unlock_ = Gtk::make_managed<Gtk::Button>();
  unlock_->add_css_class("law-lock-button");
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  row->append(*Gtk::make_managed<LawPrecisionIcon>(LawIconKind::lock, 16, LawTheme::gold));
  row->append(*Gtk::make_managed<Gtk::Label>("密码解锁"));
  unlock_->set_child(*row);
  unlock_->set_halign(Gtk::Align::CENTER);
  gtk_accessible_update_property(GTK_ACCESSIBLE(unlock_->gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, "密码解锁", -1);
  lawHandCursor(*unlock_);
  unlock_->signal_clicked().connect([this] { submit(); });
  card->append(*unlock_);

  error_.add_css_class("law-lock-error");
  error_.set_wrap(true);
  error_.set_max_width_chars(40);
  card->append(error_);
  storeError_.add_css_class("law-lock-error");
  storeError_.set_wrap(true);
  storeError_.set_max_width_chars(40);
  card->append(storeError_);

  connections_.emplace_back(lock_.authError.changed().connect([this] { sync(); }));
  connections_.emplace_back(lock_.storeError.changed().connect([this] { sync(); }));
  connections_.emplace_back(lock_.isLocked.changed().connect([this] { sync(); }));
  sync();
}

void LockOverlayView::focusPassword() { password_.grab_focus(); }

void LockOverlayView::submit() {
  std::string typed = password_.get_text();
  // The typed password is not kept in the field once it was handed on.
  password_.set_text("");
  lock_.unlock(typed);
}

void LockOverlayView::sync() {
  const std::optional<AppError>& refused = lock_.authError.get();
  const std::string error = refused ? describe(*refused) : std::string();
  error_.set_text(error);
  error_.set_visible(!error.empty());
  const std::string& notStored = lock_.storeError.get();
  storeError_.set_text(notStored);
  storeError_.set_visible(!notStored.empty());
  if (!lock_.isLocked.get()) password_.set_text("");
}

}  // namespace quorvel
