#include "TestServiceVolume.h"

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

}  // namespace quorvel::test
