#pragma once
// Points HOME and the XDG folders at a fresh temporary folder for the life of the
// object, so nothing a test writes reaches the real home folder; holds the user
// defaults over the temporary home's settings file.
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>

namespace quorvel {
class UserDefaults;
}

namespace quorvel::test {

// How much slower the sanitizer build runs: limits on how long work may take scale by it.
#ifdef __SANITIZE_ADDRESS__
inline constexpr unsigned kSanitizerSlowdown = 4;
#else
inline constexpr unsigned kSanitizerSlowdown = 1;
#endif

// Waits for something that should happen are ceilings, not expectations: a loaded
// machine running every test at once may take several times longer, and a ceiling
// raised costs nothing while the test passes.
inline constexpr unsigned kWaitScale = 3 * kSanitizerSlowdown;
inline constexpr unsigned scaledWait(unsigned ms) { return ms * kWaitScale; }

class TempHome {
 public:
  TempHome();
  ~TempHome();
  TempHome(const TempHome&) = delete;
  TempHome& operator=(const TempHome&) = delete;

  const std::filesystem::path& root() const { return root_; }
  std::filesystem::path home() const { return root_ / "home"; }
  std::filesystem::path configHome() const { return home() / ".config"; }
  std::filesystem::path dataHome() const { return home() / ".local" / "share"; }
  std::filesystem::path cacheHome() const { return home() / ".cache"; }
  UserDefaults& defaults() { return *defaults_; }

 private:
  void setVar(const char* name, const std::optional<std::string>& value);

  std::filesystem::path root_;
  std::map<std::string, std::optional<std::string>> saved_;
  std::unique_ptr<UserDefaults> defaults_;
};

}  // namespace quorvel::test
