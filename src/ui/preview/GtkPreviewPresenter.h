#pragma once
// The ui's preview window and progress panel for the case-file actions. The
// composition root installs one (Installed<PreviewPresenter>).
#include "features/volume/PreviewPresenter.h"

namespace quorvel {

class GtkPreviewPresenter : public PreviewPresenter {
 public:
  void preview(const std::filesystem::path& file) override;
  std::unique_ptr<Progress> showProgress(const std::string& text) override;
};

}  // namespace quorvel
