#pragma once
// What the page bridge and the downloads of a tab ask of the features (recognition,
// courier lookup, the case volume, editing). The web layer calls it; the features
// implement it.
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/Task.h"

namespace quorvel {

class PageActions {
 public:
  virtual ~PageActions() = default;
  // "ocrimage": recognises a waybill photo given as a "data:" address.
  virtual Task<nlohmann::json> recogniseWaybill(std::string imageDataURL) = 0;
  // "querytracking": `done` runs once on the main thread.
  virtual void queryTracking(const std::string& number, std::function<void(nlohmann::json)> done) = 0;
  virtual void reveal(const std::string& rel) = 0;
  virtual void edit(const std::string& rel) = 0;
  virtual void preview(const std::string& rel) = 0;
  // The page's folderRelPath when it was text, or the evaluation error.
  virtual void openProceedingFolder(const std::optional<std::string>& value,
                                    const std::optional<std::string>& error) = 0;
  // Where a download of a case file ("?path=rel") goes; nothing: the download folder.
  virtual std::optional<std::filesystem::path> downloadDestination(const std::string& rel) = 0;
};

}  // namespace quorvel
