#include "ui/editing/ScanImportButton.h"

#include <gdk/gdk.h>
#include <gtkmm/separator.h>

#include <chrono>
#include <cmath>

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/AppConfig.h"
#include "platform/Scanner.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/editing/QuickArchiveStyle.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {

// What the clipboard offers, in the order the import prefers it.
enum class ClipKind { none, pdf, png, image };

ClipKind clipKind(GdkClipboard* clipboard) {
  GdkContentFormats* formats = gdk_clipboard_get_formats(clipboard);
  if (!formats) return ClipKind::none;
  if (gdk_content_formats_contain_mime_type(formats, "application/pdf")) return ClipKind::pdf;
  if (gdk_content_formats_contain_mime_type(formats, "image/png")) return ClipKind::png;
  GdkContentFormats* deserializable = gdk_content_formats_union_deserialize_gtypes(gdk_content_formats_ref(formats));
  bool image = gdk_content_formats_contain_gtype(deserializable, GDK_TYPE_TEXTURE);
  gdk_content_formats_unref(deserializable);
  return image ? ClipKind::image : ClipKind::none;
}

std::string bytesText(GBytes* bytes) {
  if (!bytes) return {};
  gsize n = 0;
  const char* data = static_cast<const char*>(g_bytes_get_data(bytes, &n));
  return std::string(data ? data : "", n);
}

// The whole content of one clipboard type.
Task<std::string> readClipboardBytes(GdkClipboard* clipboard, const char* mime) {
  const char* mimes[] = {mime, nullptr};
  auto open = asyncCall<GInputStream*>(
      [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        gdk_clipboard_read_async(clipboard, mimes, G_PRIORITY_DEFAULT, c, cb, data);
      },
      [](GObject* src, GAsyncResult* res, GError** error) {
        return gdk_clipboard_read_finish(GDK_CLIPBOARD(src), res, nullptr, error);
      });
  auto input = GObjectPtr<GInputStream>::adopt(co_await open);
  auto memory = GObjectPtr<GOutputStream>::adopt(g_memory_output_stream_new_resizable());
  auto splice = asyncCall<gssize>(
      [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        g_output_stream_splice_async(
            memory.get(), input.get(),
            GOutputStreamSpliceFlags(G_OUTPUT_STREAM_SPLICE_CLOSE_SOURCE | G_OUTPUT_STREAM_SPLICE_CLOSE_TARGET),
            G_PRIORITY_DEFAULT, c, cb, data);
      },
      [](GObject* src, GAsyncResult* res, GError** error) {
        return g_output_stream_splice_finish(G_OUTPUT_STREAM(src), res, error);
      });
  co_await splice;
  GBytes* bytes = g_memory_output_stream_steal_as_bytes(G_MEMORY_OUTPUT_STREAM(memory.get()));
  std::string out = bytesText(bytes);
  g_bytes_unref(bytes);
  co_return out;
}

// Any other image, as PNG bytes.
Task<std::string> readClipboardImageAsPng(GdkClipboard* clipboard) {
  auto read = asyncCall<GdkTexture*>(
      [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        gdk_clipboard_read_texture_async(clipboard, c, cb, data);
      },
      [](GObject* src, GAsyncResult* res, GError** error) {
        return gdk_clipboard_read_texture_finish(GDK_CLIPBOARD(src), res, error);
      });
  auto texture = GObjectPtr<GdkTexture>::adopt(co_await read);
  if (!texture) co_return std::string();
  GBytes* png = gdk_texture_save_to_png_bytes(texture.get());
  std::string out = bytesText(png);
  if (png) g_bytes_unref(png);
  co_return out;
}

Gtk::Label* hintLabel(Gtk::Label& l) {
  l.add_css_class("law-archive-menu-hint");
  l.set_xalign(0);
  l.set_wrap(true);
  l.set_max_width_chars(26);
  return &l;
}

}  // namespace

