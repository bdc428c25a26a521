#pragma once
#include <filesystem>
#include <optional>
#include <string>

namespace quorvel::LocalVolume {

// The root folder of the mounted case volume; nothing while it is not connected.
std::optional<std::filesystem::path> mountedRoot();
// Opens the mounted case volume in the file manager, or explains that it is not connected.
void openRoot();
// Shows the local copy of a server path in the file manager (main thread).
void reveal(const std::string& rel);
// Shows a quick preview of a server path (main thread).
void preview(const std::string& rel);
// The result step of "open the proceeding's folder": `value` is the page's
// folderRelPath when it was text, `error` the evaluation error, if any.
void openCurrentProceedingFolder(const std::optional<std::string>& value, const std::optional<std::string>& error);

// The alert shown whenever the case volume is needed but not connected.
void alertNotConnected();

}  // namespace quorvel::LocalVolume
