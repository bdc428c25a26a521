#include "web/PageExport.h"
#include "base/FailureText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/Dialogs.h"
#include "core/FilePanels.h"
#include "web/rules/PdfNames.h"
#include "platform/Desktop.h"
#include "platform/XdgDirs.h"
#include "platform/pdf/SearchablePdf.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
constexpr unsigned kRenderTimeoutMs = 60000;
constexpr const char* kPrintErrorDomain = "WebKitPrintError";
constexpr const char* kFilePrinter = "Print to File";

// Fit to the page width: at 100 % the engine lays the page out at the paper's width
// and breaks it into as many pages as the content needs.
void applyPagination(GtkPrintSettings* settings) { gtk_print_settings_set_scale(settings, 100.0); }

std::string systemError(int code) { return failure::systemErrorText(code); }

// Bytes to `target` through a temporary file beside it and a rename.
void writeAtomically(const fs::path& target, const std::string& bytes) {
  std::string pattern = (target.parent_path() / ("." + target.filename().string() + ".XXXXXX")).string();
  int fd = ::mkstemp(pattern.data());
  if (fd < 0) throw AppError(errors::kFile, errno, systemError(errno));
  size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      int code = errno;
      ::close(fd);
      ::unlink(pattern.c_str());
      throw AppError(errors::kFile, code, systemError(code));
    }
    done += static_cast<size_t>(n);
  }
  ::fchmod(fd, 0644);
  if (::close(fd) != 0 || ::rename(pattern.c_str(), target.c_str()) != 0) {
    int code = errno;
    ::unlink(pattern.c_str());
    throw AppError(errors::kFile, code, systemError(code));
  }
}

std::string readAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The print operation's end: nothing, or the engine's error text.
struct RenderEnd {
  std::optional<AppError> error;
};

struct RenderState {
  CallbackAwaiter<RenderEnd>::Resolver resolve;
  std::optional<AppError> error;
};

// The engine's text map names some ideographs by their radical look-alikes; a PDF
// that keeps them cannot be searched for what it shows. A failure leaves the PDF as
// it is, said in the log.
void restoreText(const fs::path& pdf) {
  int repaired = 0;
  auto restored = restoreIdeographText(pdf, &repaired);
  if (!restored.ok())
    logLine(tags::kPdf, "文字层未能修正（" + pdf.filename().string() + "）：" + restored.error().message, LogLevel::warning);
}

// The file a finished print went to, when the file printer wrote a PDF.
std::optional<fs::path> printedPdf(GtkPrintSettings* settings) {
  if (!settings) return std::nullopt;
  const char* printer = gtk_print_settings_get_printer(settings);
  const char* format = gtk_print_settings_get(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT);
  const char* uri = gtk_print_settings_get(settings, GTK_PRINT_SETTINGS_OUTPUT_URI);
  if (!printer || !uri || std::string(printer) != g_dgettext("gtk40", kFilePrinter)) return std::nullopt;
  if (format && g_ascii_strcasecmp(format, "pdf") != 0) return std::nullopt;
  GCharPtr path(g_filename_from_uri(uri, nullptr, nullptr));
  if (!path) return std::nullopt;
  return fs::path(path.get());
}

void connectShared(WebKitPrintOperation* op, const char* signal, GCallback cb, std::shared_ptr<RenderState> state) {
  g_signal_connect_data(op, signal, cb, new std::shared_ptr<RenderState>(std::move(state)),
                        [](gpointer data, GClosure*) { delete static_cast<std::shared_ptr<RenderState>*>(data); },
                        GConnectFlags(0));
}
}  // namespace

PageExport::PageExport(Dialogs& dialogs, FilePanels& panels, Desktop& desktop, WorkerPool& workers)
    : dialogs_(dialogs),
      panels_(panels),
      desktop_(desktop),
      workers_(workers),
      pageSetup_(GObjectPtr<GtkPageSetup>::adopt(gtk_page_setup_new())),
      settings_(GObjectPtr<GtkPrintSettings>::adopt(gtk_print_settings_new())) {}

// The folder of the last export in this run, else the documents folder.
fs::path PageExport::startFolder() const {
  std::error_code ec;
  if (!lastFolder_.empty() && fs::is_directory(lastFolder_, ec)) return lastFolder_;
  fs::path docs = xdg::documentsDir();
  return fs::is_directory(docs, ec) ? docs : xdg::home();
}

WebKitPrintOperation* PageExport::newPrintOperation(WebKitWebView* view) {
  applyPagination(settings_.get());
  WebKitPrintOperation* op = webkit_print_operation_new(view);
  webkit_print_operation_set_print_settings(op, settings_.get());
  webkit_print_operation_set_page_setup(op, pageSetup_.get());
  return op;
}

void PageExport::rememberPrintChoices(WebKitPrintOperation* operation) {
  GtkPrintSettings* chosen = webkit_print_operation_get_print_settings(operation);
  if (chosen && chosen != settings_.get()) settings_ = GObjectPtr<GtkPrintSettings>::adopt(gtk_print_settings_copy(chosen));
  GtkPageSetup* setup = webkit_print_operation_get_page_setup(operation);
  if (setup && setup != pageSetup_.get()) pageSetup_ = GObjectPtr<GtkPageSetup>::adopt(gtk_page_setup_copy(setup));
  applyPagination(settings_.get());
}

