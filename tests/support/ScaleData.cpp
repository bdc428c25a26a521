#include "ScaleData.h"

#include <cstdio>

#include "TestService.h"

namespace quorvel::test {

namespace {
std::string twoDigits(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", n);
  return buf;
}
}  // namespace

std::string scaleDeadlinesJson(int perKind) {
  const char* kinds[] = {"overdue", "today", "soon", "verify", "hearings"};
  std::string json = "{";
  json.reserve(static_cast<std::size_t>(perKind) * 5 * 160);
  for (int k = 0; k < 5; ++k) {
    if (k) json += ',';
    json += '"';
    json += kinds[k];
    json += "\":[";
    for (int i = 0; i < perKind; ++i) {
      if (i) json += ',';
      const int days = k == 0 ? -(i % 30) - 1 : k == 1 ? 0 : (i % 60) + 1;
      const std::string id = std::to_string(1000 + k * 100000 + i);
      json += R"({"content":"事项 )" + std::to_string(i) + R"(","date":"2026-)" + twoDigits(1 + i % 12) + "-" +
              twoDigits(1 + i % 28) + R"(","days":)" + std::to_string(days) + R"(,"client":"客户)" +
              std::to_string(i % 97) + "\",";
      if (i % 3 == 2) json += R"("proc":null,"proc_id":null})";
      else json += R"("proc":"（2026）京0105民初)" + id + R"(号","proc_id":)" + id + "}";
    }
    json += ']';
  }
  return json + "}";
}

std::string scaleBadgeJson(int perKind) {
  const std::string n = std::to_string(perKind);
  return R"({"overdue":)" + n + R"(,"today":)" + n + R"(,"soon":)" + n + R"(,"verify":)" + n + R"(,"hearings":)" + n +
         R"(,"user":"张律师","role":"lawyer","firm":"墨衡律师事务所","ts":"2026-03-02 09:00"})";
}

std::string scaleNodesJson(int contracts, int clients) {
  std::string json = R"({"ok":true,"contracts":[)";
  json.reserve(static_cast<std::size_t>(contracts + clients) * 80);
  char no[16];
  for (int i = 0; i < contracts; ++i) {
    std::snprintf(no, sizeof no, "HT-%05d", i + 1);
    if (i) json += ',';
    json += R"({"id":)" + std::to_string(i + 1) + R"(,"no":")" + no + R"(","clients":)" + std::to_string(1 + i % 4) +
            R"(,"procs":)" + std::to_string(1 + i % 7) + "}";
  }
  json += R"(],"clients":[)";
  for (int i = 0; i < clients; ++i) {
    std::snprintf(no, sizeof no, "HT-%05d", (i % (contracts ? contracts : 1)) + 1);
    if (i) json += ',';
    json += R"({"id":)" + std::to_string(100000 + i) + R"(,"name":"客户)" + std::to_string(i) + R"(","contract":")" +
            (contracts ? std::string(no) : std::string()) + R"(","procs":)" + std::to_string(i % 5) + "}";
  }
  return json + "]}";
}

std::string scaleManifestJson(int folders, const std::string& prefix) {
  std::string files;
  files.reserve(static_cast<std::size_t>(folders) * 110);
  long long total = 0;
  char name[16];
  for (int i = 0; i < folders; ++i) {
    std::snprintf(name, sizeof name, "%05d", i + 1);
    const std::string rel = prefix + name + "/文件" + std::to_string(i + 1) + ".pdf";
    const long long size = 1000 + i;
    total += size;
    if (i) files += ',';
    files += R"({"rel":")" + rel + R"(","path":"案件/规模/)" + rel + R"(","size":)" + std::to_string(size) +
             R"(,"mtime":1767225600})";
  }
  return R"({"ok":true,"proc":{"id":900,"name":"规模案件"},"kind":"contract","folder":"案件/规模","count":)" +
         std::to_string(folders) + R"(,"total":)" + std::to_string(total) + R"(,"files":[)" + files + "]}";
}

void useScaleData(TestService& service, int perKind, int contracts, int clients) {
  service.setDeadlinesReply(TestService::DeadlinesMode::Json, scaleDeadlinesJson(perKind));
  service.setBadgeReply(TestService::BadgeMode::Json, scaleBadgeJson(perKind));
  service.setNodesReply(scaleNodesJson(contracts, clients));
}

}  // namespace quorvel::test
