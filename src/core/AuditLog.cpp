#include "core/AuditLog.h"

#include <fcntl.h>
#include <unistd.h>

#include <ctime>

#include "core/AppConfig.h"
#include "base/Clock.h"
#include "base/Log.h"
#include "base/LogTags.h"

namespace quorvel {
AuditLog::AuditLog(std::filesystem::path file, const Clock& clock) : file_(std::move(file)), clock_(clock) {}

std::filesystem::path AuditLog::defaultFile() { return AppConfig::dataDir() / "upload-audit.jsonl"; }

std::string AuditLog::isoNow() const {
  std::time_t t = std::chrono::system_clock::to_time_t(clock_.now());
  std::tm tm{};
  gmtime_r(&t, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
  return buf;
}

std::string AuditLog::recordLine(const std::string& action, const std::string& rel, const nlohmann::json& extra,
                       const Identity& who, const std::string& at) {
  // nlohmann's object keeps keys sorted and never escapes "/".
  nlohmann::json record = {{"at", at},
                           {"user", who.user.empty() ? std::string("(未登录)") : who.user},
                           {"firm", who.firm},
                           {"action", action},
                           {"path", rel}};
  if (extra.is_object())
    for (auto it = extra.begin(); it != extra.end(); ++it) record[it.key()] = it.value();
  return record.dump();
}

void AuditLog::record(const std::string& action, const std::string& rel, const nlohmann::json& extra) const {
  Identity who = identity_ ? identity_() : Identity{};
  std::string line;
  try {
    line = recordLine(action, rel, extra, who, isoNow());
  } catch (const std::exception&) {
    return;  // not serialisable (invalid UTF-8): the record is dropped
  }
  line += "\n";
  const auto& file = file_;
  std::error_code ec;
  std::filesystem::create_directories(file.parent_path(), ec);  // a failure shows when opening
  // Append only: the history is never truncated, whatever state the file is in.
  int fd = ::open(file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ssize_t n = ::write(fd, line.data(), line.size());
    ::close(fd);
    if (n != static_cast<ssize_t>(line.size()))
      logLine(tags::kAudit, "写入审计日志失败：" + file.string(), LogLevel::warning);
  } else {
    logLine(tags::kAudit, "无法打开审计日志：" + file.string(), LogLevel::warning);
  }
  logLine(tags::kAudit, action + " " + rel + " " + (extra.is_object() ? extra.dump() : std::string("{}")));
}

}  // namespace quorvel
