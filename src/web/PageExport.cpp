#include "web/PageExport.h"

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

namespace quorvel::PageExport {
namespace fs = std::filesystem;

namespace {
constexpr unsigned kRenderTimeoutMs = 60000;
constexpr const char* kPrintErrorDomain = "WebKitPrintError";
constexpr const char* kFilePrinter = "Print to File";

// Fit to the page width: at 100 % the engine lays the page out at the paper's width
// and breaks it into as many pages as the content needs.
void applyPagination(GtkPrintSettings* settings) { gtk_print_settings_set_scale(settings, 100.0); }

GtkPageSetup*& sharedPageSetup() {
  static GtkPageSetup* setup = gtk_page_setup_new();
  return setup;
}

GtkPrintSettings*& sharedSettingsSlot() {
  static GtkPrintSettings* settings = gtk_print_settings_new();
  return settings;
}

std::string systemError(int code) { return g_strerror(code); }

// The folder of the last export in this run, else the documents folder.
fs::path& lastFolder() {
  static fs::path folder;
  return folder;
}

fs::path startFolder() {
  std::error_code ec;
  if (!lastFolder().empty() && fs::is_directory(lastFolder(), ec)) return lastFolder();
  fs::path docs = xdg::documentsDir();
  return fs::is_directory(docs, ec) ? docs : xdg::home();
}

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
  std::string error = restoreIdeographText(pdf, &repaired);
  if (!error.empty())
    logLine(tags::kPdf, "文字层未能修正（" + pdf.filename().string() + "）：" + error, LogLevel::warning);
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

GtkPrintSettings* sharedPrintSettings() { return sharedSettingsSlot(); }

WebKitPrintOperation* newPrintOperation(WebKitWebView* view) {
  applyPagination(sharedPrintSettings());
  WebKitPrintOperation* op = webkit_print_operation_new(view);
  webkit_print_operation_set_print_settings(op, sharedPrintSettings());
  webkit_print_operation_set_page_setup(op, sharedPageSetup());
  return op;
}

void rememberPrintChoices(WebKitPrintOperation* operation) {
  GtkPrintSettings* chosen = webkit_print_operation_get_print_settings(operation);
  if (chosen && chosen != sharedSettingsSlot()) {
    GtkPrintSettings* copy = gtk_print_settings_copy(chosen);
    g_object_unref(sharedSettingsSlot());
    sharedSettingsSlot() = copy;
  }
  GtkPageSetup* setup = webkit_print_operation_get_page_setup(operation);
  if (setup && setup != sharedPageSetup()) {
    GtkPageSetup* copy = gtk_page_setup_copy(setup);
    g_object_unref(sharedPageSetup());
    sharedPageSetup() = copy;
  }
  applyPagination(sharedSettingsSlot());
}

Task<std::string> renderPDF(WebKitWebView* webView) {
  auto view = GObjectPtr<WebKitWebView>::retain(webView);
  GErrorPtr err;
  gchar* name = nullptr;
  int fd = g_file_open_tmp("quorvel-export-XXXXXX.pdf", &name, err.out());
  if (fd < 0) throw AppError(errors::kFile, err ? err.get()->code : 0, err ? err.get()->message : "无法创建临时文件");
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
  auto reading = runInBackground([temp] {
    restoreText(temp);
    return readAll(temp);
  });
  std::string pdf = co_await reading;
  if (pdf.compare(0, 5, "%PDF-") != 0) throw AppError(kPrintErrorDomain, 0, "生成的文件不是 PDF");
  co_return pdf;
}

Task<void> exportPDFTask(WebKitWebView* webView, std::string suggestedName) {
  auto view = GObjectPtr<WebKitWebView>::retain(webView);
  std::string pdf;
  try {
    auto rendering = renderPDF(view);
    pdf = co_await rendering;
  } catch (const AppError& e) {
    Dialogs::shared().alert("导出失败", e.message, {"好"});
    co_return;
  }

  FilePanels::SaveQuestion question{"导出当前页 PDF", suggestedPDFName(suggestedName), "PDF 文档", "application/pdf",
                                    "*.pdf", startFolder()};
  CallbackAwaiter<std::optional<fs::path>> asking(
      [question](CallbackAwaiter<std::optional<fs::path>>::Resolver resolve) {
        FilePanels::shared().askSaveFile(question, resolve);
      });
  std::optional<fs::path> chosen = co_await asking;
  if (!chosen || chosen->empty()) co_return;
  const fs::path target = withPDFExtension(*chosen);

  try {
    auto writing = runInBackground([target, pdf] { writeAtomically(target, pdf); });
    co_await writing;
  } catch (const AppError& e) {
    Dialogs::shared().alert("导出失败", e.message, {"好"});
    co_return;
  }
  lastFolder() = target.parent_path();
  logLine(tags::kPdf, "已导出 " + target.string() + " (" + std::to_string(pdf.size()) + " 字节)");
  Desktop::shared().revealFile(target);
}

void exportPDF(WebKitWebView* view, const std::string& suggestedName) {
  if (!view) return;
  spawn(exportPDFTask(view, suggestedName));
}

void restoreTextWhenPrintedToFile(WebKitPrintOperation* operation) {
  g_signal_connect(operation, "finished", G_CALLBACK(+[](WebKitPrintOperation* op, gpointer) {
                     auto pdf = printedPdf(webkit_print_operation_get_print_settings(op));
                     if (!pdf) return;
                     // Written by now; rewritten off the main thread.
                     spawn([](fs::path file) -> Task<void> {
                       auto fixing = runInBackground([file] { restoreText(file); });
                       co_await fixing;
                       logLine(tags::kPrint, "已打印到文件 " + file.string());
                     }(*pdf));
                   }),
                   nullptr);
}

void printPage(WebKitWebView* view) {
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

}  // namespace quorvel::PageExport
