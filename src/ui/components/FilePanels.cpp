#include "ui/components/FilePanels.h"

#include <gtkmm/application.h>
#include <gtkmm/filechoosernative.h>
#include <gtkmm/filefilter.h>
#include <gtkmm/init.h>
#include <gtkmm/dialog.h>

#include <set>

#include "base/MainQueue.h"

namespace quorvel {
namespace {
Gtk::Window* activeWindow() {
  auto app = std::dynamic_pointer_cast<Gtk::Application>(Gio::Application::get_default());
  return app ? app->get_active_window() : nullptr;
}

// Choosers stay alive until they answer.
std::set<Glib::RefPtr<Gtk::FileChooserNative>>& live() {
  static std::set<Glib::RefPtr<Gtk::FileChooserNative>> choosers;
  return choosers;
}
}  // namespace

void GtkFilePanels::askSaveFile(const SaveQuestion& question, SaveAnswer onAnswer) {
  Gtk::init_gtkmm_internals();
  auto chooser = Gtk::FileChooserNative::create(question.title, Gtk::FileChooser::Action::SAVE, "保存", "取消");
  if (Gtk::Window* parent = activeWindow()) chooser->set_transient_for(*parent);
  chooser->set_modal(true);
  auto filter = Gtk::FileFilter::create();
  filter->set_name(question.filterName);
  if (!question.mimeType.empty()) filter->add_mime_type(question.mimeType);
  if (!question.pattern.empty()) filter->add_pattern(question.pattern);
  chooser->add_filter(filter);
  chooser->set_filter(filter);
  if (!question.folder.empty()) chooser->set_current_folder(Gio::File::create_for_path(question.folder.string()));
  chooser->set_current_name(question.suggestedName);
  live().insert(chooser);
  Gtk::FileChooserNative* raw = chooser.get();
  chooser->signal_response().connect([raw, onAnswer](int response) {
    std::optional<std::filesystem::path> chosen;
    if (response == Gtk::ResponseType::ACCEPT)
      if (auto file = raw->get_file()) chosen = file->get_path();
    raw->hide();
    // Released after its signal emission is over.
    postToMain([raw] {
      for (auto it = live().begin(); it != live().end(); ++it)
        if (it->get() == raw) {
          live().erase(it);
          break;
        }
    });
    if (onAnswer) onAnswer(chosen);
  });
  chooser->show();
}

}  // namespace quorvel
