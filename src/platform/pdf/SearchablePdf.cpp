#include "platform/pdf/SearchablePdf.h"

#include "platform/ocr/EngineModule.h"

namespace quorvel {
namespace fs = std::filesystem;

std::optional<AppError> writeSearchablePdf(const fs::path& source, const std::vector<fs::path>& layers,
                                           const fs::path& output) {
  const auto* api = engineApi();
  if (!api) return engineModuleError();
  return api->writeSearchablePdf(source, layers, output);
}

std::optional<AppError> writeImageSearchablePdf(const Bitmap& image, const fs::path& layer, const fs::path& output) {
  const auto* api = engineApi();
  if (!api) return engineModuleError();
  return api->writeImageSearchablePdf(image, layer, output);
}

std::optional<AppError> restoreIdeographText(const fs::path& pdf, int* repaired) {
  int count = 0;
  const auto* api = engineApi();
  std::optional<AppError> error = api ? api->restoreIdeographText(pdf, &count) : engineModuleError();
  if (repaired) *repaired = count;
  return error;
}

}  // namespace quorvel
