#pragma once
// The count on the application's launcher icon (com.canonical.Unity.LauncherEntry,
// understood by the common docks and panels).
namespace quorvel::LauncherBadge {

inline constexpr const char* kAppURI = "application://cn.quorvel.client.desktop";
inline constexpr const char* kObjectPath = "/cn/quorvel/client/LauncherEntry";
inline constexpr const char* kInterface = "com.canonical.Unity.LauncherEntry";

// Shows `count` on the icon; 0 or less hides the count.
void setCount(long long count);

}  // namespace quorvel::LauncherBadge
