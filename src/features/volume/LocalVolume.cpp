#include "features/volume/LocalVolume.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/Text.h"
#include "core/Dialogs.h"

namespace quorvel::LocalVolume {
std::optional<std::filesystem::path> mountedRoot() {
  // Connecting the volume comes with the case-volume subsystem.
  return std::nullopt;
}

void alertNotConnected() { Dialogs::shared().alert("还没有连接卷宗盘", "请先在「设置 → 本地卷宗盘」里连接。", {"好"}); }

void openRoot() {
  if (!mountedRoot()) alertNotConnected();
}

void reveal(const std::string& rel) {
  if (!mountedRoot()) {
    logLine(tags::kVolume, "未连接卷宗盘，无法显示：" + rel, LogLevel::warning);
    alertNotConnected();
  }
}

void preview(const std::string& rel) {
  if (!mountedRoot()) {
    logLine(tags::kVolume, "未连接卷宗盘，无法预览：" + rel, LogLevel::warning);
    alertNotConnected();
  }
}

void openCurrentProceedingFolder(const std::optional<std::string>& value, const std::optional<std::string>& error) {
  if (!mountedRoot()) {
    alertNotConnected();
    return;
  }
  if (error || trimmed(value.value_or(""), " \t\r\n").empty()) {
    Dialogs::shared().alert("这个页面没有卷宗目录", "只有程序页/合同页才有对应的本地文件夹。", {"好"});
    return;
  }
  // Mapping the folder onto the mounted volume comes with the volume itself.
}

}  // namespace quorvel::LocalVolume
