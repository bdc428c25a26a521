#pragma once
#include <string>

namespace quorvel::test {
class TestService;
// "download_file?path=…&action=download" (signed in): the case file's bytes as an
// attachment named after the path's last piece; 404 for a path with no file name.
void installVolumeRoutes(TestService& service);
// The bytes the service sends for a case file's server path.
std::string caseFileBytes(const std::string& serverPath);
}  // namespace quorvel::test
