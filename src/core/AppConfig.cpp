#include "core/AppConfig.h"

#include <glib.h>

#include <cctype>
#include <fstream>

#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/Text.h"
#include "platform/UserDefaults.h"
#include "platform/XdgDirs.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {

fs::path ensured(const fs::path& p) {
  std::error_code ec;
  fs::create_directories(p, ec);  // callers meet write errors themselves
  return p;
}

std::string readFirstLine(const char* file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return trimmed(line, kWhitespaceAndNewlines);
}

std::string machineModel() {
  std::string m = readFirstLine("/sys/devices/virtual/dmi/id/product_name");
  if (m.empty()) m = readFirstLine("/sys/devices/virtual/dmi/id/product_family");
  // Repair invalid bytes, as the model is read as UTF-8 text.
  if (!m.empty() && !g_utf8_validate(m.c_str(), static_cast<gssize>(m.size()), nullptr)) {
    gchar* fixed = g_utf8_make_valid(m.c_str(), static_cast<gssize>(m.size()));
    m = fixed;
    g_free(fixed);
  }
  return m;
}

bool isHostLabelChar(unsigned char c) { return std::isalnum(c) || c == '-' || c == '_'; }

// A host the web engine can reach, as the address should spell it. The parser
// percent-escapes what it does not understand, so the checks run on the decoded text.
std::optional<std::string> usableHost(const std::string& parsed) {
  if (parsed.find(':') != std::string::npos) {  // an IPv6 literal, brackets removed
    // A zone ("%eth0") names an interface of this machine only and would not survive re-encoding.
    bool usable = parsed.find('%') == std::string::npos && g_hostname_is_ip_address(parsed.c_str());
    return usable ? std::optional(parsed) : std::nullopt;
  }
  std::string host = percentDecode(parsed);
  if (host.empty() || !g_utf8_validate(host.c_str(), static_cast<gssize>(host.size()), nullptr))
    return std::nullopt;
  if (g_hostname_is_non_ascii(host.c_str())) {
    GCharPtr ascii(g_hostname_to_ascii(host.c_str()));
    if (!ascii) return std::nullopt;
    host = ascii.get();
  }
  // Labels of letters, digits, "-" and "_", separated by single dots; one trailing dot may end a full name.
  std::string body = host.back() == '.' ? host.substr(0, host.size() - 1) : host;
  if (body.empty() || body.front() == '.' || body.back() == '.' || body.find("..") != std::string::npos)
    return std::nullopt;
  for (unsigned char c : body)
    if (c != '.' && !isHostLabelChar(c)) return std::nullopt;
  return host;
}
}  // namespace

namespace AppConfig {

std::string serverURL(const UserDefaults& defaults) {
  auto stored = defaults.string(kServerURLKey).value_or("");
  auto t = trimmed(stored, kWhitespaceAndNewlines);
  return t.empty() ? kDefaultServerURL : t;
}

void setServerURL(UserDefaults& defaults, const std::string& value) {
  auto t = trimmed(value, kWhitespaceAndNewlines);
  defaults.set(kServerURLKey, t.empty() ? std::string(kDefaultServerURL) : t);
}

std::optional<std::string> validServerURL(const std::string& text) {
  auto u = Url::parse(trimmed(text, kWhitespaceAndNewlines));
  if (!u || (u->scheme != "http" && u->scheme != "https")) return std::nullopt;
  // Sign-in details in the address would be stored in plain text and sent with every page.
  if (!u->userinfo.empty() || u->port == 0) return std::nullopt;
  auto host = usableHost(u->host);
  if (!host) return std::nullopt;
  u->host = *host;
  return u->toString();
}

std::optional<std::string> serverURLToSave(const std::string& text) {
  if (trimmed(text, kWhitespaceAndNewlines).empty()) return std::string(kDefaultServerURL);
  auto valid = validServerURL(text);
  if (!valid) return std::nullopt;
  auto u = *Url::parse(*valid);
  while (!u.path.empty() && u.path.back() == '/') u.path.pop_back();
  return u.toString();
}

Url homeURL(const UserDefaults& defaults) {
  auto stored = serverURL(defaults);
  if (auto valid = validServerURL(stored)) return *Url::parse(*valid);
  if (defaults.firstWarning(kServerURLKey))
    logLine(tags::kSettings, "已保存的服务器地址无效（" + stored + "），改用默认地址 " + kDefaultServerURL,
            LogLevel::warning);
  return *Url::parse(kDefaultServerURL);
}

fs::path dataDir() { return ensured(xdg::dataHome() / "Quorvel"); }
fs::path mirrorDir() { return xdg::documentsDir() / "墨衡台卷宗"; }
fs::path downloadDir() { return ensured(xdg::downloadDir() / "墨衡台"); }

std::string userAgentFor(const std::string& model, const std::string& hostName) {
  std::string ua =
      "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 "
      "(KHTML, like Gecko) Version/17.0 Safari/605.1.15 Quorvel/";
  ua += kVersion;
  if (!model.empty()) ua += " QuorvelModel/" + encodeForQuery(model);
  if (!hostName.empty()) ua += " QuorvelName/" + encodeForQuery(hostName);
  return ua;
}

std::string userAgent() {
  const char* host = g_get_host_name();
  return userAgentFor(machineModel(), host ? host : "");
}

}  // namespace AppConfig


}  // namespace quorvel
