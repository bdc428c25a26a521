#pragma once
// One page loaded where the user never sees it, settled, optionally poked by a
// script, measured, enlarged to its height and photographed. The caller always
// gets exactly one answer, at the latest when the time-out fires.
#include <gdk/gdk.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "base/GObjectPtr.h"

namespace quorvel {

class OffscreenCapture : public std::enable_shared_from_this<OffscreenCapture> {
 public:
  // The image (none on failure) and the page text; on any outcome but "ok" the text
  // ends with "\n[<reason>]".
  using Completion = std::function<void(GObjectPtr<GdkTexture> image, std::string text)>;

  static constexpr int kWidth = 1280;
  static constexpr int kHeight = 900;
  static constexpr int kMaxHeight = 4000;
  static constexpr const char* kUserAgent =
      "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_15_7) AppleWebKit/605.1.15 (KHTML, like Gecko) "
      "Version/17.0 Safari/605.1.15";

  // Main thread only.
  static void capture(const std::string& url, double settle, double timeout, std::optional<std::string> preJS,
                      Completion completion);
  // The same with an HTML text and no base address (used where no page is served).
  static void captureHtml(const std::string& html, double settle, double timeout, std::optional<std::string> preJS,
                          Completion completion);
  // Captures still running.
  static std::size_t activeCount();
  // An image's PNG bytes, or nothing.
  static std::optional<std::string> pngData(GdkTexture* image);

  ~OffscreenCapture();

  struct Impl;

 private:
  OffscreenCapture();
  static void launch(std::optional<std::string> url, std::optional<std::string> html, double settle, double timeout,
                     std::optional<std::string> preJS, Completion completion);
  std::unique_ptr<Impl> d_;
};

}  // namespace quorvel
