#pragma once
#include <functional>
#include <string>

namespace quorvel {

// Every console line of the client goes through here: "[Quorvel][TAG] message".
// An empty tag gives "[Quorvel] message".
void logLine(const std::string& tag, const std::string& message);

// Tests capture lines; the sink sees the full formatted line.
using LogSink = std::function<void(const std::string& line)>;
void setLogSink(LogSink sink);

}  // namespace quorvel
