#pragma once
// Stand-ins for the interactive capture tools: small scripts in a folder of their own
// that becomes the whole PATH for the object's lifetime (WAYLAND_DISPLAY unset), so a
// capture finds exactly the tools a test installed. Each script records its arguments.
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace quorvel::test {

class CaptureToolStub {
 public:
  CaptureToolStub();
  ~CaptureToolStub();
  CaptureToolStub(const CaptureToolStub&) = delete;
  CaptureToolStub& operator=(const CaptureToolStub&) = delete;

  // A tool that records its arguments and runs `body` (POSIX shell; commands with
  // absolute paths, since PATH holds only the stubs). "$out" is its last argument.
  void install(const std::string& name, const std::string& body);
  // A tool that writes `image` into the file named by its last argument, as a user's
  // completed selection does.
  void installCopying(const std::string& name, const std::filesystem::path& image);

  // The arguments of the tool's last run; nothing when it never ran.
  std::optional<std::vector<std::string>> argsOf(const std::string& name) const;
  const std::filesystem::path& dir() const { return dir_; }

 private:
  std::filesystem::path dir_;
  std::optional<std::string> savedPath_, savedWayland_;
};

// Writes a small white PNG image (cairo) to `path`.
void writeBlankPng(const std::filesystem::path& path, int width = 240, int height = 80);

}  // namespace quorvel::test
