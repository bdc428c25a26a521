#include "base/Log.h"

#include <glib.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>

namespace quorvel {
namespace {
// Never destroyed: threads may still log while the process ends.
std::mutex& logMutex() {
  static auto* m = new std::mutex;
  return *m;
}
LogSink& sinkSlot() {
  static LogSink sink;
  return sink;
}

GLogLevelFlags glibLevel(LogLevel level) {
  switch (level) {
    case LogLevel::debug: return G_LOG_LEVEL_DEBUG;
    case LogLevel::info: return G_LOG_LEVEL_INFO;
    case LogLevel::warning: return G_LOG_LEVEL_WARNING;
    case LogLevel::error: return G_LOG_LEVEL_CRITICAL;
  }
  return G_LOG_LEVEL_INFO;
}

const char* priority(LogLevel level) {
  switch (level) {
    case LogLevel::debug: return "7";
    case LogLevel::info: return "6";
    case LogLevel::warning: return "4";
    case LogLevel::error: return "3";
  }
  return "6";
}

// The journal gets the structured record; standard error already has the line, so
// GLib's default writer (which would print it again) is not used.
void toJournal(const std::string& tag, const std::string& message, LogLevel level) {
  static const bool underJournal = g_log_writer_is_journald(fileno(stderr));
  if (!underJournal) return;
  const GLogField fields[] = {
      {"MESSAGE", message.c_str(), -1},
      {"PRIORITY", priority(level), -1},
      {"GLIB_DOMAIN", "Quorvel", -1},
      {"QUORVEL_TAG", tag.c_str(), -1},
  };
  g_log_writer_journald(glibLevel(level), fields, G_N_ELEMENTS(fields), nullptr);
}
}  // namespace

namespace {
void emit(const std::string& tag, const std::string& message, LogLevel level, const std::string& line) {
  std::lock_guard lock(logMutex());
  std::fprintf(stderr, "%s\n", line.c_str());
  std::fflush(stderr);
  toJournal(tag, message, level);
  if (sinkSlot()) sinkSlot()(line);
}
}  // namespace

void logLine(const std::string& tag, const std::string& message, LogLevel level) {
  emit(tag, message, level, tag.empty() ? "[Quorvel] " + message : "[Quorvel][" + tag + "] " + message);
}

void logPlainLine(const std::string& line, LogLevel level) { emit("", line, level, line); }

void setLogSink(LogSink sink) {
  std::lock_guard lock(logMutex());
  sinkSlot() = std::move(sink);
}

}  // namespace quorvel
