#pragma once
// What the user decided in the conflict window, and the seam through which the
// edit session opens that window (the ui implements it).
#include <filesystem>
#include <functional>
#include <string>

namespace quorvel {

enum class ConflictChoice { useLocal, useServer, keepBoth, cancel };

class ConflictPresenter {
 public:
  using Completion = std::function<void(ConflictChoice)>;
  virtual ~ConflictPresenter() = default;
  // Shows the local copy beside the server copy of `rel`; `completion` runs exactly
  // once on the main thread (with `cancel` when a newer window replaces this one).
  virtual void open(const std::string& rel, const std::filesystem::path& localURL, Completion completion) = 0;
};

// Headless runs: no window to compare in, so the comparison ends as cancelled (logged,
// answered on a later turn).
class LoggingConflictPresenter : public ConflictPresenter {
 public:
  void open(const std::string& rel, const std::filesystem::path& localURL, Completion completion) override;
};

}  // namespace quorvel
