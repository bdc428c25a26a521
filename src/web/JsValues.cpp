#include "web/JsValues.h"

namespace quorvel::JsValues {

GVariant* toArguments(const nlohmann::json& args) {
  GVariantBuilder b;
  g_variant_builder_init(&b, G_VARIANT_TYPE("a{sv}"));
  if (args.is_object()) {
    for (auto it = args.begin(); it != args.end(); ++it) {
      const auto& v = it.value();
      GVariant* gv = nullptr;
      if (v.is_string()) gv = g_variant_new_string(v.get<std::string>().c_str());
      else if (v.is_number_integer()) gv = g_variant_new_int64(v.get<long long>());
      else if (v.is_number()) gv = g_variant_new_double(v.get<double>());
      else gv = g_variant_new_string(v.dump().c_str());
      g_variant_builder_add(&b, "{sv}", it.key().c_str(), gv);
    }
  }
  return g_variant_builder_end(&b);
}

std::string toJsonText(JSCValue* value) {
  if (!value) return "null";
  gchar* s = jsc_value_to_json(value, 0);
  std::string out = s ? s : "undefined";
  g_free(s);
  return out;
}

}  // namespace quorvel::JsValues
