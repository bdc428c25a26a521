#include "app/TrayAbsenceNotice.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/Dialogs.h"
#include "platform/DesktopNotifications.h"
#include "platform/UserDefaults.h"

namespace quorvel {

TrayAbsenceNotice::TrayAbsenceNotice(UserDefaults& defaults, DesktopNotifications& desktop, Dialogs& dialogs,
                                     Inputs inputs)
    : defaults_(defaults), desktop_(desktop), dialogs_(dialogs), inputs_(std::move(inputs)) {}

TrayAbsenceNotice::~TrayAbsenceNotice() = default;

std::string TrayAbsenceNotice::body(const std::vector<std::string>& hotKeys) {
  std::string text = "窗口已关闭，墨衡台仍在后台运行。再次启动墨衡台即可回到窗口";
  if (!hotKeys.empty()) {
    text += "；全局热键 ";
    for (size_t i = 0; i < hotKeys.size(); ++i) text += (i ? "、" : "") + hotKeys[i];
    text += " 照常可用";
  }
  return text + "。";
}

void TrayAbsenceNotice::mainWindowClosed() {
  if (pending_ || defaults_.boolean(kSaidKey).value_or(false)) return;
  if (inputs_.trayShown && inputs_.trayShown()) return;
  pending_ = true;
  std::string text = body(inputs_.hotKeys ? inputs_.hotKeys() : std::vector<std::string>{});
  desktop_.deliver(kTitle, text, scope_.guard([this, text](std::optional<std::string> error) {
    pending_ = false;
    if (error) {
      // No notification server either: the alert says it instead.
      logLine(tags::kTray, "无法发出系统通知（" + *error + "），改用提示框", LogLevel::warning);
      dialogs_.alert(kTitle, text);
    }
    logLine(tags::kTray, "没有系统托盘，已提示：关闭窗口后墨衡台仍在运行");
    defaults_.set(kSaidKey, true);
  }));
}

}  // namespace quorvel
