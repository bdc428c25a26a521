#include "web/rules/PdfNames.h"

#include "base/Url.h"

namespace quorvel {

std::string suggestedPDFName(const std::string& title) {
  std::string name = title;
  for (char& c : name)
    if (c == '/') c = '-';
  if (name.empty()) name = "页面";
  return name + ".pdf";
}

std::filesystem::path withPDFExtension(const std::filesystem::path& chosen) {
  if (toLowerAscii(chosen.extension().string()) == ".pdf") return chosen;
  return chosen.string() + ".pdf";
}

}  // namespace quorvel
