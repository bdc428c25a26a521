#include "features/mirror/MirrorListing.h"

#include "base/AppError.h"
#include "base/Async.h"
#include "base/ErrorDomains.h"
#include "base/FailureText.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/BrowserModel.h"
#include "features/mirror/MirrorActivity.h"

namespace quorvel {

MirrorListing::MirrorListing(const MirrorServices& services, std::shared_ptr<const MirrorWorkspace> workspace,
                             Fetcher fetcher, MirrorActivity& activity, MirrorKeepAlive keep)
    : services_(services),
      workspace_(std::move(workspace)),
      fetcher_(std::move(fetcher)),
      activity_(activity),
      keep_(std::move(keep)) {}

Task<std::string> MirrorListing::fetch(const std::string& pathArg) {
  const std::string path = pathArg;
  if (fetcher_) co_return co_await fetcher_(path);
  auto model = workspace_ ? workspace_->model.lock() : nullptr;
  if (!model) throw AppError(errors::kMirror, errors::kMirrorNoModel, "没有打开的页面（请先登录）");
  // Both reads are listings that grow with the firm (its contracts, a contract's files).
  co_return co_await model->reads().fetchListing(path);
}

Task<void> MirrorListing::loadNodes() {
  auto self = keep_();
  MirrorActivity::Running running(activity_);
  activity_.fail(std::nullopt);
  try {
    std::string nodesPath = "/api/desktop/nodes";
    Task<std::string> read = fetch(nodesPath);
    std::string bytes = co_await read;
    auto decoding = decodeOffMain(services_.workers, bytes, decodeMirrorNodes);
    auto nodes = co_await decoding;
    if (!nodes) {
      logLine(tags::kMirror, "nodes 回复无法识别：" + failure::logExcerpt(bytes), LogLevel::warning);
      throw AppError(errors::kMirror, 0, looksLikeLoginPage(bytes) ? failure::kSignedOut : failure::kUnreadableReply);
    }
    contracts.set(nodes->contracts);
    clients.set(nodes->clients);
    logLine(tags::kMirror, "合同 " + std::to_string(nodes->contracts.size()) + " / 客户 " +
                               std::to_string(nodes->clients.size()));
  } catch (const AppError& e) {
    activity_.fail("读取案件列表失败：" + e.message);
    logLine(tags::kMirror, "nodes 失败 " + e.domain + " " + std::to_string(e.code) + " " + e.message,
            LogLevel::warning);
  }
}

Task<MirrorManifest> MirrorListing::manifest(long long contract) {
  auto self = keep_();
  std::string path = "/api/desktop/manifest_contract/" + std::to_string(contract);
  Task<std::string> read = fetch(path);
  std::string bytes = co_await read;
  // A contract of thousands of files is megabytes of text: decoded on the pool.
  auto decoding = decodeOffMain(services_.workers, std::move(bytes), decodeMirrorManifest);
  auto m = co_await decoding;
  if (!m) throw AppError(errors::kMirror, 0, "清单格式不对");
  co_return std::move(*m);
}

}  // namespace quorvel
