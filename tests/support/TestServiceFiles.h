#pragma once
// The case files uploaded to the service: "/api/desktop/upload" keeps each by its
// server path, "download_file" answers a kept file's bytes (404 once it was deleted)
// and "api/delete_physical_file" deletes one, as the service's case storage does.
#include <optional>
#include <string>
#include <vector>

namespace quorvel::test {

class TestService;
struct Reply;

// "/api/delete_physical_file" (POST, signed in, JSON {"file_path": P}): deletes an
// uploaded file (and its copy on the case share), answering {"success": true}; a path
// with no file answers 404 {"success": false, "error": …}. Starts with no files kept.
void installFileRoutes(TestService& service);

// Keeps an upload; answers whether a file stood at the path before.
bool keepUploadedFile(TestService& service, const std::string& serverPath, const std::string& bytes);
// What "download_file" answers for a path the uploads know: the kept bytes, or 404
// when it was deleted; nothing for any other path.
std::optional<Reply> keptFileReply(const TestService& service, const std::string& serverPath);

// The kept files' bytes and paths, and the paths deleted, for tests.
std::optional<std::string> uploadedFile(const TestService& service, const std::string& serverPath);
std::vector<std::string> uploadedPaths(const TestService& service);
std::vector<std::string> deletedPaths(const TestService& service);

}  // namespace quorvel::test
