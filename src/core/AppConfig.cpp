#include "core/AppConfig.h"

#include <glib.h>

#include <fstream>

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
}  // namespace

namespace AppConfig {

std::string serverURL() {
  auto stored = UserDefaults::standard().string("serverURL").value_or("");
  auto t = trimmed(stored, kWhitespaceAndNewlines);
  return t.empty() ? kDefaultServerURL : t;
}

void setServerURL(const std::string& value) {
  auto t = trimmed(value, kWhitespaceAndNewlines);
  UserDefaults::standard().set("serverURL", t.empty() ? std::string(kDefaultServerURL) : t);
}

Url homeURL() {
  if (auto u = Url::parse(trimmed(serverURL(), " \t")); u && !u->scheme.empty()) return *u;
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
