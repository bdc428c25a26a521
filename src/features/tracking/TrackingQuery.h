#pragma once
#include <nlohmann/json.hpp>

#include <functional>
#include <string>

namespace quorvel::TrackingQuery {

// Looks a courier delivery up. `completion` runs exactly once on the main thread
// with an object holding at least "status" and "msg".
void query(const std::string& number, std::function<void(nlohmann::json)> completion);

}  // namespace quorvel::TrackingQuery
