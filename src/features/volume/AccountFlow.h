#pragma once
#include "core/BrowserModel.h"

namespace quorvel {
class Dialogs;
class LocalVolume;
}  // namespace quorvel

namespace quorvel::AccountFlow {

// Asks "切换账号？": switching signs the workspace out, and with the recommended
// choice first disconnects the case volume (which the system mounted apart from the
// client's sign-in). "取消" changes nothing.
void switchAccount(BrowserModel& browser, Dialogs& dialogs, LocalVolume& volume);

}  // namespace quorvel::AccountFlow
