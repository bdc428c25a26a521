#pragma once
// Says in the window why an "open" button did nothing (the folder is gone, the desktop
// has no program for it): the reason in Chinese and the path, selectable so it can be
// copied. Hidden until there is something to say; an open that works hides it again.
#include <gtkmm/box.h>
#include <gtkmm/label.h>

#include <optional>
#include <string>

#include "platform/Desktop.h"

namespace quorvel {

class OpenFailureNote : public Gtk::Box {
 public:
  OpenFailureNote();

  // Opens `uri` through `desktop` and says here why when it did not. True when it opened.
  bool open(Desktop& desktop, const std::string& uri);
  // The outcome of an open done elsewhere (a service's own open): nothing hides the note.
  void report(const std::optional<OpenFailure>& failure);

  Gtk::Label& message() { return message_; }
  Gtk::Label& path() { return path_; }

 private:
  Gtk::Label message_;
  Gtk::Label path_;
};

// The failure of opening a local folder that is not there, as the note shows it.
OpenFailure missingFolder(const std::string& path);

}  // namespace quorvel
