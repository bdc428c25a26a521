#pragma once
// The contents of the floating tool windows ("settings", "todo", "palette",
// "shortcuts", "mirror"), registered by their subsystems. The main window's root view
// asks here the first time it opens one; the content then stays with its window for
// the life of the application. A window without registered content shows a note of
// what it will hold.
#include <gtkmm/widget.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace quorvel {

class BrowserModel;

// Makes a managed widget for the window, once per window; `close` is the content's own
// close action (drops the window's flag and hides it).
using ToolContentFactory =
    std::function<Gtk::Widget*(const std::shared_ptr<BrowserModel>& model, std::function<void()> close)>;

class ToolWindowContent {
 public:
  // Replaces what was registered for `name`; an empty factory removes it.
  void registerFactory(const std::string& name, ToolContentFactory factory);
  // Empty when nothing is registered for `name`.
  const ToolContentFactory& factory(const std::string& name) const;

 private:
  std::map<std::string, ToolContentFactory> factories_;
  ToolContentFactory none_;
};

}  // namespace quorvel
