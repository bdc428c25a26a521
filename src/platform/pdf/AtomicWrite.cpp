// Writing a file through a temporary beside it, the same in the program and in the
// engines module.
#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cerrno>

#include "base/ErrorDomains.h"
#include "base/FailureText.h"
#include "platform/pdf/SearchablePdf.h"

namespace quorvel {
namespace fs = std::filesystem;

Result<void> writeAtomically(const fs::path& output, const AtomicWriteStep& write) {
  std::string tmpl = (output.parent_path() / ("." + output.filename().string() + ".XXXXXX")).string();
  int fd = g_mkstemp(tmpl.data());
  if (fd < 0) {
    int code = errno;
    return AppError(errors::kFile, code, std::string("无法在目标文件夹创建文件：") + failure::systemErrorText(code));
  }
  close(fd);
  fs::path tmp = tmpl;
  std::optional<AppError> error;
  try {
    error = write(tmp).failure();
  } catch (const AppError& e) {
    error = e;
  } catch (const std::exception& e) {
    error = AppError(errors::kFile, 0, e.what());
  }
  std::error_code ec;
  if (!error) {
    fs::permissions(tmp, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read,
                    ec);
    fs::rename(tmp, output, ec);
    if (ec) error = AppError(errors::kFile, ec.value(), failure::systemErrorText(ec));
  }
  if (error) fs::remove(tmp, ec);
  return error;
}

}  // namespace quorvel
