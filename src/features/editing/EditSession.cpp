#include "features/editing/EditSession.h"

#include "base/Log.h"
#include "base/LogTags.h"
#include "features/volume/LocalVolume.h"

namespace quorvel {

EditSession& EditSession::shared() {
  static EditSession session;
  return session;
}

void EditSession::openForEdit(const std::string& rel) {
  // Editing works on the mounted case volume only.
  if (!LocalVolume::mountedRoot()) {
    logLine(tags::kEdit, "未连接卷宗盘，无法编辑：" + rel, LogLevel::warning);
    LocalVolume::alertNotConnected();
  }
}

}  // namespace quorvel
