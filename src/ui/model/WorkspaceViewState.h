#pragma once
// What the workspace's windows show beside the pages: which tool window is open, the
// to-do list chosen, and the font scale. Owned by the application next to the tab
// list and handed to the views; any view may change it.
#include "base/Published.h"
#include "core/Todo.h"

namespace quorvel {

class UserDefaults;

class WorkspaceViewState {
 public:
  // The font scale starts from "fontScale" in `defaults` when it is a number.
  explicit WorkspaceViewState(const UserDefaults& defaults);
  WorkspaceViewState(const WorkspaceViewState&) = delete;
  WorkspaceViewState& operator=(const WorkspaceViewState&) = delete;

  Published<bool> showTodo{false}, showMirror{false}, showPalette{false}, showShortcuts{false}, showSettings{false};
  Published<TodoKind> todoKind{TodoKind::overdue};
  Published<double> fontScale{1.0};
};

}  // namespace quorvel
