#pragma once
// The command palette window's content: the search row, the category pills with the
// count, the result list and the key hints. The content of the tool window
// "palette"; it shows and drives a CommandPalette. Its keys (arrows, Return, Escape)
// are taken on its own window only, and only while that window is shown.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/label.h>
#include <gtkmm/gridview.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/spinner.h>
#include <gtkmm/text.h>
#include <gtkmm/window.h>

#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "base/GLibPtr.h"
#include "base/Task.h"
#include "ui/lists/RowList.h"
#include "ui/model/CommandPalette.h"

namespace quorvel {

class BrowserModel;
class PaletteCategoryPill;
class PaletteRow;
class ToolWindowContent;

class CommandPaletteView : public Gtk::Box {
 public:
  // Without `onClose`, closing hides the window the palette is in.
  CommandPaletteView(CommandPalette::Services services, CommandPalette::Actions actions,
                     std::function<void()> onClose = {});
  ~CommandPaletteView() override;

  CommandPalette& palette() { return *palette_; }
  // Closes the palette without carrying anything out (Escape, "关闭").
  void closeWindow();

  // For tests and renders.
  Gtk::Text& searchField() { return search_; }
  Gtk::Spinner& spinner() { return spinner_; }
  Gtk::Button& clearButton() { return clear_; }
  Gtk::Button& refreshButton() { return refresh_; }
  Gtk::Button& closeButton() { return *close_; }
  PaletteCategoryPill& pill(CommandPalette::Category category) { return *pills_.at(category); }
  Gtk::Label& countLabel() { return count_; }
  // The rows listed (the list view has widgets only for those on screen).
  int rowCount() const { return static_cast<int>(rows_.size()); }
  // The widget showing row `position`, or null while it is off screen.
  PaletteRow* rowAt(int position);
  // The row widgets there are now, in the list's order.
  std::vector<PaletteRow*> rows();
  Gtk::GridView& list() { return *list_; }
  std::size_t listSplices() const { return rows_.splices(); }
  bool emptyShown() const { return empty_.get_visible(); }
  std::string emptyText() const { return emptyText_.get_text(); }
  // The line that says the contracts and clients could not be loaded.
  bool failureShown() const { return failure_.get_visible(); }
  std::string failureText() const { return failure_.get_text(); }
  Gtk::ScrolledWindow& scroller() { return scroller_; }
  Gtk::Box& footer() { return footer_; }
  // The window whose keys the palette takes now; none while it is not shown.
  Gtk::Window* keyWindow() const { return keyWindow_; }

 private:
  void buildSearchRow();
  void buildPills();
  void buildList();
  void buildFooter();
  void appendRule();
  void updateRows();
  void resetForOpening();
  void syncSelection();
  void syncPills();
  void syncLoading();
  void scrollToSelected();
  void attachKeys();
  void detachKeys();
  bool onKey(guint keyval, Gdk::ModifierType state);

  std::unique_ptr<CommandPalette> palette_;
  std::function<void()> onClose_;
  std::string preedit_;

  Gtk::Box searchRow_;
  Gtk::Text search_;
  Gtk::Spinner spinner_;
  Gtk::Button clear_;
  Gtk::Button refresh_;
  Gtk::Box pillRow_;
  std::map<CommandPalette::Category, PaletteCategoryPill*> pills_;
  Gtk::Label count_;
  Gtk::ScrolledWindow scroller_;
  Gtk::Label failure_;
  Gtk::GridView* list_ = nullptr;
  RowStore<CommandPalette::Entry> rows_{[](const CommandPalette::Entry& e) { return e.id + '\x1f' + e.title + '\x1f' + e.subtitle; }};
  Gtk::Box empty_;
  Gtk::Label emptyText_;
  Gtk::Box footer_;
  Gtk::Button* close_ = nullptr;

  Glib::RefPtr<Gtk::EventControllerKey> keys_;
  Gtk::Window* keyWindow_ = nullptr;
  guint scrollTick_ = 0;
  // The glide of the list towards the selected row (start < 0: not set off yet).
  struct Glide {
    double from = 0, to = 0;
    gint64 start = -1;
  } glide_;
  std::vector<ScopedConnection> connections_;
  TaskScope scope_;
};

// Registers the palette as the content of the tool window "palette". `actions` are
// the targets of its six actions; `showMainWindow` brings the main window forward
// before a page opens in it.
void registerCommandPalette(ToolWindowContent& contents, CommandPalette::Actions actions,
                            std::function<void()> showMainWindow);

}  // namespace quorvel
