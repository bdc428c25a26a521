#include "ui/preview/GtkPreviewPresenter.h"

#include "ui/preview/PreviewHUD.h"

namespace quorvel {
namespace {
class HudProgress : public PreviewPresenter::Progress {
 public:
  explicit HudProgress(const std::string& text) : hud_(text) {}

 private:
  PreviewHUD hud_;
};
}  // namespace

void GtkPreviewPresenter::preview(const std::filesystem::path& file) { previewer_.preview(file); }

std::unique_ptr<PreviewPresenter::Progress> GtkPreviewPresenter::showProgress(const std::string& text) {
  return std::make_unique<HudProgress>(text);
}

}  // namespace quorvel
