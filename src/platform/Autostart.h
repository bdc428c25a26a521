#pragma once
// Starting the client when the user logs in: an XDG autostart entry in
// $XDG_CONFIG_HOME/autostart/, which every desktop session reads at login.
#include <filesystem>
#include <string>

namespace quorvel {

// The registration's state as the settings report it. `requiresApproval` exists for
// the callers' sake: an autostart entry needs nobody's approval.
enum class LoginItemStatus { notRegistered, enabled, requiresApproval, notFound, unknown };

namespace Autostart {

inline constexpr const char* kEntryName = "cn.quorvel.client.desktop";

// $XDG_CONFIG_HOME/autostart/cn.quorvel.client.desktop (read at each call).
std::filesystem::path entryPath();
// The running program's absolute path (/proc/self/exe).
std::filesystem::path runningExecutable();

// Writes the entry that starts `executable` at login (replacing a disabled or
// stale one). Throws AppError with a Chinese description on failure.
void enable(const std::filesystem::path& executable);
// Removes the entry; where a system-wide entry of the same name would still start
// the client, writes one with Hidden=true instead. Throws AppError on failure.
void disable();
// notRegistered: no entry, or one that is hidden or switched off; notFound: the entry
// names a program that no longer exists; unknown: an entry that cannot be read.
LoginItemStatus status();

// The Exec value for a program path, quoted as desktop entries require.
std::string execValue(const std::filesystem::path& executable);
// The whole entry file.
std::string entryText(const std::filesystem::path& executable);

}  // namespace Autostart
}  // namespace quorvel
