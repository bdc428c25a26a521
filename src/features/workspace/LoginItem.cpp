#include "features/workspace/LoginItem.h"

#include "base/AppError.h"
#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel::LoginItem {

std::string statusText(LoginItemStatus status) {
  switch (status) {
    case LoginItemStatus::notRegistered: return "未开启";
    case LoginItemStatus::enabled: return "已开启";
    case LoginItemStatus::requiresApproval: return "等待系统设置里批准";
    case LoginItemStatus::notFound: return "系统找不到该登录项";
    case LoginItemStatus::unknown: break;
  }
  return "未知";
}

std::optional<std::string> set(bool on) {
  try {
    if (on) {
      Autostart::enable(Autostart::runningExecutable());
    } else {
      Autostart::disable();
    }
  } catch (const AppError& e) {
    logLine(tags::kLogin, "设置失败 " + e.message);
    return e.message;
  }
  logLine(tags::kLogin, std::string("开机自启 → ") + (on ? "开" : "关") + "（状态：" + statusText(Autostart::status()) + "）");
  return std::nullopt;
}

}  // namespace quorvel::LoginItem
