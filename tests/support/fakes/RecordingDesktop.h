#pragma once
// A desktop that opens nothing and keeps what it was asked to open or reveal.
#include <filesystem>
#include <string>
#include <vector>

#include "platform/Desktop.h"

namespace quorvel::test {

class RecordingDesktop : public Desktop {
 public:
  std::vector<std::string> opened;
  std::vector<std::filesystem::path> revealed;
  bool openURI(const std::string& uri) override {
    opened.push_back(uri);
    return true;
  }
  void revealFile(const std::filesystem::path& file) override { revealed.push_back(file); }
};

}  // namespace quorvel::test
