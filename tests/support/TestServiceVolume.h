#pragma once
#include <filesystem>
#include <string>

namespace quorvel::test {
class TestService;
// "download_file?path=…&action=download" (signed in): the case file's bytes as an
// attachment named after the path's last piece; 404 for a path with no file name.
void installVolumeRoutes(TestService& service);
// The bytes the service sends for a case file's server path.
std::string caseFileBytes(const std::string& serverPath);
// Writes a file into the case share through a temporary file beside it and a rename,
// so the volume never shows half a file (folders made as needed). Answers "" or what
// went wrong.
std::string writeShareFile(const std::filesystem::path& target, const std::string& bytes);
}  // namespace quorvel::test
