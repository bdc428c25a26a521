#pragma once
#include <gtkmm/filechoosernative.h>

#include <memory>
#include <set>

#include "core/FilePanels.h"

namespace quorvel {

// The desktop's own file chooser (through the portal where there is one), modal to
// the application's active window.
class GtkFilePanels : public FilePanels {
 public:
  void askSaveFile(const SaveQuestion& question, SaveAnswer onAnswer) override;
  void askOpenFiles(const OpenQuestion& question, OpenAnswer onAnswer) override;
  void askFolder(const FolderQuestion& question, FolderAnswer onAnswer) override;

 private:
  using Choosers = std::set<Glib::RefPtr<Gtk::FileChooserNative>>;
  void releaseLater(Gtk::FileChooserNative* raw);

  // Choosers stay alive until they answer, or until the panels go (unanswered).
  std::shared_ptr<Choosers> live_ = std::make_shared<Choosers>();
};

}  // namespace quorvel
