#pragma once
// Text rules that must hold for every script, not only ASCII: trimming white space
// and line breaks (the ideographic space too) and full lower-casing.
#include <string>

namespace quorvel {

// `text` without leading and trailing Unicode white space and line breaks.
std::string trimmedWhitespace(const std::string& text);
// `text` fully lower-cased, the same under every locale ("ÄBC" → "äbc").
std::string lowercased(const std::string& text);

}  // namespace quorvel
