#pragma once
// The floating window that shows a screen recognition's result, and the follow-ups
// of its buttons: copying, opening the case list or the logistics page in the active
// tab, and the quick to-do. At most one is shown: a new result hides the previous
// one and takes its place.
#include <gtkmm/window.h>

#include <functional>
#include <memory>
#include <string>

#include "features/recognition/LegalOCRSignals.h"

namespace quorvel {

class BrowserModel;
class Dialogs;
class ScreenOCRResultView;
class WindowPlacement;

class ScreenOCRResultWindow {
 public:
  static constexpr const char* kTitle = "屏幕识别 · 案号 / 单号 / 日期智提";

  struct Hooks {
    // The workspace model whose active tab opens "/cases" and "/logistics".
    std::function<std::shared_ptr<BrowserModel>()> browser;
    // The quick to-do panel with the text filled in and no date; unset: the user is
    // told it is not available yet.
    std::function<void(const std::string& prefill)> showQuickCapture;
    // Brings the workspace window forward before a page opens in it; optional.
    std::function<void()> showMainWindow;
  };

  // What is not available is told through `dialogs`.
  ScreenOCRResultWindow(Dialogs& dialogs, Hooks hooks);
  ~ScreenOCRResultWindow();
  ScreenOCRResultWindow(const ScreenOCRResultWindow&) = delete;
  ScreenOCRResultWindow& operator=(const ScreenOCRResultWindow&) = delete;

  // Hides the window shown before and shows a new one for `signals` (main thread).
  void present(const LegalOCRSignals& signals);

  // The window and the view of the last result; nullptr before the first result.
  Gtk::Window* activeWindow() const { return window_.get(); }
  ScreenOCRResultView* activeView() const { return view_; }

  // What "复制" puts on the clipboard.
  static void copyText(const std::string& text);

 private:
  void makeWindow();

  Dialogs& dialogs_;
  void hide();
  void sectionAction(OCRSignalSection::Kind kind, const std::string& item);
  void openQuickCapture(const std::string& prefill);

  Hooks hooks_;
  std::unique_ptr<Gtk::Window> window_;
  std::unique_ptr<WindowPlacement> placement_;
  ScreenOCRResultView* view_ = nullptr;
};

}  // namespace quorvel
