#include "features/recognition/ScreenCaptureOCR.h"

#include <fstream>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "base/Task.h"
#include "core/Dialogs.h"
#include "features/recognition/OcrEngine.h"
#include "platform/ocr/TesseractPool.h"

namespace quorvel {

namespace {

std::string recognizeWith(const ScreenCaptureOCR::Recognizer& recognize, const std::string& pngPath) {
  if (!recognize) {
    logLine(tags::kScreenOcr, "识别失败：本机识别尚未接入");
    return "";
  }
  try {
    return recognize(pngPath);
  } catch (...) {
    logLine(tags::kScreenOcr, "识别失败：" + describe(std::current_exception()));
  }
  return "";
}

// One capture from the selection to the window. Holds copies of what it needs, so a
// reconfigured service does not change a run under way.
Task<void> runCapture(Dialogs& dialogs, WorkerPool& workers, ScreenCaptureOCR::Config config,
                      std::shared_ptr<int> running) {
  ++*running;
  struct Done {
    std::shared_ptr<int> running;
    ~Done() { --*running; }
  } done{running};

  // Removed when this run ends, whatever way it ends.
  std::unique_ptr<CaptureFile> file;
  try {
    file = CaptureFile::create();
  } catch (const AppError& e) {
    logLine(tags::kScreenOcr, "无法创建临时截图文件：" + e.message);
    co_return;
  }

  auto capture = captureScreenRegion(file->path(), config.capture);
  ScreenCaptureResult result = co_await capture;
  if (result.failedWith(errors::kCaptureCancelled)) co_return;
  if (result.failedWith(errors::kNoCaptureTool)) {
    logLine(tags::kScreenOcr, "没有可用的截图工具，已提示安装");
    dialogs.alert(kNoCaptureToolTitle, kNoCaptureToolText);
    co_return;
  }
  if (result.error) {
    // The user sees nothing; the log says which way failed.
    const std::string& why = result.error->message;
    logLine(tags::kScreenOcr,
            result.tool == "xdg-desktop-portal" ? "截图门户失败：" + why : result.tool + " 启动失败：" + why);
    co_return;
  }

  std::string path = file->path();
  auto analyze = onWorker(workers, [path, recognize = config.recognize]() -> std::optional<LegalOCRSignals> {
    // An unreadable capture ends the run quietly.
    if (!looksLikePng(path)) return std::nullopt;
    return extractSignals(recognizeWith(recognize, path));
  });
  std::optional<LegalOCRSignals> signals = co_await analyze;
  file.reset();
  if (!signals) co_return;
  if (config.present)
    config.present(*signals);
  else
    logLine(tags::kScreenOcr, "识别完成，但结果窗口尚未接入");
}

}  // namespace

ScreenCaptureOCR::Recognizer ScreenCaptureOCR::deviceRecognizer(TesseractPools& pools) {
  return [&pools](const std::string& pngPath) {
    return OcrEngine::textFromImageFile(pools, pngPath, TesseractPool::kAllChinese);
  };
}

bool looksLikePng(const std::string& path) {
  static constexpr unsigned char kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  std::ifstream in(path, std::ios::binary);
  unsigned char head[24] = {};
  if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
  if (!std::equal(std::begin(kSignature), std::end(kSignature), head)) return false;
  // IHDR: width and height, big-endian, right after the chunk header.
  auto be32 = [&](int at) {
    return (uint32_t(head[at]) << 24) | (uint32_t(head[at + 1]) << 16) | (uint32_t(head[at + 2]) << 8) |
           uint32_t(head[at + 3]);
  };
  return std::equal(head + 12, head + 16, "IHDR") && be32(16) > 0 && be32(20) > 0;
}

ScreenCaptureOCR::ScreenCaptureOCR(Dialogs& dialogs, WorkerPool& workers)
    : ScreenCaptureOCR(dialogs, workers, Config{}) {}

void ScreenCaptureOCR::captureAndAnalyze() {
  // The diagnostic modes never capture.
  if (config_.mode == AppMode::diagnostic) return;
  spawn(runCapture(dialogs_, workers_, config_, running_));
}

std::string ScreenCaptureOCR::recognizeTextWith(const Recognizer& recognize, const std::string& pngPath) {
  return recognizeWith(recognize, pngPath);
}

std::string ScreenCaptureOCR::recognizeText(const std::string& pngPath) const {
  return recognizeWith(config_.recognize, pngPath);
}

void ScreenCaptureOCR::presentResult(const LegalOCRSignals& signals) {
  if (config_.present) config_.present(signals);
}

}  // namespace quorvel
