#include "features/volume/PreviewCache.h"

namespace quorvel::PreviewCache {

std::optional<std::filesystem::path> prepareDestination(const std::string&) {
  // The case volume and its mirror come with their own subsystem; until it is set
  // up there is no cache location to form.
  return std::nullopt;
}

}  // namespace quorvel::PreviewCache
