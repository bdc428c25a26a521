#pragma once
// Interactive capture of a screen region the user frames: the desktop portal's
// screenshot interface first, else the first capture tool found on PATH
// (gnome-screenshot, maim, grim with slurp). Everything is awaited on the main
// context; nothing blocks it.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/AppError.h"
#include "base/Task.h"

namespace quorvel {

// A temporary PNG in the user's temporary folder, named "quorvel-ocr-" + an
// upper-case UUID + ".png", created empty and private (0600, never through a link),
// and removed when the owner lets go of it.
class CaptureFile {
 public:
  // Throws AppError (errors::kFile, errno) when the file could not be created.
  static std::unique_ptr<CaptureFile> create();
  ~CaptureFile();
  CaptureFile(const CaptureFile&) = delete;
  CaptureFile& operator=(const CaptureFile&) = delete;

  const std::string& path() const { return path_; }
  // True once something was written into it.
  bool hasContent() const;

 private:
  explicit CaptureFile(std::string path) : path_(std::move(path)) {}
  std::string path_;
};

enum class CaptureTool { gnomeScreenshot, maim, grimSlurp };

// The tools on PATH in the order they are tried. In a Wayland session grim with
// slurp comes before maim, which sees only X11 windows.
std::vector<CaptureTool> installedCaptureTools();
std::string captureToolName(CaptureTool tool);

// No error: the region is in the file. Otherwise errors::kScreenCapture with
// kCaptureCancelled (the user ended the selection: Escape, right click, the portal's
// cancel), kNoCaptureTool (no portal answered and no tool is installed) or
// kCaptureFailed (a tool could not be started or the portal failed; the message says
// why, for the log).
struct ScreenCaptureResult {
  std::optional<AppError> error;
  std::string tool;  // what was used: "xdg-desktop-portal", "maim", …
  bool ok() const { return !error; }
  bool failedWith(int code) const { return error && error->code == code; }
};

struct ScreenCaptureOptions {
  bool usePortal = true;
  // The portal's own method call (it may be started by the bus first).
  unsigned portalCallTimeoutMs = 10000;
  // The user's selection behind the portal; afterwards the request is closed.
  unsigned portalResponseTimeoutMs = 180000;
};

// Lets the user frame a region and writes it as PNG into `pngPath` (an existing,
// empty file such as a CaptureFile). The portal's own file is moved there.
Task<ScreenCaptureResult> captureScreenRegion(std::string pngPath, ScreenCaptureOptions options = {});

// The message shown when there is no way to capture: what to install.
inline constexpr const char* kNoCaptureToolTitle = "无法框选屏幕";
inline constexpr const char* kNoCaptureToolText =
    "没有找到可用的截图方式。请安装以下任意一种后重试：\n"
    "· 桌面截图门户 xdg-desktop-portal（GNOME / KDE 桌面通常已自带）\n"
    "· gnome-screenshot\n"
    "· maim（X11 桌面）\n"
    "· grim 与 slurp（Wayland 桌面）\n"
    "例如：sudo apt install maim";

}  // namespace quorvel
