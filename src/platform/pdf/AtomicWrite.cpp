// Writing a file through a temporary beside it, the same in the program and in the
// engines module.
#include <glib.h>
#include <glib/gstdio.h>
#include <unistd.h>

#include <cerrno>

#include "platform/pdf/SearchablePdf.h"

namespace quorvel {
namespace fs = std::filesystem;

std::string writeAtomically(const fs::path& output, const std::function<std::string(const fs::path&)>& write) {
  std::string tmpl = (output.parent_path() / ("." + output.filename().string() + ".XXXXXX")).string();
  int fd = g_mkstemp(tmpl.data());
  if (fd < 0) return std::string("无法在目标文件夹创建文件：") + g_strerror(errno);
  close(fd);
  fs::path tmp = tmpl;
  std::string error;
  try {
    error = write(tmp);
  } catch (const std::exception& e) {
    error = e.what();
  }
  std::error_code ec;
  if (error.empty()) {
    fs::permissions(tmp, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read,
                    ec);
    fs::rename(tmp, output, ec);
    if (ec) error = ec.message();
  }
  if (!error.empty()) fs::remove(tmp, ec);
  return error;
}

}  // namespace quorvel