Task<std::string> PageExport::renderPDF(WebKitWebView* webView) {
  auto view = GObjectPtr<WebKitWebView>::retain(webView);
  GErrorPtr err;
  gchar* name = nullptr;
  int fd = g_file_open_tmp("quorvel-export-XXXXXX.pdf", &name, err.out());
  if (fd < 0) throw AppError(errors::kFile, err ? err.get()->code : 0, err ? err.message() : "无法创建临时文件");
  ::close(fd);
  const fs::path temp = name;
  g_free(name);
  struct Remove {
    fs::path p;
    ~Remove() { ::unlink(p.c_str()); }
  } remove{temp};

  GCharPtr uri(g_filename_to_uri(temp.c_str(), nullptr, nullptr));
  auto settings = GObjectPtr<GtkPrintSettings>::adopt(gtk_print_settings_new());
  // The file printer's name is translated with the toolkit's own catalogue.
  gtk_print_settings_set_printer(settings, g_dgettext("gtk40", kFilePrinter));
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_FILE_FORMAT, "pdf");
  gtk_print_settings_set(settings, GTK_PRINT_SETTINGS_OUTPUT_URI, uri.get());
  applyPagination(settings);
  auto op = GObjectPtr<WebKitPrintOperation>::adopt(webkit_print_operation_new(view));
  webkit_print_operation_set_print_settings(op, settings);

  CallbackAwaiter<RenderEnd> printing([op](CallbackAwaiter<RenderEnd>::Resolver resolve) {
    auto state = std::make_shared<RenderState>();
    state->resolve = resolve;
    connectShared(op, "failed",
                  G_CALLBACK(+[](WebKitPrintOperation*, GError* e, gpointer data) {
                    auto& s = *static_cast<std::shared_ptr<RenderState>*>(data);
                    if (e) s->error = AppError(kPrintErrorDomain, e->code, e->message);
                  }),
                  state);
    connectShared(op, "finished",
                  G_CALLBACK(+[](WebKitPrintOperation*, gpointer data) {
                    auto s = *static_cast<std::shared_ptr<RenderState>*>(data);
                    s->resolve(RenderEnd{s->error});
                  }),
                  state);
    postToMainAfter(kRenderTimeoutMs, [resolve] {
      resolve(RenderEnd{AppError(kPrintErrorDomain, 0, "生成 PDF 超时")});
    });
    webkit_print_operation_print(op);
  });
  RenderEnd end = co_await printing;
  if (end.error) throw *end.error;
  auto reading = onWorker(workers_, [temp] {
    restoreText(temp);
    return readAll(temp);
  });
  std::string pdf = co_await reading;
  if (pdf.compare(0, 5, "%PDF-") != 0) throw AppError(kPrintErrorDomain, 0, "生成的文件不是 PDF");
  co_return pdf;
}

Task<void> PageExport::exportPDFTask(WebKitWebView* webView, std::string suggestedName) {
  auto view = GObjectPtr<WebKitWebView>::retain(webView);
  std::string pdf;
  try {
    auto rendering = renderPDF(view);
    pdf = co_await rendering;
  } catch (const AppError& e) {
    dialogs_.alert("导出失败", e.message, {"好"});
    co_return;
  }

  FilePanels::SaveQuestion question{"导出当前页 PDF", suggestedPDFName(suggestedName), "PDF 文档", "application/pdf",
                                    "*.pdf", startFolder()};
  auto asking = askSaveFile(panels_, std::move(question));
  std::optional<fs::path> chosen = co_await asking;
  if (!chosen || chosen->empty()) co_return;
  const fs::path target = withPDFExtension(*chosen);

  try {
    auto writing = onWorker(workers_, [target, pdf] { writeAtomically(target, pdf); });
    co_await writing;
  } catch (const AppError& e) {
    dialogs_.alert("导出失败", e.message, {"好"});
    co_return;
  }
  lastFolder_ = target.parent_path();
  logLine(tags::kPdf, "已导出 " + target.string() + " (" + std::to_string(pdf.size()) + " 字节)");
  desktop_.revealFile(target);
}

void PageExport::exportPDF(WebKitWebView* view, const std::string& suggestedName) {
  if (!view) return;
  spawn(exportPDFTask(view, suggestedName));
}

void PageExport::restoreTextWhenPrintedToFile(WebKitPrintOperation* operation) {
  // The workers outlive the export service and with it any print it started.
  g_signal_connect(operation, "finished", G_CALLBACK(+[](WebKitPrintOperation* op, gpointer workers) {
                     auto pdf = printedPdf(webkit_print_operation_get_print_settings(op));
                     if (!pdf) return;
                     // Written by now; rewritten off the main thread.
                     spawn([](WorkerPool& pool, fs::path file) -> Task<void> {
                       auto fixing = onWorker(pool, [file] { restoreText(file); });
                       co_await fixing;
                       logLine(tags::kPrint, "已打印到文件 " + file.string());
                     }(*static_cast<WorkerPool*>(workers), *pdf));
                   }),
                   &workers_);
}

void PageExport::printPage(WebKitWebView* view) {
  if (!view) return;
  WebKitPrintOperation* op = newPrintOperation(view);
  GtkRoot* root = gtk_widget_get_root(GTK_WIDGET(view));
  GtkWindow* parent = root && GTK_IS_WINDOW(root) ? GTK_WINDOW(root) : nullptr;
  WebKitPrintOperationResponse response = webkit_print_operation_run_dialog(op, parent);
  logLine(tags::kPrint, "已打开打印面板");
  if (response == WEBKIT_PRINT_OPERATION_RESPONSE_PRINT) {
    rememberPrintChoices(op);
    restoreTextWhenPrintedToFile(op);
  }
  // A running job holds the operation itself until it ends.
  g_object_unref(op);
}

}  // namespace quorvel
