#pragma once
// "快速预览": one window of ours that shows one local file — an image, the pages of
// a PDF (with page navigation), or plain text — and switches to the next file
// instead of opening a second window. Other types open in their default application.
#include <gtkmm.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "platform/pdf/PdfDocument.h"
#include "ui/windows/FrameKeeper.h"

namespace quorvel {

class Desktop;
class UserDefaults;
class LawSheetHeader;
class OpenFailureNote;

class QuickLookPreviewer {
 public:
  enum class Kind { image, pdf, text, other };

  // Types it does not show itself open through `desktop`.
  explicit QuickLookPreviewer(Desktop& desktop) : desktop_(desktop) {}
  // Where the window was left is kept under kFrameKey in `defaults` (unset: where the
  // window manager puts it). Before the first preview.
  void rememberFramesIn(UserDefaults& defaults) { defaults_ = &defaults; }
  static constexpr const char* kFrameKey = "floating.frame.preview";
  ~QuickLookPreviewer();
  QuickLookPreviewer(const QuickLookPreviewer&) = delete;
  QuickLookPreviewer& operator=(const QuickLookPreviewer&) = delete;

  // Main thread.
  void preview(const std::filesystem::path& file);
  const std::optional<std::filesystem::path>& current() const { return current_; }

  static Kind kindOf(const std::filesystem::path& file);
  // Plain text as UTF-8: the bytes when they are UTF-8, else read as GB18030.
  static std::string textAsUtf8(const std::string& bytes);

  // The window while it exists (tests and renders).
  Gtk::Window* window() const { return window_.get(); }
  Kind shownKind() const { return kind_; }
  int pageIndex() const { return page_; }
  int pageCount() const;
  void showPage(int index);
  // Forgets the window.
  void reset();

 private:
  void build();
  void showFile(const std::filesystem::path& file, Kind kind);
  void drawPage(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height);
  void updatePager();

  Desktop& desktop_;
  UserDefaults* defaults_ = nullptr;
  std::optional<std::filesystem::path> current_;
  Kind kind_ = Kind::other;
  std::unique_ptr<Gtk::Window> window_;
  std::unique_ptr<FrameKeeper> frame_;  // of window_, gone before it
  LawSheetHeader* header_ = nullptr;
  OpenFailureNote* openFailure_ = nullptr;  // why "用默认程序打开" did nothing
  Gtk::Stack* stack_ = nullptr;
  Gtk::Picture* picture_ = nullptr;
  Gtk::DrawingArea* pageArea_ = nullptr;
  Gtk::TextView* textView_ = nullptr;
  Gtk::Box* pager_ = nullptr;
  Gtk::Label* pageLabel_ = nullptr;
  Gtk::Button* prev_ = nullptr;
  Gtk::Button* next_ = nullptr;
  std::unique_ptr<PdfDocument> doc_;
  int page_ = 0;
};

}  // namespace quorvel
