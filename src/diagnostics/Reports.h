#pragma once
// The reports and images the diagnostic modes write, and the least forms of the
// checks whose subsystems are not in this build yet.
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

namespace quorvel {

class BrowserModel;

// Writes `report` pretty-printed with sorted keys to `name` in the data folder
// (atomically) and logs it as `logTag` + the text. Failures are logged, never thrown.
void writeDiagnosticReport(const nlohmann::json& report, const std::string& name, const std::string& logPrefix);

// Writes bytes to a fixed path in a shared folder ("/tmp/…") without following a
// symbolic link planted there: an existing link is refused. False on failure.
bool writeFileRefusingLinks(const std::filesystem::path& path, const std::string& bytes, std::string* error = nullptr);

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

namespace SelfTest {
inline constexpr const char* kVersion = "2.2.0";
// Does nothing unless "--selftest" was given; otherwise logs its start and, 3 s later,
// runs the checks, writes "selftest.json" and calls `quit`.
void start(bool selfTestSwitch, std::shared_ptr<BrowserModel> browser, std::function<void()> quit);
// The checks this build carries (offline, no server needed).
nlohmann::json runAll(BrowserModel& browser);
}  // namespace SelfTest

namespace LiveFeatureTest {
// Does nothing unless "--livetest" was given.
void start(bool liveTestSwitch, std::shared_ptr<BrowserModel> browser, std::function<void()> quit);
}  // namespace LiveFeatureTest

namespace EditUploadTest {
void run(std::function<void(nlohmann::json)> then);
}  // namespace EditUploadTest

}  // namespace quorvel
