#include "ScaleFeeds.h"

#include <nlohmann/json.hpp>

#include <fstream>

#include "TestServiceCalendar.h"

namespace quorvel::test {

namespace fs = std::filesystem;

namespace {
constexpr const char* kScaleFolder = "user_data/FIRM_scale/案件";
}

std::string scaleCalendarFeed(int events) { return generatedCalendarFeed(events); }

std::string scaleNodesReply(int contracts, int clients) {
  nlohmann::json c = nlohmann::json::array(), k = nlohmann::json::array();
  for (int i = 0; i < contracts; ++i)
    c.push_back({{"id", 10000 + i}, {"no", "HT-2026-" + std::to_string(10000 + i)}, {"clients", 1 + i % 3},
                 {"procs", 1 + i % 5}});
  for (int i = 0; i < clients; ++i)
    k.push_back({{"id", 50000 + i},
                 {"name", "客户" + std::to_string(i) + "有限公司"},
                 {"contract", i % 4 == 0 ? "" : "HT-2026-" + std::to_string(10000 + i % std::max(contracts, 1))},
                 {"procs", 1 + i % 4}});
  return nlohmann::json{{"ok", true}, {"contracts", c}, {"clients", k}}.dump();
}

std::string scaleManifestRel(int i) {
  return "0" + std::to_string(i % 9) + "_目录/子目录" + std::to_string(i % 97) + "/文件" + std::to_string(i) + ".pdf";
}

std::string scaleManifest(long long contractId, int files) {
  nlohmann::json list = nlohmann::json::array();
  for (int i = 0; i < files; ++i) {
    std::string rel = scaleManifestRel(i);
    list.push_back({{"rel", rel}, {"path", std::string(kScaleFolder) + "/" + rel}, {"size", 1}, {"mtime", 1767225600}});
  }
  return nlohmann::json{{"ok", true},
                        {"proc", {{"id", contractId}, {"name", "规模测试程序"}}},
                        {"kind", "contract"},
                        {"folder", kScaleFolder},
                        {"count", files},
                        {"total", files},
                        {"files", list}}
      .dump();
}

int writeScaleMirrorTree(const fs::path& root, int files) {
  int differences = 0;
  for (int i = 0; i < files; ++i) {
    if (i % 250 == 0) {
      ++differences;  // missing
      continue;
    }
    fs::path p = root / "案件" / scaleManifestRel(i);
    fs::create_directories(p.parent_path());
    std::ofstream(p) << (i % 100 == 0 ? "xx" : "x");
    if (i % 100 == 0) ++differences;
  }
  return differences;
}

}  // namespace quorvel::test
