#pragma once
#include <filesystem>

namespace quorvel::xdg {

// Read at each call: tests point HOME and XDG_* at a temporary folder.
std::filesystem::path home();
std::filesystem::path configHome();
std::filesystem::path dataHome();
std::filesystem::path cacheHome();
std::filesystem::path documentsDir();
std::filesystem::path downloadDir();

}  // namespace quorvel::xdg
