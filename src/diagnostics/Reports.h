#pragma once
// Writing what the diagnostic modes produce: the JSON reports in the data folder and
// files at fixed paths in a shared folder.
#include <nlohmann/json.hpp>

#include <filesystem>
#include <optional>
#include <string>

#include "base/Result.h"

namespace quorvel {

// Writes the report (pretty-printed, keys sorted) to `name` in the data folder,
// atomically. Answers its path, or nothing when it could not be written (logged).
std::optional<std::filesystem::path> writeReportFile(const nlohmann::json& report, const std::string& name);

// The page dump's and the edit check's ending: the report written to `name` and
// logged whole after `logPrefix` ("[DOMDUMP]", "[EDIT-TEST]").
void writeDiagnosticReport(const nlohmann::json& report, const std::string& name, const std::string& logPrefix);

// Writes bytes to a fixed path in a shared folder ("/tmp/…"): into a private file of a
// random name beside it, then renamed over the path, so a symbolic link planted there
// is replaced, never followed. Fails with errors::kFile and errno.
Result<void> writeFileReplacingLinks(const std::filesystem::path& path, const std::string& bytes);

}  // namespace quorvel
