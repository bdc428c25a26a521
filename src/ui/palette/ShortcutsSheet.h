#pragma once
// The keyboard-shortcut sheet: a header with "完成", then the four cards of fixed rows
// (ui/model/ShortcutSheetRows), two side by side, scrolling under the header. It holds
// no state; the only key it takes is Escape, which presses "完成".
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>

#include <functional>
#include <vector>

#include "ui/components/LawCard.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/components/WindowEscapeKey.h"

namespace quorvel {

class ToolWindowContent;

class ShortcutsSheet : public Gtk::Box {
 public:
  // "完成" and Escape run `onClose` and nothing else; without one they close the
  // window the sheet is shown in.
  explicit ShortcutsSheet(std::function<void()> onClose = {});
  ~ShortcutsSheet() override;

  struct Row {
    Gtk::Label* description;
    Gtk::Label* keyCap;
  };

  LawSheetHeader& header() { return header_; }
  Gtk::Button& doneButton() { return *done_; }
  Gtk::ScrolledWindow& body() { return body_; }
  // In the groups' order; rows()[i] are the rows of cards()[i].
  const std::vector<LawCard*>& cards() const { return cards_; }
  const std::vector<std::vector<Row>>& rows() const { return rows_; }

 private:
  void done();

  std::function<void()> onClose_;
  LawSheetHeader header_;
  Gtk::Button* done_ = nullptr;
  Gtk::ScrolledWindow body_;
  Gtk::Grid grid_;
  std::vector<LawCard*> cards_;
  std::vector<std::vector<Row>> rows_;
  WindowEscapeKey escape_;
};

// Registers the sheet as the content of the tool window "shortcuts".
void registerShortcutsSheet(ToolWindowContent& contents);

}  // namespace quorvel
