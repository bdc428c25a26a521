#include "TestServiceVolume.h"

#include <fstream>

#include "TestService.h"
#include "WebDavServer.h"

namespace quorvel::test {

std::string caseFileBytes(const std::string& serverPath) {
  return WebDavServer::samplePdf("Case file " + std::to_string(std::hash<std::string>{}(serverPath) % 10000), 2);
}

void installVolumeRoutes(TestService& service) {
  service.setRoute("/download_file", [&service](const RecordedRequest& r) {
    if (!service.isSignedIn(r)) return Reply::redirect("/login");
    std::string path = r.queryValue("path").value_or("");
    auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return Reply::notFound();
    Reply reply;
    reply.contentType = name.size() > 4 && name.substr(name.size() - 4) == ".pdf" ? "application/pdf"
                                                                                  : "application/octet-stream";
    reply.body = caseFileBytes(path);
    reply.headers.emplace_back("Content-Disposition", "attachment; filename=\"" + name + "\"");
    return reply;
  });
}

std::string writeShareFile(const std::filesystem::path& target, const std::string& bytes) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  fs::path temp = target.parent_path() / (".upload-" + target.filename().string());
  std::string error;
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) error = "写入失败";
  }
  if (error.empty()) fs::rename(temp, target, ec);
  if (error.empty() && ec) error = ec.message();
  if (!error.empty()) fs::remove(temp, ec);
  return error;
}

}  // namespace quorvel::test
