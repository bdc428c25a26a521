#pragma once
// Downloads of the tabs' pages: where each goes (a case file to its place on the
// case volume, anything else to the download folder under a safe, unused name),
// removing what a failed download left, and showing the finished file.
#include <webkit/webkit.h>

#include "base/GLibPtr.h"

namespace quorvel {

class WebEngine;

class Downloads {
 public:
  explicit Downloads(WebEngine& engine);
  Downloads(const Downloads&) = delete;
  Downloads& operator=(const Downloads&) = delete;

 private:
  void onStarted(WebKitDownload* download);

  WebEngine& engine_;
  SignalHandler started_;
};

}  // namespace quorvel
