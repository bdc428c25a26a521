#include "features/volume/PreviewPresenter.h"

#include <glib.h>

#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "platform/Desktop.h"

namespace quorvel {

void DesktopPreviewPresenter::preview(const std::filesystem::path& file) {
  GCharPtr uri(g_filename_to_uri(file.c_str(), nullptr, nullptr));
  if (uri) desktop_.openURI(uri.get());
}

std::unique_ptr<PreviewPresenter::Progress> DesktopPreviewPresenter::showProgress(const std::string& text) {
  logLine(tags::kPreview, text);
  return std::make_unique<Progress>();
}

}  // namespace quorvel
