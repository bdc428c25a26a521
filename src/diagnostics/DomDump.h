#pragma once
// The page-structure dump ("--domdump"): how the service page in the active tab is
// laid out after the client's page scripts ran.
#include <nlohmann/json.hpp>

#include <functional>
#include <string>

namespace quorvel {

class BrowserModel;

namespace DomDump {
// The page-structure script (returns JSON text).
const char* script();
// A reply that parses as a JSON object is used unchanged; otherwise
// {"error": error or "nil", "raw": reply}.
nlohmann::json completion(const std::string& reply, const std::string& error);
// Reads the active tab's page structure; `then` gets the dictionary
// ({"error": "没有活动标签"} without a live active tab).
void run(BrowserModel& browser, std::function<void(nlohmann::json)> then);
}  // namespace DomDump

}  // namespace quorvel
