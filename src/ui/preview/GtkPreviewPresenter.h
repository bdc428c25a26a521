#pragma once
// The ui's preview window and progress panel for the case-file actions.
#include "features/volume/PreviewPresenter.h"
#include "ui/preview/QuickLookPreviewer.h"

namespace quorvel {

class GtkPreviewPresenter : public PreviewPresenter {
 public:
  // Files the window does not show itself open through `desktop`.
  explicit GtkPreviewPresenter(Desktop& desktop) : previewer_(desktop) {}
  // The window comes back where it was left, through `defaults`.
  GtkPreviewPresenter(Desktop& desktop, UserDefaults& defaults) : previewer_(desktop) {
    previewer_.rememberFramesIn(defaults);
  }
  void preview(const std::filesystem::path& file) override;
  std::unique_ptr<Progress> showProgress(const std::string& text) override;

  // The one preview window.
  QuickLookPreviewer& previewer() { return previewer_; }

 private:
  QuickLookPreviewer previewer_;
};

}  // namespace quorvel
