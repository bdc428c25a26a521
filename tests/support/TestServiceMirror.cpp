#include "TestServiceMirror.h"

#include <nlohmann/json.hpp>

#include <map>
#include <mutex>

#include "MirrorDemoTree.h"
#include "TestService.h"
#include "TestServiceFiles.h"
#include "TestServiceVolume.h"
#include "features/volume/CasePaths.h"

namespace quorvel::test {

namespace {

struct Switches {
  std::map<std::string, MirrorOdd> downloads;
  std::map<long long, std::string> manifests;
  unsigned downloadDelayMs = 0;
};
std::mutex gMutex;
std::map<const TestService*, Switches> gSwitches;

// Stores an upload in the case share (writeShareFile). Returns whether a file stood
// there before.
bool storeInShare(const std::filesystem::path& shareDir, const std::string& serverPath, const std::string& bytes,
                  std::string* error) {
  namespace fs = std::filesystem;
  auto target = CasePaths::mapUnder(shareDir, serverPath);
  if (!target) {
    *error = "路径不在卷宗存储里";
    return false;
  }
  std::error_code ec;
  bool existed = fs::is_regular_file(*target, ec);
  *error = writeShareFile(*target, bytes);
  return existed;
}

Switches switchesOf(const TestService& s) {
  std::lock_guard lock(gMutex);
  return gSwitches[&s];
}

}  // namespace

std::string mirrorManifestJson(long long contractId) {
  nlohmann::json files = nlohmann::json::array();
  long long total = 0;
  for (const auto& c : mirrorDemoTree()) {
    if (c.contractId != contractId) continue;
    for (const auto& f : c.files) {
      files.push_back({{"rel", f.rel},
                       {"path", c.folder + "/" + f.rel},
                       {"size", static_cast<long long>(f.bytes.size())},
                       {"mtime", f.mtime}});
      total += static_cast<long long>(f.bytes.size());
    }
    return nlohmann::json{{"ok", true},
                          {"proc", {{"id", c.procId}, {"name", c.procName}}},
                          {"kind", "contract"},
                          {"folder", c.folder},
                          {"count", files.size()},
                          {"total", total},
                          {"files", files}}
        .dump();
  }
  // A contract without an electronic folder yet.
  return nlohmann::json{{"ok", true},   {"proc", {{"id", 0}, {"name", ""}}}, {"kind", "contract"}, {"folder", ""},
                        {"count", 0},   {"total", 0},                         {"files", files}}
      .dump();
}

std::string mirrorFileBytes(const std::string& serverPath) {
  std::string p = serverPath;
  while (!p.empty() && p.front() == '/') p.erase(0, 1);
  for (const auto& c : mirrorDemoTree())
    for (const auto& f : c.files)
      if (c.folder + "/" + f.rel == p) return f.bytes;
  return {};
}

void setMirrorDownloadOdd(TestService& service, const std::string& serverPath, MirrorOdd odd) {
  std::lock_guard lock(gMutex);
  gSwitches[&service].downloads[serverPath] = odd;
}
void setMirrorDownloadDelay(TestService& service, unsigned ms) {
  std::lock_guard lock(gMutex);
  gSwitches[&service].downloadDelayMs = ms;
}
void setMirrorManifestReply(TestService& service, long long contractId, std::string json) {
  std::lock_guard lock(gMutex);
  gSwitches[&service].manifests[contractId] = std::move(json);
}
void resetMirrorSwitches(TestService& service) {
  std::lock_guard lock(gMutex);
  gSwitches.erase(&service);
}

void installMirrorRoutes(TestService& service) {
  service.setPrefixRoute("/api/desktop/manifest_contract/", [&service](const RecordedRequest& r) {
    if (!service.isSignedIn(r)) return Reply::redirect("/login");
    std::string id = r.path.substr(std::string("/api/desktop/manifest_contract/").size());
    long long n = 0;
    try {
      n = std::stoll(id);
    } catch (...) {
      return Reply::json(R"({"ok":false,"error":"bad id"})", 404);
    }
    auto sw = switchesOf(service);
    if (auto it = sw.manifests.find(n); it != sw.manifests.end()) return Reply::json(it->second);
    return Reply::json(mirrorManifestJson(n));
  });

  // Case files by server path; paths outside the demo tree keep the volume's bytes.
  service.setRoute("/download_file", [&service](const RecordedRequest& r) {
    if (!service.isSignedIn(r)) return Reply::redirect("/login");
    std::string path = r.queryValue("path").value_or("");
    if (auto kept = keptFileReply(service, path)) return *kept;
    auto sw = switchesOf(service);
    if (auto it = sw.downloads.find(path); it != sw.downloads.end()) {
      switch (it->second) {
        case MirrorOdd::notFound: return Reply::notFound();
        case MirrorOdd::noContent: return Reply::text("", 204);
        case MirrorOdd::webPage: return Reply::html("<html><body><form><input type=password></form></body></html>");
        case MirrorOdd::none: break;
      }
    }
    auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (name.empty()) return Reply::notFound();
    std::string bytes = mirrorFileBytes(path);
    Reply reply;
    reply.contentType = name.size() > 4 && name.substr(name.size() - 4) == ".pdf" ? "application/pdf"
                                                                                  : "application/octet-stream";
    reply.body = bytes.empty() ? caseFileBytes(path) : bytes;
    reply.headers.emplace_back("Content-Disposition", "attachment; filename=\"" + name + "\"");
    reply.delayMs = sw.downloadDelayMs;
    return reply;
  });

  // The mirror's upload: "path" then "file"; the answer the edit session reads.
  service.setRoute("/api/desktop/upload", [&service](const RecordedRequest& r) {
    if (r.method != "POST") return Reply::json(R"({"ok":false,"error":"POST only"})", 405);
    if (!service.isSignedIn(r)) return Reply::json(R"({"ok":false,"error":"未登录"})", 401);
    auto parts = TestService::multipartParts(r).value_or(std::vector<TestService::Part>{});
    const TestService::Part* path = nullptr;
    const TestService::Part* file = nullptr;
    for (const auto& p : parts) {
      if (p.name == "path" && !path) path = &p;
      if (p.name == "file" && !file) file = &p;
    }
    if (!path || !file) return Reply::json(R"({"ok":false,"error":"缺少 path 或 file"})", 400);
    bool replaced = !mirrorFileBytes(path->bytes).empty();
    if (auto share = service.caseShareDir()) {
      std::string error;
      replaced = storeInShare(*share, path->bytes, file->bytes, &error);
      if (!error.empty()) return Reply::json(nlohmann::json{{"ok", false}, {"error", error}}.dump(), 500);
    }
    // Downloads of the path answer these bytes from now on.
    if (keepUploadedFile(service, path->bytes, file->bytes)) replaced = true;
    return Reply::json(nlohmann::json{{"ok", true}, {"replaced", replaced}, {"size", file->bytes.size()}}.dump());
  });
}

}  // namespace quorvel::test
