#pragma once
#include <filesystem>
#include <string>

namespace quorvel::Desktop {

// Opens an address with the user's default application (browser, mail…).
bool openURI(const std::string& uri);
// Shows a file selected in the file manager, else opens its folder.
void revealFile(const std::filesystem::path& file);

}  // namespace quorvel::Desktop
