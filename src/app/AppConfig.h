#pragma once
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Url.h"

namespace quorvel {

class BrowserModel;

// Configuration getters: where the service is, where our folders are, what user
// agent we send. Every getter recomputes its value.
namespace AppConfig {
inline constexpr const char* kVersion = "2.2.0";
inline constexpr const char* kDefaultServerURL = "https://app.quorvel.cn";

std::string serverURL();
void setServerURL(const std::string& value);
Url homeURL();
std::filesystem::path dataDir();
std::filesystem::path mirrorDir();
std::filesystem::path downloadDir();
std::string userAgent();
// Builds the user agent from a machine model and a host name (either may be empty).
std::string userAgentFor(const std::string& model, const std::string& hostName);
// Removes all website data of the shared web-data store; `done` runs on the main
// thread once the store reports completion.
void clearWebData(std::function<void()> done = {});
}  // namespace AppConfig

// A sidebar entry; its identity is its path.
struct NavItem {
  std::string title;
  std::string symbol;
  std::string path;
  const std::string& id() const { return path; }
  bool operator==(const NavItem&) const = default;
};

std::string navSymbol(const std::string& path);
std::string roleName(const std::string& code);
const std::vector<NavItem>& defaultSideItems();

// A host belongs to the service when it equals the home host or is a subdomain
// of it (a dot before the home host), compared case-insensitively.
bool isServiceHost(const std::string& host, const std::string& homeHost);

namespace AppEnv {
// The one workspace model of the process, made on first use.
BrowserModel& browser();
std::shared_ptr<BrowserModel> browserPtr();
}  // namespace AppEnv

}  // namespace quorvel
