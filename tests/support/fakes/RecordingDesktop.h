#pragma once
// A desktop that opens nothing and keeps what it was asked to open or reveal.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace quorvel::test {

class RecordingDesktop : public Desktop {
 public:
  std::vector<std::string> opened;
  std::vector<std::filesystem::path> revealed;
  // Set: every open fails for this reason, as on a desktop without the program.
  std::optional<std::string> failing;
  bool openURI(const std::string& uri) override {
    opened.push_back(uri);
    return !failing;
  }
  std::optional<OpenFailure> tryOpen(const std::string& uri) override {
    if (openURI(uri)) return std::nullopt;
    return OpenFailure{openTargetText(uri), *failing};
  }
  void revealFile(const std::filesystem::path& file) override { revealed.push_back(file); }
};

}  // namespace quorvel::test
