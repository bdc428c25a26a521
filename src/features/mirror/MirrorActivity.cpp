#include "features/mirror/MirrorActivity.h"

#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {

MirrorActivity::Running::Running(MirrorActivity& activity, bool transfer) : activity_(activity), transfer_(transfer) {
  if (transfer_) activity_.transferring_ = true;
  if (activity_.running_++ == 0) activity_.busy.set(true);
}

MirrorActivity::Running::~Running() {
  if (transfer_) activity_.transferring_ = false;
  if (--activity_.running_ == 0) activity_.busy.set(false);
}

bool MirrorActivity::refuseSecondTransfer() const {
  if (!transferring_) return false;
  logLine(tags::kMirror, "已有下载在进行，不再开始新的", LogLevel::warning);
  return true;
}

}  // namespace quorvel
