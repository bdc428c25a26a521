#include "features/volume/PreviewPresenter.h"

#include <glib.h>

#include "base/GLibPtr.h"
#include "base/Installed.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "platform/Desktop.h"

namespace quorvel {

PreviewPresenter& PreviewPresenter::shared() {
  if (auto* p = Installed<PreviewPresenter>::get()) return *p;
  static DesktopPreviewPresenter fallback;
  return fallback;
}

void DesktopPreviewPresenter::preview(const std::filesystem::path& file) {
  GCharPtr uri(g_filename_to_uri(file.c_str(), nullptr, nullptr));
  if (uri) Desktop::shared().openURI(uri.get());
}

std::unique_ptr<PreviewPresenter::Progress> DesktopPreviewPresenter::showProgress(const std::string& text) {
  logLine(tags::kPreview, text);
  return std::make_unique<Progress>();
}

}  // namespace quorvel