ScanImportButton::ScanImportButton(Scanner& scanner, WorkerPool& workers,
                                   std::function<void(const fs::path&, Source)> onReceivedFile,
                                   std::function<void(const std::string&)> onStatus)
    : Gtk::Box(Gtk::Orientation::HORIZONTAL, 0),
      scanner_(scanner),
      workers_(workers),
      onReceivedFile_(std::move(onReceivedFile)),
      onStatus_(std::move(onStatus)),
      menu_(Gtk::Orientation::VERTICAL, 2) {
  installQuickArchiveStyle();
  LawSecondaryButtonStyle{true}.apply(button_);
  setLawButtonLabel(button_, "扫描 / 粘贴…", std::nullopt, 11.5);
  button_.set_tooltip_text("从扫描仪扫描文稿，或导入剪贴板中的扫描件与图片");
  button_.signal_clicked().connect([this] { openMenu(); });
  lawHandCursor(button_, true);
  append(button_);

  auto* title = Gtk::make_managed<Gtk::Label>("导入扫描件");
  title->add_css_class("law-archive-menu-title");
  title->set_xalign(0);
  menu_.append(*title);
  for (auto* item : {&scanItem_, &pasteItem_}) {
    item->add_css_class("law-archive-menu-item");
    item->set_has_frame(false);
    lawHandCursor(*item, true);
  }
  scanItem_.set_label("从扫描仪扫描…");
  pasteItem_.set_label("粘贴剪贴板中的扫描件或图片");
  for (auto* item : {&scanItem_, &pasteItem_})
    if (auto* l = dynamic_cast<Gtk::Label*>(item->get_child())) l->set_xalign(0);
  scanItem_.signal_clicked().connect([this] {
    popover_.popdown();
    if (scanning_) scanCancel_.cancel();
    else scanFromScanner();
  });
  pasteItem_.signal_clicked().connect([this] {
    popover_.popdown();
    pasteFromClipboard();
  });
  menu_.append(scanItem_);
  menu_.append(*hintLabel(scanHint_));
  auto* sep = Gtk::make_managed<Gtk::Separator>();
  sep->add_css_class("law-archive-menu-separator");
  menu_.append(*sep);
  menu_.append(pasteItem_);
  menu_.append(*hintLabel(pasteHint_));
  menu_.add_css_class("law-archive-menu");
  popover_.set_child(menu_);
  popover_.set_has_arrow(false);
  popover_.set_position(Gtk::PositionType::BOTTOM);
  popover_.set_parent(button_);

  scannerState_ = scanner_.state.changed().connect([this] { refreshItems(); });
  refreshItems();
}

ScanImportButton::~ScanImportButton() {
  scope_.end();
  scanCancel_.cancel();
  popover_.unparent();
}

void ScanImportButton::openMenu() {
  scanner_.detect();
  refreshItems();
  popover_.popup();
}

void ScanImportButton::refreshItems() {
  using State = Scanner::State;
  const State s = scanner_.state.get();
  if (scanning_) {
    scanItem_.set_label("取消扫描");
    scanItem_.set_sensitive(true);
    scanHint_.set_text("正在从扫描仪接收文稿…");
  } else {
    scanItem_.set_label("从扫描仪扫描…");
    scanItem_.set_sensitive(s == State::ready);
    switch (s) {
      case State::ready: {
        const auto& d = scanner_.devices().front();
        scanHint_.set_text(d.description.empty() ? d.name : d.description);
        break;
      }
      case State::noTool: scanHint_.set_text("未安装扫描工具（SANE 的 scanimage）"); break;
      case State::noDevice: scanHint_.set_text("未检测到扫描仪"); break;
      default: scanHint_.set_text("正在检测扫描仪…"); break;
    }
  }
  const bool usable = clipKind(get_clipboard()->gobj()) != ClipKind::none;
  pasteItem_.set_sensitive(usable);
  pasteHint_.set_text(usable ? "PDF 优先，其次 PNG 或其他图片" : "剪贴板中没有 PDF 或图片");
}

