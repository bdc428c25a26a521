#pragma once
#include <functional>
#include <string>

namespace quorvel {

enum class LogLevel { debug, info, warning, error };

// Every console line of the client goes through here: "[Quorvel][TAG] message" on
// standard error, and the same message with its level to the journal when the
// process runs under it. An empty tag gives "[Quorvel] message". Tags: base/LogTags.h.
void logLine(const std::string& tag, const std::string& message, LogLevel level = LogLevel::info);

// A line without the product prefix: the result lines of the page dump and the edit
// check ("[DOMDUMP] …", "[EDIT-TEST] …").
void logPlainLine(const std::string& line, LogLevel level = LogLevel::info);

// Tests capture lines; the sink sees the full formatted line.
using LogSink = std::function<void(const std::string& line)>;
void setLogSink(LogSink sink);

}  // namespace quorvel
