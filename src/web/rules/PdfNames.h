#pragma once
// File names of exported pages.
#include <filesystem>
#include <string>

namespace quorvel {

// A tab title as the proposed PDF name: every "/" becomes "-", an empty result
// becomes "页面", then ".pdf" is appended (nothing else is trimmed or shortened).
std::string suggestedPDFName(const std::string& title);
// The chosen path with ".pdf" added when the user typed a name without it.
std::filesystem::path withPDFExtension(const std::filesystem::path& chosen);

}  // namespace quorvel
