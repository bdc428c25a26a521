#pragma once
// "扫描 / 粘贴…": a small menu that brings a paper document in from a scanner (SANE)
// or from the clipboard (a PDF or an image) as a new file in the download folder.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>
#include <gtkmm/popover.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "base/Async.h"
#include "base/GLibPtr.h"
#include "base/Task.h"

namespace quorvel {

class Scanner;
class WorkerPool;

class ScanImportButton : public Gtk::Box {
 public:
  enum class Source { scanner, clipboard };

  // Pages come from `scanner`, pasted files are written on `workers`; both outlive the
  // button's work. `onReceivedFile` runs once per saved file; `onStatus` gets progress
  // and failure texts for the caller's status line.
  ScanImportButton(Scanner& scanner, WorkerPool& workers,
                   std::function<void(const std::filesystem::path&, Source)> onReceivedFile,
                   std::function<void(const std::string&)> onStatus);
  ~ScanImportButton() override;

  // The menu's two entries, as the click on them runs them.
  void scanFromScanner();
  void pasteFromClipboard();
  bool scanning() const { return scanning_; }

  Gtk::Button& button() { return button_; }
  Gtk::Popover& popover() { return popover_; }
  Gtk::Button& scanItem() { return scanItem_; }
  Gtk::Button& pasteItem() { return pasteItem_; }
  Gtk::Label& scanHint() { return scanHint_; }

  // The file-name stems of the two sources, before the time stamp.
  static constexpr const char* kScannerStem = "扫描仪扫描-";
  static constexpr const char* kClipboardStem = "剪贴板扫描-";

 private:
  void openMenu();
  void refreshItems();
  Task<void> runScan();
  void runPaste();

  Scanner& scanner_;
  WorkerPool& workers_;
  std::function<void(const std::filesystem::path&, Source)> onReceivedFile_;
  std::function<void(const std::string&)> onStatus_;
  Gtk::Button button_;
  Gtk::Popover popover_;
  Gtk::Box menu_;
  Gtk::Button scanItem_;
  Gtk::Label scanHint_;
  Gtk::Button pasteItem_;
  Gtk::Label pasteHint_;
  bool scanning_ = false;
  Cancellable scanCancel_;
  ScopedConnection scannerState_;
  TaskScope scope_;
};

}  // namespace quorvel
