#include "platform/Autostart.h"
#include "base/FailureText.h"

#include <glib.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>
#include <vector>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/GLibPtr.h"
#include "platform/UserDefaults.h"
#include "platform/XdgDirs.h"

namespace quorvel::Autostart {
namespace fs = std::filesystem;

namespace {
constexpr const char* kGroup = "Desktop Entry";

std::vector<fs::path> systemEntries() {
  const char* dirs = std::getenv("XDG_CONFIG_DIRS");
  std::string list = dirs && *dirs ? dirs : "/etc/xdg";
  std::vector<fs::path> out;
  size_t start = 0;
  while (start <= list.size()) {
    size_t colon = list.find(':', start);
    std::string dir = list.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
    if (!dir.empty() && dir.front() == '/') out.push_back(fs::path(dir) / "autostart" / kEntryName);
    if (colon == std::string::npos) break;
    start = colon + 1;
  }
  return out;
}

struct KeyFile {
  GKeyFile* k = g_key_file_new();
  ~KeyFile() { g_key_file_free(k); }
  bool load(const fs::path& p) { return g_key_file_load_from_file(k, p.c_str(), G_KEY_FILE_KEEP_TRANSLATIONS, nullptr); }
  bool flag(const char* key, bool fallback) const {
    GErrorPtr err;
    gboolean v = g_key_file_get_boolean(k, kGroup, key, err.out());
    return err ? fallback : v;
  }
};

// Masks a system-wide entry of the same name: the desktop then starts nothing.
std::string hiddenEntryText() {
  KeyFile f;
  g_key_file_set_string(f.k, kGroup, "Type", "Application");
  g_key_file_set_string(f.k, kGroup, "Name", "墨衡台");
  g_key_file_set_boolean(f.k, kGroup, "Hidden", TRUE);
  GCharPtr data(g_key_file_to_data(f.k, nullptr, nullptr));
  return data.get();
}

void writeEntry(const std::string& text) {
  fs::path path = entryPath();
  std::error_code ec;
  fs::create_directories(path.parent_path(), ec);
  if (ec) throw AppError(errors::kFile, ec.value(), "无法创建自启动文件夹 " + path.parent_path().string() + "：" + failure::systemErrorText(ec));
  if (!writeFileAtomically(path, text)) throw AppError(errors::kFile, 0, "无法写入自启动项 " + path.string());
}
}  // namespace

fs::path entryPath() { return xdg::configHome() / "autostart" / kEntryName; }

fs::path runningExecutable() {
  std::error_code ec;
  std::string p = fs::read_symlink("/proc/self/exe", ec).string();
  if (ec) return {};
  // A program replaced by an upgrade while it runs: its path names the new one.
  const std::string deleted = " (deleted)";
  if (p.size() > deleted.size() && p.compare(p.size() - deleted.size(), deleted.size(), deleted) == 0)
    p.resize(p.size() - deleted.size());
  return p;
}

std::string execValue(const fs::path& executable) {
  const std::string reserved = " \t\n\"'\\><~|&;$*?#()`";
  std::string path = executable.string();
  std::string out;
  bool quote = path.find_first_of(reserved) != std::string::npos;
  for (char c : path) {
    if (c == '%') {
      out += "%%";
      continue;
    }
    if (quote && (c == '"' || c == '`' || c == '$' || c == '\\')) out += '\\';
    out += c;
  }
  return quote ? "\"" + out + "\"" : out;
}

std::string entryText(const fs::path& executable) {
  KeyFile f;
  g_key_file_set_string(f.k, kGroup, "Type", "Application");
  g_key_file_set_string(f.k, kGroup, "Name", "墨衡台");
  g_key_file_set_string(f.k, kGroup, "Comment", "律师事务所案件与办公客户端");
  // The string setter adds the key-file escapes on top of the Exec quoting.
  g_key_file_set_string(f.k, kGroup, "Exec", execValue(executable).c_str());
  g_key_file_set_string(f.k, kGroup, "Icon", "cn.quorvel.client");
  g_key_file_set_boolean(f.k, kGroup, "Terminal", FALSE);
  g_key_file_set_boolean(f.k, kGroup, "X-GNOME-Autostart-enabled", TRUE);
  GCharPtr data(g_key_file_to_data(f.k, nullptr, nullptr));
  return data.get();
}

void enable(const fs::path& executable) {
  if (executable.empty() || !executable.is_absolute())
    throw AppError(errors::kFile, 0, "找不到正在运行的程序，无法设置开机自启");
  writeEntry(entryText(executable));
}

void disable() {
  for (const auto& system : systemEntries()) {
    KeyFile f;
    if (f.load(system) && !f.flag("Hidden", false)) {
      writeEntry(hiddenEntryText());
      return;
    }
  }
  std::error_code ec;
  fs::remove(entryPath(), ec);
  if (ec) throw AppError(errors::kFile, ec.value(), "无法删除自启动项 " + entryPath().string() + "：" + failure::systemErrorText(ec));
}

LoginItemStatus status() {
  fs::path entry = entryPath();
  std::error_code ec;
  if (!fs::exists(entry, ec)) {
    for (const auto& system : systemEntries()) {
      KeyFile f;
      if (f.load(system) && !f.flag("Hidden", false) && f.flag("X-GNOME-Autostart-enabled", true))
        return LoginItemStatus::enabled;
    }
    return LoginItemStatus::notRegistered;
  }
  KeyFile f;
  if (!f.load(entry)) return LoginItemStatus::unknown;
  if (f.flag("Hidden", false) || !f.flag("X-GNOME-Autostart-enabled", true)) return LoginItemStatus::notRegistered;
  GCharPtr exec(g_key_file_get_string(f.k, kGroup, "Exec", nullptr));
  if (!exec) return LoginItemStatus::unknown;
  std::string line = exec.get();
  for (size_t at = line.find("%%"); at != std::string::npos; at = line.find("%%", at + 1)) line.erase(at, 1);
  gchar** argv = nullptr;
  if (!g_shell_parse_argv(line.c_str(), nullptr, &argv, nullptr)) return LoginItemStatus::unknown;
  std::string program = argv[0];
  g_strfreev(argv);
  // A program named without a path is looked up as the session would.
  GCharPtr found(g_find_program_in_path(program.c_str()));
  return found ? LoginItemStatus::enabled : LoginItemStatus::notFound;
}

}  // namespace quorvel::Autostart
