#pragma once
// Inside the engines module: the searchable-PDF writers of the module's table.
#include <filesystem>
#include <optional>
#include <vector>

#include "platform/ocr/Bitmap.h"
#include "platform/pdf/SearchablePdf.h"

namespace quorvel::engines {

std::optional<AppError> writeSearchablePdf(const std::filesystem::path& source,
                                           const std::vector<std::filesystem::path>& layers,
                                           const std::filesystem::path& output);
std::optional<AppError> writeImageSearchablePdf(const Bitmap& image, const std::filesystem::path& layer,
                                                const std::filesystem::path& output);
std::optional<AppError> restoreIdeographText(const std::filesystem::path& pdf, int* repaired);

}  // namespace quorvel::engines
