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
}  // namespace

// Drops a finished chooser after its signal emission is over.
void GtkFilePanels::releaseLater(Gtk::FileChooserNative* raw) {
  postToMain([live = std::weak_ptr<Choosers>(live_), raw] {
    auto choosers = live.lock();
    if (!choosers) return;
    for (auto it = choosers->begin(); it != choosers->end(); ++it)
      if (it->get() == raw) {
        choosers->erase(it);
        break;
      }
  });
}

void GtkFilePanels::askOpenFiles(const OpenQuestion& question, OpenAnswer onAnswer) {
  Gtk::init_gtkmm_internals();
  auto chooser = Gtk::FileChooserNative::create(question.title, Gtk::FileChooser::Action::OPEN, "打开", "取消");
  if (Gtk::Window* parent = activeWindow()) chooser->set_transient_for(*parent);
  chooser->set_modal(true);
  chooser->set_select_multiple(question.multiple);
  for (std::size_t i = 0; i < question.filters.size(); ++i) {
    const auto& f = question.filters[i];
    auto filter = Gtk::FileFilter::create();
    filter->set_name(f.name);
    for (const auto& m : f.mimeTypes) filter->add_mime_type(m);
    for (const auto& s : f.suffixes) filter->add_suffix(s);
    chooser->add_filter(filter);
    if (i == 0) chooser->set_filter(filter);
  }
  live_->insert(chooser);
  Gtk::FileChooserNative* raw = chooser.get();
  chooser->signal_response().connect([this, raw, onAnswer](int response) {
    std::vector<std::filesystem::path> chosen;
    if (response == Gtk::ResponseType::ACCEPT) {
      // Through C: the list's items are private GFile classes that gtkmm cannot wrap.
      GListModel* files = gtk_file_chooser_get_files(GTK_FILE_CHOOSER(raw->gobj()));
      for (guint i = 0; files && i < g_list_model_get_n_items(files); ++i) {
        GFile* file = G_FILE(g_list_model_get_item(files, i));
        if (char* path = g_file_get_path(file)) {
          chosen.emplace_back(path);
          g_free(path);
        }
        g_object_unref(file);
      }
      if (files) g_object_unref(files);
    }
    raw->hide();
    releaseLater(raw);
    if (onAnswer) onAnswer(chosen);
  });
  chooser->show();
}

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
  live_->insert(chooser);
  Gtk::FileChooserNative* raw = chooser.get();
  chooser->signal_response().connect([this, raw, onAnswer](int response) {
    std::optional<std::filesystem::path> chosen;
    if (response == Gtk::ResponseType::ACCEPT)
      if (auto file = raw->get_file()) chosen = file->get_path();
    raw->hide();
    releaseLater(raw);
    if (onAnswer) onAnswer(chosen);
  });
  chooser->show();
}

void GtkFilePanels::askFolder(const FolderQuestion& question, FolderAnswer onAnswer) {
  Gtk::init_gtkmm_internals();
  auto chooser = Gtk::FileChooserNative::create(question.title, Gtk::FileChooser::Action::SELECT_FOLDER,
                                                question.acceptLabel.empty() ? "选择" : question.acceptLabel, "取消");
  if (Gtk::Window* parent = activeWindow()) chooser->set_transient_for(*parent);
  chooser->set_modal(true);
  chooser->set_create_folders(true);
  if (!question.folder.empty() && std::filesystem::is_directory(question.folder))
    chooser->set_current_folder(Gio::File::create_for_path(question.folder.string()));
  live_->insert(chooser);
  Gtk::FileChooserNative* raw = chooser.get();
  chooser->signal_response().connect([this, raw, onAnswer](int response) {
    std::optional<std::filesystem::path> chosen;
    if (response == Gtk::ResponseType::ACCEPT)
      if (auto file = raw->get_file(); file && !file->get_path().empty()) chosen = file->get_path();
    raw->hide();
    releaseLater(raw);
    if (onAnswer) onAnswer(chosen);
  });
  chooser->show();
}

}  // namespace quorvel
