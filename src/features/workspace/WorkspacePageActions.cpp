#include "features/workspace/WorkspacePageActions.h"

#include "features/editing/EditSession.h"
#include "features/recognition/OcrEngine.h"
#include "features/tracking/TrackingQuery.h"
#include "features/volume/LocalVolume.h"
#include "features/volume/PreviewCache.h"

namespace quorvel {

Task<nlohmann::json> WorkspacePageActions::recogniseWaybill(std::string imageDataURL) {
  // A named awaiter: GCC 12 destroys a capturing lambda temporary inside a co_await
  // operand twice.
  auto work = onWorker(workers_, [&pools = pools_, image = std::move(imageDataURL)] {
    return OcrEngine::analyze(pools, image);
  });
  nlohmann::json result = co_await work;
  co_return result;
}

void WorkspacePageActions::queryTracking(const std::string& number, std::function<void(nlohmann::json)> done) {
  tracking_.query(number, std::move(done));
}

void WorkspacePageActions::reveal(const std::string& rel) { volume_.reveal(rel); }
void WorkspacePageActions::edit(const std::string& rel) { editing_.openForEdit(rel); }
void WorkspacePageActions::preview(const std::string& rel) { volume_.preview(rel); }

void WorkspacePageActions::openProceedingFolder(const std::optional<std::string>& value,
                                                const std::optional<std::string>& error) {
  volume_.openCurrentProceedingFolder(value, error);
}

std::optional<std::filesystem::path> WorkspacePageActions::downloadDestination(const std::string& rel) {
  return volume_.cache().prepareDestination(rel);
}

}  // namespace quorvel
