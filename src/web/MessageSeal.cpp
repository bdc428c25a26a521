#include "web/MessageSeal.h"

#include <nlohmann/json.hpp>

#include <random>

#include "base/GLibPtr.h"
#include "web/PageScripts.h"

namespace quorvel::MessageSeal {
namespace {
const std::string& token() {
  static const std::string t = [] {
    std::random_device random;  // the kernel's random source
    std::string out;
    static const char* hex = "0123456789abcdef";
    for (int i = 0; i < 8; ++i) {
      unsigned v = random();
      for (int k = 0; k < 8; ++k, v >>= 4) out += hex[v & 15];
    }
    return out;
  }();
  return t;
}
}  // namespace

std::string script() {
  const std::string& body = PageScripts::resource("message-seal.js");
  if (body.empty()) return {};
  return body + "(" + nlohmann::json(token()).dump() + ");";
}

GObjectPtr<JSCValue> open(JSCValue* body) {
  if (!body || !jsc_value_is_object(body) || jsc_value_is_array(body)) return {};
  auto seal = GObjectPtr<JSCValue>::adopt(jsc_value_object_get_property(body, "quorvelSeal"));
  if (!seal || !jsc_value_is_string(seal)) return {};
  GCharPtr text(jsc_value_to_string(seal));
  if (!text || token() != text.get()) return {};
  return GObjectPtr<JSCValue>::adopt(jsc_value_object_get_property(body, "message"));
}

}  // namespace quorvel::MessageSeal
