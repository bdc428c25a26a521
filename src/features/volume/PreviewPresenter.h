#pragma once
// How a local file is shown and a long file operation announced: the ui implements
// it with its preview window and progress panel; without them (headless runs) the
// file opens in its default application and the progress is only logged.
#include <filesystem>
#include <memory>
#include <string>

namespace quorvel {

class PreviewPresenter {
 public:
  // Closes its panel when destroyed.
  class Progress {
   public:
    virtual ~Progress() = default;
  };
  virtual ~PreviewPresenter() = default;
  virtual void preview(const std::filesystem::path& file) = 0;
  virtual std::unique_ptr<Progress> showProgress(const std::string& text) = 0;
};

class Desktop;

class DesktopPreviewPresenter : public PreviewPresenter {
 public:
  explicit DesktopPreviewPresenter(Desktop& desktop) : desktop_(desktop) {}
  void preview(const std::filesystem::path& file) override;
  std::unique_ptr<Progress> showProgress(const std::string& text) override;

 private:
  Desktop& desktop_;
};

}  // namespace quorvel
