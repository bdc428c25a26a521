#include "platform/pdf/SearchablePdf.h"

#include "platform/ocr/EngineModule.h"

namespace quorvel {
namespace fs = std::filesystem;

Result<void> writeSearchablePdf(const fs::path& source, const std::vector<fs::path>& layers,
                                const fs::path& output) {
  const auto* api = engineApi();
  if (!api) return engineModuleError();
  return api->writeSearchablePdf(source, layers, output);
}

Result<void> writeImageSearchablePdf(const Bitmap& image, const fs::path& layer, const fs::path& output) {
  const auto* api = engineApi();
  if (!api) return engineModuleError();
  return api->writeImageSearchablePdf(image, layer, output);
}

Result<void> restoreIdeographText(const fs::path& pdf, int* repaired) {
  int count = 0;
  const auto* api = engineApi();
  Result<void> restored = api ? api->restoreIdeographText(pdf, &count) : Result<void>(engineModuleError());
  if (repaired) *repaired = count;
  return restored;
}

}  // namespace quorvel
