#pragma once
// Handing addresses and files to the desktop: the default application, the file
// manager.
#include <filesystem>
#include <optional>
#include <string>

namespace quorvel {

// Why an address did not open, to be said in the window that asked.
struct OpenFailure {
  std::string target;  // the local path of a file address, else the address
  std::string reason;  // in Chinese
};

// What the user knows an address by: the local path of a file address, else the address.
std::string openTargetText(const std::string& uri);

class Desktop {
 public:
  virtual ~Desktop() = default;
  // Opens an address with the user's default application (browser, mail…).
  virtual bool openURI(const std::string& uri) = 0;
  // The same, telling why it did not open (nothing when it did).
  virtual std::optional<OpenFailure> tryOpen(const std::string& uri) {
    if (openURI(uri)) return std::nullopt;
    return OpenFailure{openTargetText(uri), "系统未能打开它"};
  }
  // Shows a file selected in the file manager, else opens its folder. Returns at once.
  virtual void revealFile(const std::filesystem::path& file) = 0;
};

// GIO's default applications and org.freedesktop.FileManager1.
class SystemDesktop : public Desktop {
 public:
  bool openURI(const std::string& uri) override;
  std::optional<OpenFailure> tryOpen(const std::string& uri) override;
  void revealFile(const std::filesystem::path& file) override;
};

// Opens nothing and logs what it would have opened (tests, diagnostics).
class LoggingDesktop : public Desktop {
 public:
  bool openURI(const std::string& uri) override;
  void revealFile(const std::filesystem::path& file) override;
};

}  // namespace quorvel
