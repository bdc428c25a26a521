#pragma once
#include <functional>
#include <optional>
#include <string>

namespace quorvel {

// An absolute address split into its parts. Path, query and fragment are kept
// percent-encoded, as they travel.
struct Url {
  std::string scheme;  // lower-case
  std::string userinfo;
  std::string host;    // as written (case kept)
  int port = -1;
  std::string path;    // percent-encoded
  std::optional<std::string> query;     // percent-encoded, without "?"
  std::optional<std::string> fragment;  // without "#"

  // Parses an absolute address; nothing for relative text or garbage.
  static std::optional<Url> parse(const std::string& text);
  std::string toString() const;
  // Resolves a link against this address, as a browser resolves an href.
  std::optional<Url> resolve(const std::string& link) const;
  // Path with percent escapes decoded.
  std::string decodedPath() const;
  // The first query item with that name, decoded ("+" stays "+").
  std::optional<std::string> queryItem(const std::string& name) const;
  bool operator==(const Url&) const = default;
};

// Percent-encodes every byte outside the given allowed ASCII set.
std::string percentEncode(const std::string& text, const std::string& allowedExtra);
// Percent-encodes every byte for which keep() is false.
std::string percentEncodeExcept(const std::string& text, const std::function<bool(unsigned char)>& keep);
std::string percentDecode(const std::string& text);
// URLComponents-style: encodes what a URL path may not hold.
std::string encodePathComponent(const std::string& path);
// Query-allowed set of the original platform (used to encode user-agent parts).
std::string encodeForQuery(const std::string& text);
std::string toLowerAscii(std::string s);

// A host belongs to the service when it equals the home host or is a subdomain
// of it (a dot before the home host), compared case-insensitively.
bool isServiceHost(const std::string& host, const std::string& homeHost);

// A page of the service: the home address's scheme, a service host and the same
// port (80/443 when none is written).
bool isServiceOrigin(const Url& url, const Url& home);

// A service path with an optional "?query" placed on the home address.
// Text after the first "?" becomes the query verbatim.
std::optional<Url> urlForServicePath(const Url& home, const std::string& pathAndQuery);

}  // namespace quorvel
