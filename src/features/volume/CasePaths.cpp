#include "features/volume/CasePaths.h"

#include <gio/gio.h>

#include <algorithm>

#include "base/Text.h"

namespace quorvel::CasePaths {
namespace fs = std::filesystem;

namespace {
std::string lower(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
  return s;
}
bool startsWith(std::string_view s, std::string_view p) { return s.substr(0, p.size()) == p; }

std::vector<std::string> splitPieces(std::string_view s) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i <= s.size()) {
    size_t j = s.find('/', i);
    if (j == std::string_view::npos) j = s.size();
    if (j > i) out.emplace_back(s.substr(i, j - i));
    i = j + 1;
  }
  return out;
}

std::string unescape(std::string_view s) {
  char* u = g_uri_unescape_string(std::string(s).c_str(), nullptr);
  std::string r = u ? u : std::string(s);
  g_free(u);
  return r;
}
}  // namespace

std::optional<ShareParts> splitShareURI(std::string_view uri) {
  auto sep = uri.find("://");
  if (sep == std::string_view::npos) return std::nullopt;
  ShareParts p;
  p.scheme = lower(std::string(uri.substr(0, sep)));
  std::string_view rest = uri.substr(sep + 3);
  auto slash = rest.find('/');
  std::string_view authority = rest.substr(0, slash);
  std::string path = slash == std::string_view::npos ? "" : std::string(rest.substr(slash));
  if (authority.find('@') != std::string_view::npos) return std::nullopt;
  auto colon = authority.rfind(':');
  if (colon != std::string_view::npos && authority.find(']') == std::string_view::npos) {
    p.port = std::string(authority.substr(colon + 1));
    authority = authority.substr(0, colon);
    if (p.port.empty() || !std::all_of(p.port.begin(), p.port.end(), ::isdigit)) return std::nullopt;
  }
  p.host = lower(std::string(authority));
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  p.path = path == "/" ? "" : path;
  if (p.host.empty()) return std::nullopt;
  return p;
}

std::optional<std::string> shareURIFrom(std::string_view text) {
  std::string t = trimmed(std::string(text), " \t\r\n");
  auto parts = splitShareURI(t);
  if (!parts) return std::nullopt;
  if (parts->scheme == "https") parts->scheme = "davs";
  else if (parts->scheme == "http") parts->scheme = "dav";
  if (parts->scheme != "dav" && parts->scheme != "davs") return std::nullopt;
  std::string uri = parts->scheme + "://" + parts->host;
  if (!parts->port.empty()) uri += ":" + parts->port;
  return uri + parts->path;
}

std::optional<std::vector<std::string>> tailPieces(std::string_view serverPath, bool* unsafe) {
  if (unsafe) *unsafe = false;
  auto pieces = splitPieces(serverPath);
  size_t start = 0;
  if (start < pieces.size() && pieces[start] == "user_data") ++start;
  if (start < pieces.size() && startsWith(pieces[start], "FIRM_")) ++start;
  if (start >= pieces.size()) return std::nullopt;
  std::vector<std::string> tail(pieces.begin() + static_cast<long>(start), pieces.end());
  for (const auto& p : tail) {
    if (p == "." || p == ".." || p.find('\0') != std::string::npos || p.find('\\') != std::string::npos) {
      if (unsafe) *unsafe = true;
      return std::nullopt;
    }
  }
  return tail;
}

std::optional<std::string> relTail(std::string_view serverPath, bool* unsafe) {
  auto pieces = tailPieces(serverPath, unsafe);
  if (!pieces) return std::nullopt;
  std::string out;
  for (const auto& p : *pieces) out += (out.empty() ? "" : "/") + p;
  return out;
}

std::optional<fs::path> mapUnder(const fs::path& root, std::string_view serverPath, bool* unsafe) {
  auto pieces = tailPieces(serverPath, unsafe);
  if (!pieces) return std::nullopt;
  fs::path out = root;
  for (const auto& p : *pieces) out /= p;
  // Lexically below the root, whatever the pieces held.
  fs::path rel = out.lexically_normal().lexically_relative(root.lexically_normal());
  if (rel.empty() || *rel.begin() == "..") {
    if (unsafe) *unsafe = true;
    return std::nullopt;
  }
  return out;
}

