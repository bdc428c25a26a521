#pragma once
// The page of a tab as a PDF file the user chooses, and printing it through the
// print dialog with the print settings kept between prints.
#include <webkit/webkit.h>

#include <filesystem>
#include <string>

#include "base/GObjectPtr.h"
#include "base/Task.h"

namespace quorvel {

class Desktop;
class Dialogs;
class FilePanels;
class WorkerPool;

class PageExport {
 public:
  // Failures are told through `dialogs`, the file is asked for through `panels` and
  // shown through `desktop`; files are read and written on `workers`.
  PageExport(Dialogs& dialogs, FilePanels& panels, Desktop& desktop, WorkerPool& workers);
  PageExport(const PageExport&) = delete;
  PageExport& operator=(const PageExport&) = delete;

  // Renders the whole page as PDF, asks where to save it (PDF only, the tab title as
  // the proposed name), writes it and shows it in the file manager. Returns at once;
  // failures are shown in the "导出失败" alert. Nothing happens for a null view.
  void exportPDF(WebKitWebView* view, const std::string& suggestedName);
  // The same, awaitable (tests).
  Task<void> exportPDFTask(WebKitWebView* view, std::string suggestedName);

  // The print dialog for the page, with the kept print settings (fit to the page
  // width, pages as needed); the user's choices are kept for the next print.
  void printPage(WebKitWebView* view);

  // Once `operation` has printed to a PDF file (the file printer), the file's text is
  // made searchable (restoreIdeographText) on the workers, then
  // "[Quorvel][PRINT] 已打印到文件 <path>" is logged.
  void restoreTextWhenPrintedToFile(WebKitPrintOperation* operation);

  // The whole page as PDF bytes, through the engine's print operation into a file.
  // Throws AppError when the engine fails or takes longer than a minute.
  Task<std::string> renderPDF(WebKitWebView* view);

  // The kept print settings and the operation printPage runs with them; the choices
  // of a finished dialog go back into the kept settings.
  GtkPrintSettings* printSettings() const { return settings_.get(); }
  WebKitPrintOperation* newPrintOperation(WebKitWebView* view);
  void rememberPrintChoices(WebKitPrintOperation* operation);

 private:
  std::filesystem::path startFolder() const;

  Dialogs& dialogs_;
  FilePanels& panels_;
  Desktop& desktop_;
  WorkerPool& workers_;
  GObjectPtr<GtkPageSetup> pageSetup_;
  GObjectPtr<GtkPrintSettings> settings_;
  // The folder of the last export in this run.
  std::filesystem::path lastFolder_;
};

}  // namespace quorvel
