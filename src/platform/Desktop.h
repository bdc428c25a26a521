#pragma once
// Handing addresses and files to the desktop: the default application, the file
// manager.
#include <filesystem>
#include <string>

namespace quorvel {

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Opens an address with the user's default application (browser, mail…).
  virtual bool openURI(const std::string& uri) = 0;
  // Shows a file selected in the file manager, else opens its folder. Returns at once.
  virtual void revealFile(const std::filesystem::path& file) = 0;
};

// GIO's default applications and org.freedesktop.FileManager1.
class SystemDesktop : public Desktop {
 public:
  bool openURI(const std::string& uri) override;
  void revealFile(const std::filesystem::path& file) override;
};

// Opens nothing and logs what it would have opened (tests, diagnostics).
class LoggingDesktop : public Desktop {
 public:
  bool openURI(const std::string& uri) override;
  void revealFile(const std::filesystem::path& file) override;
};

}  // namespace quorvel