void ScanImportButton::scanFromScanner() {
  if (scanning_) return;
  scope_.spawn(runScan());
}

void ScanImportButton::pasteFromClipboard() { runPaste(); }

Task<void> ScanImportButton::runScan() {
  scanning_ = true;
  scanCancel_.renew();
  refreshItems();
  if (onStatus_) onStatus_("正在扫描…");
  const std::string stem = std::string(kScannerStem) + ScanFiles::timeStamp(std::chrono::system_clock::now());
  auto progress = scope_.guard([this](double p) {
    if (onStatus_) onStatus_("正在扫描… " + std::to_string(int(std::lround(p))) + "%");
  });
  fs::path file;
  std::string failure;
  bool cancelled = false;
  try {
    fs::path dir = AppConfig::downloadDir();
    auto scan = scanner_.scan(dir, stem, progress, scanCancel_.get());
    file = co_await scan;
  } catch (const AppError& e) {
    cancelled = e.domain == "g-io-error-quark" && e.code == G_IO_ERROR_CANCELLED;
    failure = e.message;
  }
  scanning_ = false;
  refreshItems();
  if (cancelled) {
    if (onStatus_) onStatus_("已取消扫描");
    co_return;
  }
  if (file.empty()) {
    logLine(tags::kScan, "扫描件没有保存：" + failure, LogLevel::warning);
    if (onStatus_) onStatus_(failure.rfind("扫描失败", 0) == 0 ? failure : "扫描失败：" + failure);
    co_return;
  }
  logLine(tags::kScan, "已保存扫描件 " + file.string());
  if (onReceivedFile_) onReceivedFile_(file, Source::scanner);
}

namespace {
// Runs without an owner: the file is saved and logged even when the button is gone.
Task<void> saveClipboard(WorkerPool& workers, GObjectPtr<GdkClipboard> clipboard, ClipKind kind,
                         std::function<void(const fs::path&, const std::string&)> done) {
  const std::string stem =
      std::string(ScanImportButton::kClipboardStem) + ScanFiles::timeStamp(std::chrono::system_clock::now());
  const std::string ext = kind == ClipKind::pdf ? ".pdf" : ".png";
  fs::path file;
  std::string failure;
  try {
    std::string bytes;
    if (kind == ClipKind::pdf) {
      auto read = readClipboardBytes(clipboard.get(), "application/pdf");
      bytes = co_await read;
    } else if (kind == ClipKind::png) {
      auto read = readClipboardBytes(clipboard.get(), "image/png");
      bytes = co_await read;
    } else {
      auto read = readClipboardImageAsPng(clipboard.get());
      bytes = co_await read;
    }
    if (bytes.empty()) throw AppError(errors::kFile, 0, "剪贴板中的内容为空");
    auto write = onWorker(workers, [stem, ext, bytes = std::move(bytes)] {
      return ScanFiles::writeUnique(AppConfig::downloadDir(), stem, ext, bytes);
    });
    file = co_await write;
  } catch (const AppError& e) {
    failure = e.message;
  }
  if (file.empty()) {
    logLine(tags::kScan, "剪贴板内容没有保存：" + failure, LogLevel::warning);
  } else {
    logLine(tags::kScan, "已保存剪贴板内容 " + file.string());
  }
  done(file, failure);
}
}  // namespace

void ScanImportButton::runPaste() {
  auto clipboard = GObjectPtr<GdkClipboard>::retain(get_clipboard()->gobj());
  const ClipKind kind = clipKind(clipboard.get());
  if (kind == ClipKind::none) return;  // nothing to import, nothing to say
  spawn(saveClipboard(workers_, std::move(clipboard), kind,
                      scope_.guard([this](const fs::path& file, const std::string& failure) {
                        if (file.empty()) {
                          if (onStatus_) onStatus_("导入剪贴板失败：" + failure);
                        } else if (onReceivedFile_) {
                          onReceivedFile_(file, Source::clipboard);
                        }
                      })));
}

}  // namespace quorvel
