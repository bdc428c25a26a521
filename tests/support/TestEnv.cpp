#include "TestEnv.h"

#include <glib.h>

#include <cstdlib>
#include <stdexcept>
#include <system_error>

#include "platform/UserDefaults.h"

namespace quorvel::test {
namespace fs = std::filesystem;

namespace {
// Also cleared: an inherited XDG_*_DIR override would send downloads and documents
// to the real folders.
const char* const kVars[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME", "XDG_CACHE_HOME",
                             "XDG_DOCUMENTS_DIR", "XDG_DOWNLOAD_DIR"};
}  // namespace

TempHome::TempHome() {
  GError* error = nullptr;
  char* dir = g_dir_make_tmp("quorvel-test-XXXXXX", &error);
  if (!dir) {
    std::string message = error ? error->message : "unknown error";
    g_clear_error(&error);
    throw std::runtime_error("cannot create a temporary home: " + message);
  }
  root_ = dir;
  g_free(dir);

  for (const char* name : kVars) {
    const char* v = std::getenv(name);
    saved_[name] = v ? std::optional<std::string>(v) : std::nullopt;
  }
  for (const auto& p : {home(), configHome(), dataHome(), cacheHome()}) fs::create_directories(p);
  setVar("HOME", home().string());
  setVar("XDG_CONFIG_HOME", configHome().string());
  setVar("XDG_DATA_HOME", dataHome().string());
  setVar("XDG_CACHE_HOME", cacheHome().string());
  setVar("XDG_DOCUMENTS_DIR", std::nullopt);
  setVar("XDG_DOWNLOAD_DIR", std::nullopt);
  defaults_ = std::make_unique<UserDefaults>(UserDefaults::standardFile());
}

TempHome::~TempHome() {
  defaults_.reset();
  for (const auto& [name, value] : saved_) setVar(name.c_str(), value);
  std::error_code ec;
  fs::remove_all(root_, ec);
}

void TempHome::setVar(const char* name, const std::optional<std::string>& value) {
  if (value)
    g_setenv(name, value->c_str(), TRUE);
  else
    g_unsetenv(name);
}

}  // namespace quorvel::test
