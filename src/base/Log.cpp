#include "base/Log.h"

#include <cstdio>
#include <mutex>

namespace quorvel {
namespace {
std::mutex& logMutex() {
  static std::mutex m;
  return m;
}
LogSink& sinkSlot() {
  static LogSink sink;
  return sink;
}
}  // namespace

void logLine(const std::string& tag, const std::string& message) {
  std::string line = tag.empty() ? "[Quorvel] " + message : "[Quorvel][" + tag + "] " + message;
  std::lock_guard lock(logMutex());
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  if (sinkSlot()) sinkSlot()(line);
}

void setLogSink(LogSink sink) {
  std::lock_guard lock(logMutex());
  sinkSlot() = std::move(sink);
}

}  // namespace quorvel
