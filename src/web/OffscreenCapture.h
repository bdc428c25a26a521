#pragma once
// One page loaded where the user never sees it, settled, optionally poked by a
// script, measured, enlarged to its height and photographed. The caller gets exactly
// one answer, at the latest when the time-out fires, while the captures' owner
// (OffscreenCaptures) exists.
#include <gdk/gdk.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/GObjectPtr.h"
#include "base/Task.h"

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

  // An image's PNG bytes, or nothing.
  static std::optional<std::string> pngData(GdkTexture* image);

  ~OffscreenCapture();

  struct Impl;

 private:
  friend class OffscreenCaptures;
  OffscreenCapture();
  std::unique_ptr<Impl> d_;
};

// The captures one owner has running, each kept until it answers. Captures still
// running when the owner goes are ended without an answer. Main thread only.
class OffscreenCaptures {
 public:
  OffscreenCaptures() = default;
  ~OffscreenCaptures();
  OffscreenCaptures(const OffscreenCaptures&) = delete;
  OffscreenCaptures& operator=(const OffscreenCaptures&) = delete;

  void capture(const std::string& url, double settle, double timeout, std::optional<std::string> preJS,
               OffscreenCapture::Completion completion);
  // The same with an HTML text and no base address (used where no page is served).
  void captureHtml(const std::string& html, double settle, double timeout, std::optional<std::string> preJS,
                   OffscreenCapture::Completion completion);
  // Captures still running.
  std::size_t activeCount() const { return active_.size(); }

 private:
  void launch(std::optional<std::string> url, std::optional<std::string> html, double settle, double timeout,
              std::optional<std::string> preJS, OffscreenCapture::Completion completion);

  std::vector<std::shared_ptr<OffscreenCapture>> active_;
  // A capture's answer reaches its owner only while it lives.
  TaskScope scope_;
};

}  // namespace quorvel
