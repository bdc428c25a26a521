#pragma once
// Values crossing between native code and page scripts.
#include <jsc/jsc.h>
#include <nlohmann/json.hpp>

#include <glib.h>

#include <string>

namespace quorvel::JsValues {

// Named arguments of an awaited page function (a{sv}): strings, integers and
// doubles as themselves; anything else as its JSON text. The engine refuses
// boolean arguments, so callers pass no booleans.
GVariant* toArguments(const nlohmann::json& args);
// A script value as JSON text ("null" for no value, "undefined" when it has none).
std::string toJsonText(JSCValue* value);

}  // namespace quorvel::JsValues
