#include "TestServiceArchive.h"

#include <nlohmann/json.hpp>

#include <filesystem>

#include "TestPages.h"
#include "TestServiceVolume.h"

namespace quorvel::test {
namespace {
namespace fs = std::filesystem;

// The last piece of a name as the client sent it; never a way out of the folder.
std::string safeName(const std::string& sent) {
  std::string name = sent.substr(sent.find_last_of("/\\") == std::string::npos ? 0 : sent.find_last_of("/\\") + 1);
  return name.empty() || name == "." || name == ".." ? std::string("未命名文件") : name;
}

// `name` in `dir`, or with " (2)", " (3)"… before the extension when it is taken.
fs::path freePlace(const fs::path& dir, const std::string& name) {
  fs::path candidate = dir / name;
  const std::string stem = fs::path(name).stem().string(), ext = fs::path(name).extension().string();
  std::error_code ec;
  for (int n = 2; fs::exists(candidate, ec); ++n) candidate = dir / (stem + " (" + std::to_string(n) + ")" + ext);
  return candidate;
}

Reply failure(const std::string& error, int status) {
  return Reply::json(nlohmann::json{{"success", false}, {"error", error}}.dump(), status);
}
}  // namespace

Reply quickArchiveUpload(const TestService& service, const RecordedRequest& request) {
  const std::string id = request.path.substr(std::string("/api/proc_quick_upload/").size());
  auto folder = pages::proceedingFolder(id);
  if (!folder) return failure("未找到编号为 " + id + " 的案件", 404);
  auto parts = TestService::multipartParts(request);
  if (!parts) return failure("not multipart", 400);
  int count = 0;
  auto share = service.caseShareDir();
  for (const auto& part : *parts) {
    if (part.name != "files") continue;
    ++count;
    if (!share) continue;
    const fs::path dir = *share / *folder / kArchiveInboxFolder;
    std::string error = writeShareFile(freePlace(dir, safeName(part.fileName)), part.bytes);
    if (!error.empty()) return failure("写入卷宗失败：" + error, 500);
  }
  return Reply::json(R"({"success":true,"count":)" + std::to_string(count) + "}");
}

}  // namespace quorvel::test
