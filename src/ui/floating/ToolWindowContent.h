#pragma once
// The contents of the floating tool windows ("settings", "todo", "palette",
// "shortcuts", "mirror"), registered by their subsystems. The main window's root view
// asks here each time it opens one; a window without registered content shows a note
// of what it will hold.
#include <gtkmm/widget.h>

#include <functional>
#include <memory>
#include <string>

namespace quorvel {

class BrowserModel;

// Makes a managed widget for the window; `close` is the content's own close action
// (drops the window's flag and hides it).
using ToolContentFactory =
    std::function<Gtk::Widget*(const std::shared_ptr<BrowserModel>& model, std::function<void()> close)>;

namespace ToolWindowContent {
void registerFactory(const std::string& name, ToolContentFactory factory);
// Empty when nothing is registered for `name`.
const ToolContentFactory& factory(const std::string& name);
}  // namespace ToolWindowContent

}  // namespace quorvel
