#pragma once
// Inside the engines module: the searchable-PDF writers of the module's table.
#include <filesystem>
#include <vector>

#include "platform/ocr/Bitmap.h"
#include "platform/pdf/SearchablePdf.h"

namespace quorvel::engines {

Result<void> writeSearchablePdf(const std::filesystem::path& source,
                                const std::vector<std::filesystem::path>& layers,
                                const std::filesystem::path& output);
Result<void> writeImageSearchablePdf(const Bitmap& image, const std::filesystem::path& layer,
                                     const std::filesystem::path& output);
Result<void> restoreIdeographText(const std::filesystem::path& pdf, int* repaired);

}  // namespace quorvel::engines
