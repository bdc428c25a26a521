#include "features/tracking/TrackingQuery.h"

#include "base/MainQueue.h"

namespace quorvel::TrackingQuery {

void query(const std::string& number, std::function<void(nlohmann::json)> completion) {
  if (!completion) return;
  auto b = number.find_first_not_of(" \t\r\n");
  if (b == std::string::npos) {
    completion(nlohmann::json{{"status", "unknown"}, {"msg", "单号为空"}});
    return;
  }
  // The lookup itself comes with the courier subsystem; answer like a lookup does.
  postToMain([completion] { completion(nlohmann::json{{"status", "unknown"}, {"msg", "物流查询尚未启用"}}); });
}

}  // namespace quorvel::TrackingQuery
