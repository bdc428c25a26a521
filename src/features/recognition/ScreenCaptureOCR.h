#pragma once
// Recognition of a screen region the user frames: capture, recognition off the main
// thread, the signals a law office acts on, and the result window on the main loop.
// The menu command, the top bar's button, the tray panel and the hot key all call
// captureAndAnalyze().
#include <functional>
#include <string>

#include "core/AppMode.h"
#include "features/recognition/LegalOCRSignals.h"
#include "platform/ScreenCapture.h"

namespace quorvel {

class Dialogs;
class TesseractPools;
class WorkerPool;

class ScreenCaptureOCR {
 public:
  // Reads the text in a PNG file, one recognised line per line; "" when nothing could
  // be read. Called off the main thread.
  using Recognizer = std::function<std::string(const std::string& pngPath)>;
  // Shows the result (the result window); called on the main thread.
  using Presenter = std::function<void(const LegalOCRSignals&)>;

  struct Config {
    AppMode mode = AppMode::normal;  // diagnostic: captureAndAnalyze() does nothing
    Recognizer recognize;            // none: nothing is recognised (logged)
    Presenter present;
    ScreenCaptureOptions capture;
  };

  // A missing capture tool is told through `dialogs`; recognition runs on `workers`.
  ScreenCaptureOCR(Dialogs& dialogs, WorkerPool& workers, Config config)
      : dialogs_(dialogs), workers_(workers), config_(std::move(config)) {}
  ScreenCaptureOCR(Dialogs& dialogs, WorkerPool& workers);
  ScreenCaptureOCR(const ScreenCaptureOCR&) = delete;
  ScreenCaptureOCR& operator=(const ScreenCaptureOCR&) = delete;

  // The device's recognition of a screen region's PNG file with engines of `pools`:
  // simplified and traditional Chinese and English, since a region may show either
  // script. Any thread; the pools outlive the recogniser.
  static Recognizer deviceRecognizer(TesseractPools& pools);

  // Set by the owner once the result window exists.
  void configure(Config config) { config_ = std::move(config); }
  const Config& config() const { return config_; }

  // Starts one interactive capture and returns at once. The user's selection, the
  // recognition and the window follow on later turns; a cancelled selection ends
  // without a word.
  void captureAndAnalyze();

  // The recognised text of a PNG file, trimmed per line as the recogniser gives it;
  // "" (and a log line) when there is no recogniser or it failed. Any thread.
  std::string recognizeText(const std::string& pngPath) const;
  // The same with a recogniser copied from config() on the main thread, for work
  // that must not read the configuration from another thread.
  static std::string recognizeTextWith(const Recognizer& recognize, const std::string& pngPath);
  // Text to signals; any thread.
  static LegalOCRSignals extractSignals(const std::string& text) { return quorvel::extractSignals(text); }
  // Hands the signals to the presenter; main thread.
  void presentResult(const LegalOCRSignals& signals);

  // Captures started and not yet ended (tests).
  int runningCaptures() const { return *running_; }

 private:
  Dialogs& dialogs_;
  WorkerPool& workers_;
  Config config_;
  std::shared_ptr<int> running_ = std::make_shared<int>(0);
};

// True when the file starts as a PNG image with a non-empty size.
bool looksLikePng(const std::string& path);

}  // namespace quorvel
