// Recognised text, the same in the program and in the engines module.
#include <glib.h>

#include "platform/ocr/TextRecognizer.h"

namespace quorvel {

std::string tidyRecognisedLine(const std::string& raw) {
  if (!g_utf8_validate(raw.c_str(), static_cast<gssize>(raw.size()), nullptr)) return {};
  auto end = raw.find_last_not_of(" \t\r\n\f");
  return end == std::string::npos ? std::string() : raw.substr(0, end + 1);
}

std::string joinedText(const std::vector<RecognisedLine>& lines) {
  std::string out;
  for (const auto& l : lines) {
    if (!out.empty()) out += '\n';
    out += l.text;
  }
  return out;
}

}  // namespace quorvel
