#pragma once
#include <cstddef>
#include <string>

namespace quorvel {

inline constexpr const char* kWhitespaceAndNewlines = " \t\n\r\v\f";
inline constexpr const char* kSpacesAndTabs = " \t";

// `s` without the leading and trailing characters found in `chars`.
inline std::string trimmed(const std::string& s, const char* chars = kWhitespaceAndNewlines) {
  auto b = s.find_first_not_of(chars);
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(chars) - b + 1);
}

// Text with the characters that mean something in HTML (& < > " ') escaped.
inline std::string escapeHtml(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

// A size limit as the messages state it: whole megabytes, else whole kilobytes.
inline std::string sizeLimitText(std::size_t bytes) {
  return (bytes >> 20) > 0 ? std::to_string(bytes >> 20) + " MB" : std::to_string(bytes >> 10) + " KB";
}

}  // namespace quorvel
