#pragma once
// Scanned documents made searchable on the device: the user picks PDFs or images;
// each page is rendered, recognised, and two files are written beside the input —
// a searchable PDF (the source pages unchanged, invisible text laid over them) and a
// UTF-8 text file. A progress window follows the run; an alert sums it up.
#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Task.h"
#include "base/Published.h"

namespace quorvel {

class Desktop;
class Dialogs;
class FilePanels;
class TesseractPools;
class WorkerPool;

class ScannerOCR {
 public:
  struct Result {
    std::filesystem::path input;
    int pages = 0;              // 0: the file could not be read
    std::string text;           // what went into the text file
    bool recognised = false;    // some page gave text (headings alone do not count)
    std::optional<std::filesystem::path> outputPDF;   // absent when not written
    std::optional<std::filesystem::path> outputText;  // absent when not written
  };

  // One run's progress, changed on the main thread only.
  class ProgressState {
   public:
    explicit ProgressState(int files) : total(files < 1 ? 1 : files) {}
    Published<int, ProgressState> current{0};                   // zero-based index of the file in hand
    Published<std::string, ProgressState> fileName{"准备中…"};  // its last path component
    const int total;

    // The run reached file `index` (the total: all done), named `name`.
    void moveTo(int index) { current.set(index); }
    void moveTo(int index, std::string name) {
      current.set(index);
      fileName.set(std::move(name));
    }
  };

  // Shows a run's progress window; the answer closes it. The window layer implements
  // it; without one the run only logs.
  class ProgressWindows {
   public:
    virtual ~ProgressWindows() = default;
    virtual std::function<void()> open(std::shared_ptr<ProgressState> state) = 0;
  };

  // Files are chosen through `panels`, the run is summed up through `dialogs` (its
  // first button shows the file through `desktop`), each file is recognised on
  // `workers` with engines of `pools`, and `windows` (may be null) shows the progress.
  // All of it outlives the runs.
  struct Services {
    Dialogs& dialogs;
    FilePanels& panels;
    Desktop& desktop;
    WorkerPool& workers;
    TesseractPools& pools;
    ProgressWindows* windows = nullptr;
  };
  explicit ScannerOCR(const Services& services) : services_(services) {}
  ScannerOCR(const ScannerOCR&) = delete;
  ScannerOCR& operator=(const ScannerOCR&) = delete;

  struct Summary {
    std::string message;      // "识别完成：N 个文件"
    std::string informative;  // the file lines, the failure line, the output line
    std::optional<std::filesystem::path> revealTarget;  // the first recognised input
  };

  // Shows the open panel; with at least one file chosen, runs them. Main thread.
  void pickAndRun();
  // Processes the files in order off the main thread with the progress window, then
  // shows the summary. Returns at once; `finished` (tests) gets the results after the
  // summary was shown.
  void run(std::vector<std::filesystem::path> files, std::function<void(const std::vector<Result>&)> finished = {});

  // One file, synchronously (PDF by its extension in any case, otherwise an image).
  static Result processFile(TesseractPools& pools, const std::filesystem::path& input);

  static std::filesystem::path textOutputPath(const std::filesystem::path& input);
  static std::filesystem::path pdfOutputPath(const std::filesystem::path& input);
  // Text-file content of a PDF: a section per rendered page, headed by its page number;
  // `pageTexts[i]` absent for a page that could not be rendered.
  static std::string pdfTextContent(const std::vector<std::optional<std::string>>& pageTexts);
  static Summary summarize(const std::vector<Result>& results);

 private:
  Services services_;
  // The panel's answer reaches the scanner only while it lives.
  TaskScope scope_;
};

}  // namespace quorvel
