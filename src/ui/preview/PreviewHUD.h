#pragma once
// The small dark progress panel: a spinner and one line of text, above other windows,
// centred on the active window (else the screen). It takes neither focus nor clicks:
// the user keeps working in the window behind it. Shown from creation until
// destroyed (or close()).
#include <gtkmm.h>

#include <memory>
#include <string>

#include "platform/WindowPlacement.h"

namespace quorvel {

class PreviewHUD {
 public:
  explicit PreviewHUD(const std::string& text);
  ~PreviewHUD();
  PreviewHUD(const PreviewHUD&) = delete;
  PreviewHUD& operator=(const PreviewHUD&) = delete;

  void close();
  Gtk::Window& panel() { return panel_; }
  Gtk::Label& label() { return label_; }

 private:
  void place();

  Gtk::Window panel_;
  Gtk::Box body_;
  Gtk::Spinner spinner_;
  Gtk::Label label_;
  std::unique_ptr<WindowPlacement> placement_;
};

}  // namespace quorvel
