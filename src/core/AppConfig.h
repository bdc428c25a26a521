#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/Url.h"

namespace quorvel {

class UserDefaults;

// Configuration getters: where the service is, where our folders are, what user
// agent we send. Every getter recomputes its value.
namespace AppConfig {
inline constexpr const char* kVersion = "2.2.0";
inline constexpr const char* kDefaultServerURL = "https://app.quorvel.cn";
inline constexpr const char* kServerURLKey = "serverURL";

std::string serverURL(const UserDefaults& defaults);
void setServerURL(UserDefaults& defaults, const std::string& value);
// The usable form of a service address, or nothing: surrounding white space
// trimmed, http or https (scheme lower-cased), a host (an international name in its
// ASCII form), no user name or password, no port 0.
std::optional<std::string> validServerURL(const std::string& text);
// What the settings store for a typed address: the default for blank text, else the
// usable form without trailing "/" in its path; nothing for an unusable address.
std::optional<std::string> serverURLToSave(const std::string& text);
// The stored address when it is usable, else the default; an unusable stored
// address is logged once per store of defaults (once per process in the client).
Url homeURL(const UserDefaults& defaults);
std::filesystem::path dataDir();
std::filesystem::path mirrorDir();
std::filesystem::path downloadDir();
std::string userAgent();
// Builds the user agent from a machine model and a host name (either may be empty).
std::string userAgentFor(const std::string& model, const std::string& hostName);
}  // namespace AppConfig

}  // namespace quorvel
