#pragma once
// The update check's rules without network or windows: version comparison, what a
// version reply offers this client, where an installer may be stored and whether a
// downloaded file is one.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/Url.h"

namespace quorvel::UpdateRules {

inline constexpr double kLaunchGateSeconds = 43200;  // 12 hours
inline constexpr std::uint64_t kMinInstallerBytes = 1'000'000;
inline constexpr unsigned kVersionTimeoutSeconds = 15;
inline constexpr unsigned kDownloadTimeoutSeconds = 60;
inline constexpr const char* kDefaultExtension = "deb";
inline constexpr const char* kDownloadOnlyLabel = "(仅提供下载)";
inline constexpr const char* kVersionPath = "/api/desktop/version";
inline constexpr const char* kDownloadPagePath = "/download";

// "2.10.3-beta" → 2, 10, 3: pieces split at ".", empty pieces dropped, each piece's
// leading decimal digits (0 when there are none or they overflow).
std::vector<long long> parse(const std::string& version);
// Compared position by position, a missing position counting as 0.
bool isNewer(const std::string& a, const std::string& than);

// The launch check runs when more than 12 hours passed since the last one started.
bool isLaunchCheckDue(double nowSeconds, double lastCheckSeconds);

// What one version reply offers this (Linux) client. The "linux"/"linux_version" keys
// are read when the reply has either; otherwise the older "mac"/"mac_version" keys.
struct Release {
  std::string version;         // R
  std::string packageURL;      // M: the installer address as published
  std::string notes;           // N
  std::string pageURL;         // P: the service's download page
  std::string windowsVersion;  // W
  // The version, or "(仅提供下载)" when only an installer is offered.
  std::string label() const { return version.empty() ? kDownloadOnlyLabel : version; }
  bool offered() const { return !version.empty() || !packageURL.empty(); }
};
// `reply` must be a JSON object; values of another type count as empty text.
Release derive(const nlohmann::json& reply);

// An absolute http(s) address from a published text: "http://…"/"https://…" as
// written, anything else resolved against the service's home address. Nothing for
// empty text, garbage or another scheme.
std::optional<Url> resolveURL(const std::string& text, const Url& home);
// The version endpoint on the home address (no doubled slash whatever the stored
// server address ends with).
std::optional<Url> versionEndpoint(const Url& home);

// The installer's extension taken from its address ("tar.gz" kept whole), reduced to
// safe characters; the default "deb" when there is none or it is unusable.
std::string packageExtension(const Url& packageURL);
// "墨衡台-<version>.<ext>" with both parts reduced to [A-Za-z0-9._-] (others → "_");
// the result never names a path outside its folder.
std::string installerFileName(const std::string& version, const std::string& ext);

// Whether the file starts the way a package of that extension does: Debian package
// "!<arch>\n", AppImage (ELF with "AI\x02" at offset 8), gzip, zip ("PK"), RPM. An
// unknown extension is accepted when the file is any of these.
bool looksLikeInstaller(const std::filesystem::path& file, const std::string& ext);

// What the user does with the stored package, for the "安装包已下载" alert.
std::string installInstructions(const std::string& ext, const std::filesystem::path& file);

}  // namespace quorvel::UpdateRules
