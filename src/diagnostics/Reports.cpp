#include "diagnostics/Reports.h"
#include "base/FailureText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/AppConfig.h"
#include "diagnostics/rules/DiagnosticReport.h"
#include "platform/UserDefaults.h"

namespace quorvel {

std::optional<std::filesystem::path> writeReportFile(const nlohmann::json& report, const std::string& name) {
  auto path = AppConfig::dataDir() / name;
  std::error_code ec;
  std::filesystem::create_directories(path.parent_path(), ec);
  if (!writeFileAtomically(path, DiagnosticReport::text(report))) {
    logLine(tags::kApp, "报告写入失败：" + path.string(), LogLevel::warning);
    return std::nullopt;
  }
  return path;
}

void writeDiagnosticReport(const nlohmann::json& report, const std::string& name, const std::string& logPrefix) {
  writeReportFile(report, name);
  logPlainLine(logPrefix + " " + report.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace));
}

Result<void> writeFileReplacingLinks(const std::filesystem::path& path, const std::string& bytes) {
  auto fail = [](int err) { return Result<void>(AppError(errors::kFile, err, failure::systemErrorText(err))); };
  std::string tmpl = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
  int fd = ::mkostemp(tmpl.data(), O_CLOEXEC);
  if (fd < 0) return fail(errno);
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      // A write of nothing without an error: the disk is full.
      const int err = n < 0 ? errno : ENOSPC;
      ::close(fd);
      ::unlink(tmpl.c_str());
      return fail(err);
    }
    done += static_cast<size_t>(n);
  }
  // Readable like any other file the user writes there.
  ::fchmod(fd, 0644);
  if (::close(fd) != 0 || ::rename(tmpl.c_str(), path.c_str()) != 0) {
    const int err = errno;
    ::unlink(tmpl.c_str());
    return fail(err);
  }
  return {};
}

}  // namespace quorvel
