#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/Url.h"

namespace quorvel {

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
}  // namespace AppConfig

}  // namespace quorvel
