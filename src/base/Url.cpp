#include "base/Url.h"

#include <glib.h>

#include <cctype>

namespace quorvel {
namespace {
bool isUnreserved(unsigned char c) { return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c == '~'; }

std::optional<Url> fromGUri(GUri* u) {
  if (!u) return std::nullopt;
  Url out;
  out.scheme = toLowerAscii(g_uri_get_scheme(u) ? g_uri_get_scheme(u) : "");
  if (const char* ui = g_uri_get_userinfo(u)) out.userinfo = ui;
  if (const char* h = g_uri_get_host(u)) out.host = h;
  out.port = g_uri_get_port(u);
  out.path = g_uri_get_path(u) ? g_uri_get_path(u) : "";
  if (const char* q = g_uri_get_query(u)) out.query = q;
  if (const char* f = g_uri_get_fragment(u)) out.fragment = f;
  g_uri_unref(u);
  return out;
}
}  // namespace

std::string toLowerAscii(std::string s) {
  for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::optional<Url> Url::parse(const std::string& text) {
  if (text.empty()) return std::nullopt;
  GError* err = nullptr;
  GUri* u = g_uri_parse(text.c_str(), static_cast<GUriFlags>(G_URI_FLAGS_ENCODED | G_URI_FLAGS_NON_DNS), &err);
  if (!u) {
    g_clear_error(&err);
    return std::nullopt;
  }
  return fromGUri(u);
}

std::string Url::toString() const {
  std::string s = scheme + ":";
  if (!host.empty() || scheme == "http" || scheme == "https" || scheme == "file") {
    s += "//";
    if (!userinfo.empty()) s += userinfo + "@";
    if (host.find(':') != std::string::npos) s += "[" + host + "]";
    else s += host;
    if (port > 0) s += ":" + std::to_string(port);
  }
  s += path;
  if (query) s += "?" + *query;
  if (fragment) s += "#" + *fragment;
  return s;
}

std::optional<Url> Url::resolve(const std::string& link) const {
  GError* err = nullptr;
  auto flags = static_cast<GUriFlags>(G_URI_FLAGS_ENCODED | G_URI_FLAGS_NON_DNS);
  GUri* base = g_uri_parse(toString().c_str(), flags, &err);
  if (!base) {
    g_clear_error(&err);
    return std::nullopt;
  }
  GUri* u = g_uri_parse_relative(base, link.c_str(), flags, &err);
  g_uri_unref(base);
  if (!u) {
    g_clear_error(&err);
    return std::nullopt;
  }
  return fromGUri(u);
}

std::string Url::decodedPath() const { return percentDecode(path); }

std::optional<std::string> Url::queryItem(const std::string& name) const {
  if (!query) return std::nullopt;
  size_t start = 0;
  const std::string& q = *query;
  while (start <= q.size()) {
    size_t end = q.find('&', start);
    if (end == std::string::npos) end = q.size();
    std::string item = q.substr(start, end - start);
    size_t eq = item.find('=');
    std::string key = percentDecode(item.substr(0, eq));
    if (key == name) return eq == std::string::npos ? std::string() : percentDecode(item.substr(eq + 1));
    start = end + 1;
  }
  return std::nullopt;
}

std::string percentEncode(const std::string& text, const std::string& allowedExtra) {
  return percentEncodeExcept(text, [&](unsigned char c) {
    return isUnreserved(c) || (c < 0x80 && allowedExtra.find(static_cast<char>(c)) != std::string::npos);
  });
}

std::string percentEncodeExcept(const std::string& text, const std::function<bool(unsigned char)>& keep) {
  static const char* hex = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (unsigned char c : text) {
    if (keep(c)) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}

std::string percentDecode(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size() + 0 && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
        i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += text[i];
    }
  }
  return out;
}

std::string encodePathComponent(const std::string& path) { return percentEncode(path, "!$&'()*+,;=:@/"); }

std::string encodeForQuery(const std::string& text) { return percentEncode(text, "!$&'()*+,;=:@/?"); }

std::optional<Url> urlForServicePath(const Url& home, const std::string& pathAndQuery) {
  Url u = home;
  u.fragment.reset();
  auto q = pathAndQuery.find('?');
  if (q != std::string::npos) {
    u.path = encodePathComponent(pathAndQuery.substr(0, q));
    u.query = pathAndQuery.substr(q + 1);
  } else {
    u.path = encodePathComponent(pathAndQuery);
  }
  // A path without a leading "/" cannot follow a host.
  if (!u.host.empty() && !u.path.empty() && u.path.front() != '/') return std::nullopt;
  if (!Url::parse(u.toString())) return std::nullopt;
  return u;
}

bool isServiceHost(const std::string& host, const std::string& homeHost) {
  if (host.empty() || homeHost.empty()) return false;
  auto h = toLowerAscii(host);
  auto home = toLowerAscii(homeHost);
  if (h == home) return true;
  return h.size() > home.size() + 1 && h.compare(h.size() - home.size(), home.size(), home) == 0 &&
         h[h.size() - home.size() - 1] == '.';
}

namespace {
int effectivePort(const Url& u) {
  if (u.port > 0) return u.port;
  if (u.scheme == "http") return 80;
  if (u.scheme == "https") return 443;
  return -1;
}
}  // namespace

bool isServiceOrigin(const Url& url, const Url& home) {
  if (url.scheme != "http" && url.scheme != "https") return false;
  if (url.scheme != toLowerAscii(home.scheme)) return false;
  return isServiceHost(url.host, home.host) && effectivePort(url) == effectivePort(home);
}

}  // namespace quorvel