std::optional<fs::path> findMountedRoot(const RootSearch& in) {
  auto exists = [&](const fs::path& p) { return in.exists && in.exists(p); };
  // A relative override would resolve against the working folder: not a place.
  if (in.overridePath && fs::path(*in.overridePath).is_absolute() && exists(*in.overridePath))
    return fs::path(*in.overridePath);
  if (in.shareLocalPath && exists(*in.shareLocalPath)) return in.shareLocalPath;
  auto sharePieces = splitPieces(in.share.path);
  for (const auto& entry : in.gvfsEntries) {
    std::string scheme = entry.substr(0, entry.find(':'));
    if ((scheme != "dav" && scheme != "davs") || entry.size() <= scheme.size() + 1) continue;
    std::string host, prefix;
    std::string_view rest = std::string_view(entry).substr(scheme.size() + 1);
    size_t i = 0;
    while (i <= rest.size()) {
      size_t j = rest.find(',', i);
      if (j == std::string_view::npos) j = rest.size();
      std::string_view kv = rest.substr(i, j - i);
      auto eq = kv.find('=');
      if (eq != std::string_view::npos) {
        std::string key(kv.substr(0, eq));
        std::string value = unescape(kv.substr(eq + 1));
        if (key == "host") host = lower(value);
        if (key == "prefix") prefix = value;
      }
      i = j + 1;
    }
    if (host.empty()) continue;
    if (host != in.share.host && host.find(lower(in.domainWord)) == std::string::npos) continue;
    // The mount shows the server from its prefix on; the share lies below it.
    auto prefixPieces = splitPieces(prefix);
    if (prefixPieces.size() > sharePieces.size() ||
        !std::equal(prefixPieces.begin(), prefixPieces.end(), sharePieces.begin()))
      continue;
    fs::path candidate = in.gvfsDir / entry;
    for (size_t k = prefixPieces.size(); k < sharePieces.size(); ++k) candidate /= sharePieces[k];
    if (exists(candidate)) return candidate;
  }
  return std::nullopt;
}

std::string statusText(const std::optional<std::string>& mounted, const std::optional<fs::path>& mirror) {
  if (mounted) return "已连接：" + *mounted;
  if (mirror) return "未连网盘，使用本地镜像：" + mirror->string();
  return "未连接";
}

RevealStep revealStep(const std::optional<fs::path>& local, const std::function<bool(const fs::path&)>& exists) {
  if (!local) return RevealStep::notConnected;
  if (exists(*local)) return RevealStep::selectFile;
  if (exists(local->parent_path())) return RevealStep::openParent;
  return RevealStep::missing;
}

FolderStep folderStep(const std::optional<std::string>& pageValue, bool evaluationFailed,
                      const std::optional<fs::path>& local, const std::function<bool(const fs::path&)>& isDir) {
  if (evaluationFailed || !pageValue || pageValue->empty()) return FolderStep::noFolderPath;
  if (!local) return FolderStep::notConnected;
  return isDir(*local) ? FolderStep::open : FolderStep::missing;
}

NameParts splitName(std::string_view name) {
  std::string n(name);
  while (n.size() > 1 && n.back() == '/') n.pop_back();
  auto slash = n.rfind('/');
  if (slash != std::string::npos) n = n.substr(slash + 1);
  auto dot = n.rfind('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 == n.size()) return {n, ""};
  return {n.substr(0, dot), n.substr(dot + 1)};
}

std::string backupName(std::string_view fileName, std::string_view stamp, int attempt) {
  NameParts p = splitName(fileName);
  std::string out = p.stem + "." + std::string(stamp);
  if (attempt > 1) out += "-" + std::to_string(attempt);
  if (!p.ext.empty()) out += "." + p.ext;
  return out;
}

MountFailure classifyMountError(const MountErrorInfo& e) {
  if (e.cancelledByUser) return MountFailure::cancelled;
  if (e.gaveUpAfterWrongPassword) return MountFailure::authFailed;
  if (e.gioDomain) {
    switch (e.code) {
      case G_IO_ERROR_CANCELLED:
      case G_IO_ERROR_FAILED_HANDLED:
        return MountFailure::cancelled;
      case G_IO_ERROR_ALREADY_MOUNTED:
        return MountFailure::alreadyMounted;
      case G_IO_ERROR_NOT_SUPPORTED:
        return MountFailure::noGvfs;
      default:
        break;
    }
  }
  // The GVfs daemon missing from the session bus.
  if (e.domainName == "g-dbus-error-quark" && (e.message.find("ServiceUnknown") != std::string::npos ||
                                               e.message.find("org.gtk.vfs") != std::string::npos))
    return MountFailure::noGvfs;
  return MountFailure::other;
}

ConnectOutcome connectOutcome(MountFailure kind, const std::string& message, const std::string& shareAddress) {
  const std::string manual = "\n\n也可以手动连接：文件管理器 → 其他位置 → 连接到服务器，输入：\n" + shareAddress;
  switch (kind) {
    case MountFailure::cancelled:
      return {"", "", "已取消登录"};
    case MountFailure::noGvfs:
      return {"需要安装 GVfs",
              "挂载卷宗盘要用系统的 GVfs（gvfs-backends、gvfs-fuse）。请先安装：\nsudo apt install gvfs-backends "
              "gvfs-fuse\n然后重试。",
              "未安装 GVfs"};
    case MountFailure::authFailed:
      return {"没能自动连接卷宗盘", "用户名或密码不正确" + manual, "用户名或密码不正确"};
    default: {
      std::string m = message.empty() ? "未知错误" : message;
      return {"没能自动连接卷宗盘", m + manual, m};
    }
  }
}

}  // namespace quorvel::CasePaths
