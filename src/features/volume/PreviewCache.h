#pragma once
#include <filesystem>
#include <optional>
#include <string>

namespace quorvel::PreviewCache {

// The local cache place for a server-relative case-file path, parents created.
// Answers nothing while no case volume or mirror is set up: downloads then go to
// the download folder.
std::optional<std::filesystem::path> prepareDestination(const std::string& rel);

}  // namespace quorvel::PreviewCache
