#include "TestServiceFiles.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <mutex>
#include <set>

#include "TestService.h"
#include "TestServiceMirror.h"
#include "features/volume/CasePaths.h"

namespace quorvel::test {

namespace {

struct Store {
  std::map<std::string, std::string> files;
  std::set<std::string> deleted;
};
std::mutex gMutex;
std::map<const TestService*, Store> gStores;

// Server paths arrive with or without their leading "/".
std::string key(const std::string& serverPath) {
  std::string p = serverPath;
  while (!p.empty() && p.front() == '/') p.erase(0, 1);
  return p;
}

Reply refusal(int status, const std::string& error) {
  return Reply::json(nlohmann::json{{"success", false}, {"error", error}}.dump(), status);
}

// Removes the share's copy of a server path; answers whether there was one.
bool removeFromShare(const TestService& service, const std::string& serverPath) {
  auto share = service.caseShareDir();
  if (!share) return false;
  auto target = CasePaths::mapUnder(*share, serverPath);
  std::error_code ec;
  return target && std::filesystem::is_regular_file(*target, ec) && std::filesystem::remove(*target, ec);
}

}  // namespace

bool keepUploadedFile(TestService& service, const std::string& serverPath, const std::string& bytes) {
  std::lock_guard lock(gMutex);
  Store& store = gStores[&service];
  const std::string k = key(serverPath);
  store.deleted.erase(k);
  return !store.files.insert_or_assign(k, bytes).second;
}

std::optional<Reply> keptFileReply(const TestService& service, const std::string& serverPath) {
  std::lock_guard lock(gMutex);
  auto s = gStores.find(&service);
  if (s == gStores.end()) return std::nullopt;
  const std::string k = key(serverPath);
  if (s->second.deleted.count(k)) return Reply::notFound();
  auto f = s->second.files.find(k);
  if (f == s->second.files.end()) return std::nullopt;
  Reply reply;
  reply.contentType = "application/octet-stream";
  reply.body = f->second;
  auto slash = k.find_last_of('/');
  reply.headers.emplace_back("Content-Disposition",
                             "attachment; filename=\"" + (slash == std::string::npos ? k : k.substr(slash + 1)) + "\"");
  return reply;
}

std::optional<std::string> uploadedFile(const TestService& service, const std::string& serverPath) {
  std::lock_guard lock(gMutex);
  auto s = gStores.find(&service);
  if (s == gStores.end()) return std::nullopt;
  auto f = s->second.files.find(key(serverPath));
  if (f == s->second.files.end()) return std::nullopt;
  return f->second;
}

std::vector<std::string> uploadedPaths(const TestService& service) {
  std::lock_guard lock(gMutex);
  std::vector<std::string> out;
  if (auto s = gStores.find(&service); s != gStores.end())
    for (const auto& [path, bytes] : s->second.files) out.push_back(path);
  return out;
}

std::vector<std::string> deletedPaths(const TestService& service) {
  std::lock_guard lock(gMutex);
  std::vector<std::string> out;
  if (auto s = gStores.find(&service); s != gStores.end()) out.assign(s->second.deleted.begin(), s->second.deleted.end());
  return out;
}

void installFileRoutes(TestService& service) {
  {
    std::lock_guard lock(gMutex);
    gStores.erase(&service);
  }
  service.setRoute("/api/delete_physical_file", [&service](const RecordedRequest& r) {
    if (r.method != "POST") return refusal(405, "POST only");
    if (!service.isSignedIn(r)) return refusal(401, "未登录");
    auto body = nlohmann::json::parse(r.body, nullptr, false);
    auto path = body.is_object() ? body.find("file_path") : body.end();
    if (!body.is_object() || path == body.end() || !path->is_string() || path->get<std::string>().empty())
      return refusal(400, "缺少 file_path");
    const std::string k = key(path->get<std::string>());
    bool had = removeFromShare(service, k);
    {
      std::lock_guard lock(gMutex);
      Store& store = gStores[&service];
      had = store.files.erase(k) > 0 || had;
      // The demo tree's files are there until deleted.
      had = had || (!store.deleted.count(k) && !mirrorFileBytes(k).empty());
      if (had) store.deleted.insert(k);
    }
    if (!had) return refusal(404, "文件不存在");
    return Reply::json(R"({"success":true})");
  });
}

}  // namespace quorvel::test
