#include "ui/volume/VolumePasswordDialog.h"

#include "base/MainQueue.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/preview/PreviewStyle.h"

namespace quorvel {

VolumePasswordDialog::VolumePasswordDialog(const PasswordPrompter::Request& request, Reply reply)
    : reply_(std::move(reply)), body_(Gtk::Orientation::VERTICAL, 10) {
  installPreviewStyle();
  set_title("连接卷宗盘");
  set_modal(true);
  set_resizable(false);
  set_default_size(420, -1);
  for (auto* w : Gtk::Window::list_toplevels())
    if (w != this && w->is_active()) set_transient_for(*w);

  auto* header = Gtk::make_managed<LawSheetHeader>("登录卷宗盘", request.address, "externaldrive.connected.to.line.below",
                                                  LawIconKind::cases);
  set_titlebar(*header);

  body_.set_margin(18);
  add_css_class("law-canvas");
  auto* intro = Gtk::make_managed<Gtk::Label>("卷宗盘由系统单独挂载，需要单独登录。");
  intro->set_xalign(0);
  intro->set_wrap(true);
  body_.append(*intro);

  retry_.set_text("用户名或密码不正确，请重试（第 " + std::to_string(request.attempt) + " 次）");
  retry_.add_css_class("law-form-error");
  retry_.set_xalign(0);
  retry_.set_visible(request.attempt > 1);
  body_.append(retry_);

  auto* grid = Gtk::make_managed<Gtk::Grid>();
  grid->set_row_spacing(8);
  grid->set_column_spacing(10);
  auto label = [](const char* t) {
    auto* l = Gtk::make_managed<Gtk::Label>(t);
    l->add_css_class("law-form-label");
    l->set_xalign(1);
    return l;
  };
  user_.set_text(request.defaultUser);
  user_.set_hexpand(true);
  user_.set_sensitive(request.askUser || request.defaultUser.empty());
  password_.set_show_peek_icon(true);
  password_.set_hexpand(true);
  grid->attach(*label("用户名"), 0, 0);
  grid->attach(user_, 1, 0);
  grid->attach(*label("密码"), 0, 1);
  grid->attach(password_, 1, 1);
  body_.append(*grid);

  saveNever_.set_label("不记住密码");
  saveSession_.set_label("记住到本次登录结束");
  savePermanent_.set_label("永久记住（保存在系统钥匙环）");
  saveSession_.set_group(saveNever_);
  savePermanent_.set_group(saveNever_);
  saveSession_.set_active(true);
  auto* saveBox = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 4);
  saveBox->append(saveNever_);
  saveBox->append(saveSession_);
  saveBox->append(savePermanent_);
  saveBox->set_sensitive(request.canSave);
  body_.append(*saveBox);

  auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  buttons->set_halign(Gtk::Align::END);
  buttons->set_margin_top(6);
  auto* cancelButton = makeLawSecondaryButton("取消");
  auto* okButton = makeLawPrimaryButton("连接");
  lawHandCursor(*cancelButton);
  lawHandCursor(*okButton);
  cancelButton->signal_clicked().connect([this] { cancel(); });
  okButton->signal_clicked().connect([this] { submit(); });
  buttons->append(*cancelButton);
  buttons->append(*okButton);
  body_.append(*buttons);
  set_child(body_);
  set_default_widget(*okButton);
  g_object_set(password_.gobj(), "activates-default", TRUE, nullptr);
  user_.set_activates_default(true);
  signal_close_request().connect(
      [this] {
        cancel();
        return true;
      },
      false);
  (request.defaultUser.empty() ? static_cast<Gtk::Widget&>(user_) : static_cast<Gtk::Widget&>(password_)).grab_focus();
}

VolumePasswordDialog::~VolumePasswordDialog() {
  if (!answered_ && reply_) reply_(std::nullopt);
}

void VolumePasswordDialog::fill(const std::string& user, const std::string& password, PasswordPrompter::Save save) {
  user_.set_text(user);
  password_.set_text(password);
  (save == PasswordPrompter::Save::never       ? saveNever_
   : save == PasswordPrompter::Save::forSession ? saveSession_
                                                : savePermanent_)
      .set_active(true);
}

void VolumePasswordDialog::submit() {
  PasswordPrompter::Answer a;
  a.user = user_.get_text();
  a.password = password_.get_text();
  a.save = savePermanent_.get_active() ? PasswordPrompter::Save::permanently
           : saveSession_.get_active() ? PasswordPrompter::Save::forSession
                                       : PasswordPrompter::Save::never;
  finish(a);
}

void VolumePasswordDialog::cancel() { finish(std::nullopt); }

void VolumePasswordDialog::finish(std::optional<PasswordPrompter::Answer> answer) {
  if (answered_) return;
  answered_ = true;
  set_visible(false);
  auto reply = std::move(reply_);
  if (reply) reply(std::move(answer));
  // Freed on a later turn: this may run inside one of its own handlers.
  postToMain([self = this] { delete self; });
}

void GtkPasswordPrompter::askPassword(const Request& request, std::function<void(std::optional<Answer>)> reply) {
  auto* dialog = new VolumePasswordDialog(request, std::move(reply));
  dialog->present();
  presented_.emit(*dialog);
}

}  // namespace quorvel
