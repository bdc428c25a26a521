#include "platform/OpenedFiles.h"

#include <gio/gio.h>

#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"

namespace quorvel::OpenedFiles {

std::string addressForArgument(const std::string& arg, const std::filesystem::path& cwd) {
  auto file = GObjectPtr<GFile>::adopt(g_file_new_for_commandline_arg_and_cwd(arg.c_str(), cwd.c_str()));
  GCharPtr uri(g_file_get_uri(file));
  return uri ? std::string(uri.get()) : arg;
}

std::optional<std::filesystem::path> localPath(const std::string& uri) {
  if (g_ascii_strncasecmp(uri.c_str(), "file:", 5) != 0) return std::nullopt;
  // GIO takes the path of "file://otherhost/…" as a local one: a file of another
  // machine must not stand for the file of the same name here.
  char* rawHost = nullptr;
  GCharPtr checked(g_filename_from_uri(uri.c_str(), &rawHost, nullptr));
  GCharPtr host(rawHost);
  if (!checked) return std::nullopt;
  if (host && g_ascii_strcasecmp(host.get(), "localhost") != 0 &&
      g_ascii_strcasecmp(host.get(), g_get_host_name()) != 0)
    return std::nullopt;
  auto file = GObjectPtr<GFile>::adopt(g_file_new_for_uri(uri.c_str()));
  GCharPtr path(g_file_get_path(file));
  if (!path) return std::nullopt;
  return std::filesystem::path(path.get());
}

}  // namespace quorvel::OpenedFiles
