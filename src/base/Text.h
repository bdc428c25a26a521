#pragma once
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

}  // namespace quorvel
