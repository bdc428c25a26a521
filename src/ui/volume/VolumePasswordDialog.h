#pragma once
// Our password dialog for the case volume: GVfs asks through the mount operation,
// this window answers (user name, password, and whether to remember the password
// for this session or permanently). Install a GtkPasswordPrompter to serve mounts.
#include <gtkmm.h>

#include <functional>
#include <optional>

#include "platform/Mounts.h"

namespace quorvel {

class VolumePasswordDialog : public Gtk::Window {
 public:
  using Reply = std::function<void(std::optional<PasswordPrompter::Answer>)>;
  VolumePasswordDialog(const PasswordPrompter::Request& request, Reply reply);
  ~VolumePasswordDialog() override;

  // Fills the fields as a user would (tests and the demo's scripted runs).
  void fill(const std::string& user, const std::string& password, PasswordPrompter::Save save);
  void submit();
  void cancel();
  bool showsRetryNote() const { return retry_.get_visible(); }

 private:
  void finish(std::optional<PasswordPrompter::Answer> answer);

  Reply reply_;
  Gtk::Box body_;
  Gtk::Label retry_;
  Gtk::Entry user_;
  Gtk::PasswordEntry password_;
  Gtk::CheckButton saveNever_, saveSession_, savePermanent_;
  bool answered_ = false;
};

class GtkPasswordPrompter : public PasswordPrompter {
 public:
  void askPassword(const Request& request, std::function<void(std::optional<Answer>)> reply) override;

  // Emitted when one of its dialogs is shown (tests answer it through fill/submit).
  sigc::signal<void(VolumePasswordDialog&)>& presented() { return presented_; }

 private:
  sigc::signal<void(VolumePasswordDialog&)> presented_;
};

}  // namespace quorvel
