#pragma once
// The page of a tab as a PDF file the user chooses, and printing it through the
// print dialog.
#include <webkit/webkit.h>

#include <string>

#include "base/Task.h"

namespace quorvel::PageExport {

// Renders the whole page as PDF, asks where to save it (PDF only, the tab title as
// the proposed name), writes it and shows it in the file manager. Returns at once;
// failures are shown in the "导出失败" alert. Nothing happens for a null view.
void exportPDF(WebKitWebView* view, const std::string& suggestedName);
// The same, awaitable (tests).
Task<void> exportPDFTask(WebKitWebView* view, std::string suggestedName);

// The print dialog for the page, with the shared print settings (fit to the page
// width, pages as needed); the user's choices are kept for the next print.
void printPage(WebKitWebView* view);

// The whole page as PDF bytes, through the engine's print operation into a file.
// Throws AppError when the engine fails or takes longer than a minute.
Task<std::string> renderPDF(WebKitWebView* view);

// Once `operation` has printed to a PDF file (the file printer), the file's text is
// made searchable (restoreIdeographText) off the main thread, then
// "[Quorvel][PRINT] 已打印到文件 <path>" is logged.
void restoreTextWhenPrintedToFile(WebKitPrintOperation* operation);

// The process-wide print settings and the operation printPage runs with them; the
// choices of a finished dialog go back into the shared settings.
GtkPrintSettings* sharedPrintSettings();
WebKitPrintOperation* newPrintOperation(WebKitWebView* view);
void rememberPrintChoices(WebKitPrintOperation* operation);

}  // namespace quorvel::PageExport
