#include "diagnostics/rules/EditUploadRules.h"

#include <glib.h>

#include "core/NativeRequests.h"

namespace quorvel::EditUploadRules {

using nlohmann::json;

namespace {
constexpr size_t kDownloadHead = 60;
constexpr size_t kCleanupHead = 80;
constexpr const char* kFileStem = "/__编辑回流测试-";

bool flagAt(const json& object, const char* section, const char* key) {
  auto s = object.find(section);
  if (s == object.end() || !s->is_object()) return false;
  auto v = s->find(key);
  return v != s->end() && v->is_boolean() && v->get<bool>();
}
}  // namespace

bool canStart(const std::string& firm) { return !firm.empty() && firm != "SYSTEM"; }

std::optional<NodesContract> firstContract(const std::string& nodesReply) {
  json j = json::parse(nodesReply, nullptr, false);
  if (j.is_discarded() || !j.is_object()) return std::nullopt;
  auto contracts = j.find("contracts");
  if (contracts == j.end() || !contracts->is_array() || contracts->empty()) return std::nullopt;
  for (const auto& c : *contracts)
    if (!c.is_object()) return std::nullopt;
  NodesContract out;
  out.count = static_cast<long long>(contracts->size());
  auto no = contracts->front().find("no");
  if (no != contracts->front().end() && no->is_string()) out.number = no->get<std::string>();
  return out;
}

std::string serverPath(const std::string& firm, const std::string& contract, long long stamp) {
  std::string base = "user_data/" + firm + "/案件电子卷宗/";
  std::string folder = contract.empty() ? base + "__自检__" : base + contract + "/00_合同公共材料";
  return folder + kFileStem + std::to_string(stamp) + ".txt";
}

std::string localFileName(long long stamp) { return "editest-" + std::to_string(stamp) + ".txt"; }

std::string version1(long long stamp) { return "第一版：原始内容 " + std::to_string(stamp) + "\n"; }

std::string version2(long long stamp) {
  return "第二版：我在客户端改过，内容更长一些 …… " + std::to_string(stamp) + "\n";
}

json uploadRecord(const json& answer) {
  auto flag = [&answer](const char* key) {
    if (!answer.is_object()) return false;
    auto v = answer.find(key);
    return v != answer.end() && v->is_boolean() && v->get<bool>();
  };
  long long size = -1;
  if (answer.is_object()) {
    auto s = answer.find("size");
    if (s != answer.end() && s->is_number_integer()) size = s->get<long long>();
  }
  return {{"ok", flag("ok")}, {"replaced", flag("replaced")}, {"size", size}};
}

std::string bodyText(const std::string& bytes) {
  if (g_utf8_validate_len(bytes.data(), bytes.size(), nullptr)) return bytes;
  return "<binary " + std::to_string(bytes.size()) + "B>";
}

json downloadRecord(int status, const std::string& text, const std::string& expected) {
  return {{"http", status}, {"match", text == expected}, {"got", prefixCharacters(text, kDownloadHead)}};
}

json cleanupRecord(int status, const std::string& text) {
  return {{"http", status}, {"body", prefixCharacters(text, kCleanupHead)}};
}

std::string result(const json& report) {
  bool ok = report.is_object() && flagAt(report, "upload1", "ok") && flagAt(report, "download1", "match") &&
            flagAt(report, "upload2", "replaced") && flagAt(report, "download2", "match");
  return ok ? "ok" : "fail";
}

}  // namespace quorvel::EditUploadRules
