#include "features/workspace/UpdateRules.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>

#include "base/Text.h"

namespace quorvel::UpdateRules {
namespace {

std::string textOf(const nlohmann::json& obj, const char* key) {
  if (!obj.is_object()) return {};
  auto it = obj.find(key);
  return it != obj.end() && it->is_string() ? it->get<std::string>() : std::string();
}

bool present(const nlohmann::json& obj, const char* key) {
  auto it = obj.find(key);
  return it != obj.end() && !it->is_null();
}

bool safeChar(unsigned char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_' ||
         c == '-';
}

std::string sanitized(const std::string& text) {
  std::string out;
  for (unsigned char c : text) out += safeChar(c) ? static_cast<char>(c) : '_';
  return out;
}

bool endsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

std::string shellQuoted(const std::string& path) {
  std::string out = "\"";
  for (char c : path) {
    if (c == '"' || c == '\\' || c == '$' || c == '`') out += '\\';
    out += c;
  }
  return out + "\"";
}

enum class Kind { deb, appImage, gzip, zip, rpm, unknown };

Kind kindOfExtension(const std::string& lowerExt) {
  if (lowerExt == "deb") return Kind::deb;
  if (lowerExt == "appimage") return Kind::appImage;
  if (lowerExt == "gz" || lowerExt == "tgz" || lowerExt == "tar.gz") return Kind::gzip;
  if (lowerExt == "zip") return Kind::zip;
  if (lowerExt == "rpm") return Kind::rpm;
  return Kind::unknown;
}

bool headIs(const std::string& head, Kind kind) {
  auto startsWith = [&](const std::string& magic) { return head.compare(0, magic.size(), magic) == 0; };
  switch (kind) {
    case Kind::deb: return startsWith("!<arch>\n");
    case Kind::appImage: return startsWith("\x7f" "ELF") && head.size() >= 11 && head.compare(8, 3, "AI\x02") == 0;
    case Kind::gzip: return startsWith("\x1f\x8b");
    case Kind::zip: return head.size() >= 4 && startsWith("PK");
    case Kind::rpm: return startsWith("\xed\xab\xee\xdb");
    case Kind::unknown: return false;
  }
  return false;
}

}  // namespace

std::vector<long long> parse(const std::string& version) {
  std::vector<long long> out;
  size_t start = 0;
  while (start <= version.size()) {
    size_t dot = version.find('.', start);
    std::string piece = version.substr(start, dot == std::string::npos ? std::string::npos : dot - start);
    if (!piece.empty()) {
      size_t digits = 0;
      while (digits < piece.size() && piece[digits] >= '0' && piece[digits] <= '9') ++digits;
      long long value = 0;
      if (digits > 0) {
        errno = 0;
        std::string run = piece.substr(0, digits);
        long long v = std::strtoll(run.c_str(), nullptr, 10);
        value = errno == ERANGE ? 0 : v;
      }
      out.push_back(value);
    }
    if (dot == std::string::npos) break;
    start = dot + 1;
  }
  return out;
}

bool isNewer(const std::string& a, const std::string& than) {
  auto x = parse(a);
  auto y = parse(than);
  for (size_t i = 0; i < std::max(x.size(), y.size()); ++i) {
    long long p = i < x.size() ? x[i] : 0;
    long long q = i < y.size() ? y[i] : 0;
    if (p != q) return p > q;
  }
  return false;
}

bool isLaunchCheckDue(double nowSeconds, double lastCheckSeconds) {
  return nowSeconds - lastCheckSeconds > kLaunchGateSeconds;
}

Release derive(const nlohmann::json& reply) {
  const bool forLinux = present(reply, "linux") || present(reply, "linux_version");
  const char* platformKey = forLinux ? "linux" : "mac";
  const char* versionKey = forLinux ? "linux_version" : "mac_version";
  Release r;
  const nlohmann::json empty;
  auto it = reply.find(platformKey);
  const nlohmann::json& platform = it != reply.end() ? *it : empty;
  r.version = textOf(platform, "version");
  if (r.version.empty()) r.version = textOf(reply, versionKey);
  r.packageURL = platform.is_string() ? platform.get<std::string>() : textOf(platform, "url");
  r.notes = textOf(platform, "notes");
  if (r.notes.empty()) r.notes = textOf(reply, "notes");
  r.pageURL = textOf(reply, "url");
  r.windowsVersion = textOf(reply, "version");
  return r;
}

std::optional<Url> resolveURL(const std::string& text, const Url& home) {
  std::string t = trimmed(text, " \n\r");
  if (t.empty()) return std::nullopt;
  std::optional<Url> u;
  if (t.rfind("http://", 0) == 0 || t.rfind("https://", 0) == 0) {
    u = Url::parse(t);
  } else {
    u = home.resolve(t);
  }
  // Only web addresses: a published "file:" or script address is never opened or fetched.
  if (!u || (u->scheme != "http" && u->scheme != "https") || u->host.empty()) return std::nullopt;
  return u;
}

std::optional<Url> versionEndpoint(const Url& home) { return urlForServicePath(home, kVersionPath); }

std::string packageExtension(const Url& packageURL) {
  std::string path = packageURL.decodedPath();
  std::string name = path.substr(path.find_last_of('/') == std::string::npos ? 0 : path.find_last_of('/') + 1);
  std::string ext;
  if (endsWith(toLowerAscii(name), ".tar.gz") && name.size() > 7) {
    ext = name.substr(name.size() - 6);
  } else {
    auto dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) ext = name.substr(dot + 1);
  }
  ext = sanitized(ext);
  if (ext.empty() || ext.size() > 8 || ext.front() == '.' || ext.back() == '.' || ext.find("..") != std::string::npos)
    return kDefaultExtension;
  return ext;
}

std::string installerFileName(const std::string& version, const std::string& ext) {
  std::string v = sanitized(version.substr(0, 64));
  if (v.empty()) v = "_";
  std::string e = sanitized(ext);
  if (e.empty() || e.size() > 8 || e == "." || e == ".." || e.front() == '.') e = kDefaultExtension;
  return "墨衡台-" + v + "." + e;
}

bool looksLikeInstaller(const std::filesystem::path& file, const std::string& ext) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  char buffer[16];
  in.read(buffer, sizeof buffer);
  std::string head(buffer, static_cast<size_t>(in.gcount()));
  Kind kind = kindOfExtension(toLowerAscii(ext));
  if (kind != Kind::unknown) return headIs(head, kind);
  for (Kind k : {Kind::deb, Kind::appImage, Kind::gzip, Kind::zip, Kind::rpm})
    if (headIs(head, k)) return true;
  return false;
}

std::string installInstructions(const std::string& ext, const std::filesystem::path& file) {
  std::string path = shellQuoted(file.string());
  switch (kindOfExtension(toLowerAscii(ext))) {
    case Kind::deb:
      return "用软件安装器打开它，或在终端运行：\nsudo apt install " + path + "\n即可覆盖安装旧版。";
    case Kind::rpm:
      return "用软件安装器打开它，或在终端运行：\nsudo dnf install " + path + "\n即可覆盖安装旧版。";
    case Kind::appImage:
      return "在终端运行：\nchmod +x " + path + "\n之后直接运行它，用它替换旧的「墨衡台」AppImage 即可。";
    case Kind::gzip:
    case Kind::zip:
      return "解压后，用解压出的「墨衡台」替换旧版即可。";
    case Kind::unknown:
      break;
  }
  return "按安装包的格式安装它，覆盖旧版即可。";
}

}  // namespace quorvel::UpdateRules
