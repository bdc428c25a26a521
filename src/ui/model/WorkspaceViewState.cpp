#include "ui/model/WorkspaceViewState.h"

#include "platform/UserDefaults.h"

namespace quorvel {

WorkspaceViewState::WorkspaceViewState(const UserDefaults& defaults) {
  if (auto scale = defaults.number("fontScale")) fontScale.set(*scale);
}

}  // namespace quorvel
