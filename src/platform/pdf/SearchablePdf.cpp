#include "platform/pdf/SearchablePdf.h"

#include "platform/ocr/EngineModule.h"

namespace quorvel {
namespace fs = std::filesystem;

std::string writeSearchablePdf(const fs::path& source, const std::vector<fs::path>& layers, const fs::path& output) {
  const auto* api = engineApi();
  return api ? api->writeSearchablePdf(source, layers, output) : engineModuleError();
}

std::string writeImageSearchablePdf(const Bitmap& image, const fs::path& layer, const fs::path& output) {
  const auto* api = engineApi();
  return api ? api->writeImageSearchablePdf(image, layer, output) : engineModuleError();
}

std::string restoreIdeographText(const fs::path& pdf, int* repaired) {
  int count = 0;
  const auto* api = engineApi();
  std::string error = api ? api->restoreIdeographText(pdf, &count) : engineModuleError();
  if (repaired) *repaired = count;
  return error;
}

}  // namespace quorvel
