#pragma once
// Strict reads of JSON object fields: a value of another type counts as absent (an
// integer is never read from a text or a fraction).
#include <nlohmann/json.hpp>

#include <string>

namespace quorvel::StrictJson {

inline bool integer(const nlohmann::json& o, const char* key, long long& out) {
  auto it = o.find(key);
  if (it == o.end() || !it->is_number_integer()) return false;
  out = it->get<long long>();
  return true;
}

inline bool text(const nlohmann::json& o, const char* key, std::string& out) {
  auto it = o.find(key);
  if (it == o.end() || !it->is_string()) return false;
  out = it->get<std::string>();
  return true;
}

inline bool boolean(const nlohmann::json& o, const char* key, bool& out) {
  auto it = o.find(key);
  if (it == o.end() || !it->is_boolean()) return false;
  out = it->get<bool>();
  return true;
}

}  // namespace quorvel::StrictJson
