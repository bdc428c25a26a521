#pragma once
#include "core/PageActions.h"

namespace quorvel {

class EditSession;
class LocalVolume;
class TesseractPools;
class TrackingQuery;
class WorkerPool;

// The features behind the page bridge and the tabs' downloads.
class WorkspacePageActions : public PageActions {
 public:
  // Case files are found on `volume` and edited in `editing`; recognition runs on
  // `workers` with engines of `pools`; deliveries are looked up with `tracking`.
  WorkspacePageActions(LocalVolume& volume, EditSession& editing, WorkerPool& workers, TesseractPools& pools,
                       TrackingQuery& tracking)
      : volume_(volume), editing_(editing), workers_(workers), pools_(pools), tracking_(tracking) {}

  Task<nlohmann::json> recogniseWaybill(std::string imageDataURL) override;
  void queryTracking(const std::string& number, std::function<void(nlohmann::json)> done) override;
  void reveal(const std::string& rel) override;
  void edit(const std::string& rel) override;
  void preview(const std::string& rel) override;
  void openProceedingFolder(const std::optional<std::string>& value, const std::optional<std::string>& error) override;
  std::optional<std::filesystem::path> downloadDestination(const std::string& rel) override;

 private:
  LocalVolume& volume_;
  EditSession& editing_;
  WorkerPool& workers_;
  TesseractPools& pools_;
  TrackingQuery& tracking_;
};

}  // namespace quorvel
