#include "features/volume/AccountFlow.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/Dialogs.h"
#include "features/volume/LocalVolume.h"

namespace quorvel::AccountFlow {
namespace {
constexpr const char* kText =
    "会清除当前登录态并回到登录页。\n\n注意：卷宗盘是系统单独挂载的，认证和客户端无关。\n"
    "如果它现在是上一个账号挂的，切换后请一并断开，否则会看到别的所的卷宗。\n断开只是本机断连，服务器文件不受影响。";
}  // namespace

void switchAccount(BrowserModel& browser, Dialogs& dialogs, LocalVolume& volume) {
  std::weak_ptr<BrowserModel> weak = browser.weak_from_this();
  dialogs.alert("切换账号？", kText, {"切换并断开卷宗盘（推荐）", "只切换，保留卷宗盘连接", "取消"},
                [weak, &volume](int answer) {
                  if (answer == 1) {
                    if (auto m = weak.lock()) m->logout();
                    return;
                  }
                  if (answer != 0) return;
                  // The sign-out waits for the unmount, whatever its outcome; a
                  // password saved for the old account goes too, or the next
                  // connect would mount the old firm's files again.
                  volume.disconnect(
                      [weak](bool ok, const std::string& message) {
                        logLine(tags::kAccount, std::string("断开卷宗盘：") + (ok ? "成功" : "失败") + " " + message);
                        if (auto m = weak.lock()) m->logout();
                      },
                      /*forgetPassword=*/true);
                });
}

}  // namespace quorvel::AccountFlow
