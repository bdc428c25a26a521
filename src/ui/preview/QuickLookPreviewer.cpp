#include "ui/preview/QuickLookPreviewer.h"

#include "platform/WindowFrameRules.h"

#include <glib.h>

#include <fstream>
#include <sstream>

#include "base/ByteCount.h"
#include "base/GLibPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "platform/Desktop.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/components/OpenFailureNote.h"
#include "ui/preview/PreviewStyle.h"
#include "ui/components/WidgetHelpers.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {
// A text preview shows the start of a file; large logs stay responsive.
constexpr std::size_t kMaxTextBytes = 2 * 1024 * 1024;

std::string fileURI(const fs::path& p) {
  GCharPtr uri(g_filename_to_uri(p.c_str(), nullptr, nullptr));
  return uri ? uri.get() : std::string();
}
}  // namespace

QuickLookPreviewer::~QuickLookPreviewer() { reset(); }

QuickLookPreviewer::Kind QuickLookPreviewer::kindOf(const fs::path& file) {
  std::string name = file.filename().string();
  std::string head;
  {
    std::ifstream in(file, std::ios::binary);
    head.resize(4096);
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<std::size_t>(in.gcount()));
  }
  gboolean uncertain = FALSE;
  GCharPtr type(g_content_type_guess(name.c_str(), reinterpret_cast<const guchar*>(head.data()), head.size(),
                                     &uncertain));
  std::string t = type ? type.get() : "";
  GCharPtr mime(g_content_type_get_mime_type(t.c_str()));
  std::string m = mime ? mime.get() : t;
  if (m == "application/pdf") return Kind::pdf;
  if (m.rfind("image/", 0) == 0) {
    GSList* formats = gdk_pixbuf_get_formats();
    bool known = false;
    for (GSList* l = formats; l && !known; l = l->next) {
      char** types = gdk_pixbuf_format_get_mime_types(static_cast<GdkPixbufFormat*>(l->data));
      for (char** t2 = types; t2 && *t2; ++t2)
        if (m == *t2) known = true;
      g_strfreev(types);
    }
    g_slist_free(formats);
    if (known) return Kind::image;
  }
  if (g_content_type_is_a(t.c_str(), "text/plain")) return Kind::text;
  return Kind::other;
}

std::string QuickLookPreviewer::textAsUtf8(const std::string& bytes) {
  if (g_utf8_validate(bytes.data(), static_cast<gssize>(bytes.size()), nullptr)) return bytes;
  gsize written = 0;
  GCharPtr out(g_convert_with_fallback(bytes.data(), static_cast<gssize>(bytes.size()), "UTF-8", "GB18030", "?",
                                       nullptr, &written, nullptr));
  if (out) return std::string(out.get(), written);
  GCharPtr valid(g_utf8_make_valid(bytes.data(), static_cast<gssize>(bytes.size())));
  return valid.get();
}

void QuickLookPreviewer::build() {
  installPreviewStyle();
  window_ = std::make_unique<Gtk::Window>();
  window_->set_title("快速预览");
  window_->set_default_size(860, 1000);
  window_->set_hide_on_close(true);
  if (defaults_)
    frame_ = std::make_unique<FrameKeeper>(*defaults_, *window_, kFrameKey,
                                           [](const std::optional<std::string>& stored, const std::vector<Rect>& screens) {
                                             return restorableToolFrame(stored, screens);
                                           });
  if (auto app = Gtk::Application::get_default()) {
    if (auto gapp = std::dynamic_pointer_cast<Gtk::Application>(app)) window_->set_application(gapp);
  }

  header_ = Gtk::make_managed<LawSheetHeader>("快速预览", "快速预览", "doc.text.magnifyingglass", LawIconKind::search);
  pager_ = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  prev_ = makeLawSecondaryButton("‹ 上一页", true);
  next_ = makeLawSecondaryButton("下一页 ›", true);
  pageLabel_ = Gtk::make_managed<Gtk::Label>();
  pageLabel_->add_css_class("law-preview-pager");
  pager_->append(*prev_);
  pager_->append(*pageLabel_);
  pager_->append(*next_);
  prev_->signal_clicked().connect([this] { showPage(page_ - 1); });
  next_->signal_clicked().connect([this] { showPage(page_ + 1); });
  auto* openButton = makeLawPrimaryButton("用默认程序打开", true);
  openButton->signal_clicked().connect([this] {
    if (current_) openFailure_->open(desktop_, fileURI(*current_));
  });
  lawHandCursor(*prev_);
  lawHandCursor(*next_);
  lawHandCursor(*openButton);
  header_->addTrailing(*pager_);
  header_->addTrailing(*openButton);
  window_->set_titlebar(*header_);

  stack_ = Gtk::make_managed<Gtk::Stack>();
  stack_->add_css_class("law-preview-stage");
  stack_->set_vexpand(true);
  openFailure_ = Gtk::make_managed<OpenFailureNote>();
  openFailure_->set_margin(8);

  picture_ = Gtk::make_managed<Gtk::Picture>();
  picture_->set_can_shrink(true);
  picture_->set_content_fit(Gtk::ContentFit::CONTAIN);
  picture_->set_margin(18);
  stack_->add(*picture_, "image");

  pageArea_ = Gtk::make_managed<Gtk::DrawingArea>();
  pageArea_->set_draw_func([this](const Cairo::RefPtr<Cairo::Context>& cr, int w, int h) { drawPage(cr, w, h); });
  stack_->add(*pageArea_, "pdf");

  textView_ = Gtk::make_managed<Gtk::TextView>();
  textView_->set_editable(false);
  textView_->set_cursor_visible(false);
  textView_->set_wrap_mode(Gtk::WrapMode::WORD_CHAR);
  textView_->add_css_class("law-preview-text");
  setAccessibleLabel(*textView_, "文件内容");
  auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
  scroller->set_child(*textView_);
  stack_->add(*scroller, "text");

  // Arrow keys and Page Up/Down turn PDF pages; Escape closes.
  auto keys = Gtk::EventControllerKey::create();
  keys->signal_key_pressed().connect(
      [this](guint key, guint, Gdk::ModifierType) {
        if (key == GDK_KEY_Escape) {
          window_->hide();
          return true;
        }
        if (kind_ != Kind::pdf) return false;
        if (key == GDK_KEY_Right || key == GDK_KEY_Page_Down || key == GDK_KEY_Down) showPage(page_ + 1);
        else if (key == GDK_KEY_Left || key == GDK_KEY_Page_Up || key == GDK_KEY_Up) showPage(page_ - 1);
        else return false;
        return true;
      },
      false);
  window_->add_controller(keys);
  auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 0);
  column->append(*openFailure_);
  column->append(*stack_);
  window_->set_child(*column);
}

void QuickLookPreviewer::reset() {
  doc_.reset();
  frame_.reset();
  window_.reset();
  current_.reset();
}

int QuickLookPreviewer::pageCount() const { return doc_ ? doc_->pageCount() : 0; }

void QuickLookPreviewer::showPage(int index) {
  if (!doc_) return;
  page_ = std::clamp(index, 0, std::max(0, pageCount() - 1));
  updatePager();
  pageArea_->queue_draw();
}

void QuickLookPreviewer::updatePager() {
  bool pdf = kind_ == Kind::pdf && pageCount() > 0;
  pager_->set_visible(pdf);
  if (!pdf) return;
  pageLabel_->set_text("第 " + std::to_string(page_ + 1) + " / " + std::to_string(pageCount()) + " 页");
  prev_->set_sensitive(page_ > 0);
  next_->set_sensitive(page_ + 1 < pageCount());
}

void QuickLookPreviewer::drawPage(const Cairo::RefPtr<Cairo::Context>& cr, int width, int height) {
  if (!doc_) return;
  auto size = doc_->pageSize(page_);
  if (!size) return;
  double pw = size->width, ph = size->height;
  const double margin = 22;
  double scale = std::min((width - 2 * margin) / pw, (height - 2 * margin) / ph);
  if (scale <= 0) return;
  double x = (width - pw * scale) / 2, y = (height - ph * scale) / 2;
  // A soft shadow, then the white sheet (poppler paints no background).
  for (int i = 4; i >= 1; --i) {
    cr->set_source_rgba(0, 0, 0, 0.035 * (5 - i));
    cr->rectangle(x - i + 1, y - i + 3, pw * scale + 2 * i - 2, ph * scale + 2 * i - 2);
    cr->fill();
  }
  cr->save();
  cr->translate(x, y);
  cr->scale(scale, scale);
  cr->set_source_rgb(1, 1, 1);
  cr->rectangle(0, 0, pw, ph);
  cr->fill();
  doc_->draw(page_, cr->cobj());
  cr->restore();
}

void QuickLookPreviewer::showFile(const fs::path& file, Kind kind) {
  doc_.reset();
  kind_ = kind;
  page_ = 0;
  std::error_code ec;
  auto size = fs::file_size(file, ec);
  std::string kindText = kind == Kind::pdf ? "PDF 文稿" : kind == Kind::image ? "图片" : "纯文本";
  if (kind == Kind::pdf) {
    doc_ = PdfDocument::open(file);
    if (!doc_) logLine(tags::kPreview, "PDF 无法打开：" + file.filename().string(), LogLevel::warning);
    stack_->set_visible_child("pdf");
    if (doc_) kindText += " · " + std::to_string(pageCount()) + " 页";
    pageArea_->queue_draw();
  } else if (kind == Kind::image) {
    picture_->set_filename(file.string());
    stack_->set_visible_child("image");
  } else {
    std::ifstream in(file, std::ios::binary);
    std::string bytes(kMaxTextBytes, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(in.gcount()));
    textView_->get_buffer()->set_text(textAsUtf8(bytes));
    stack_->set_visible_child("text");
  }
  header_->titleLabel().set_text(file.filename().string());
  header_->subtitleLabel().set_text("快速预览 · " + kindText + (ec ? "" : " · " + byteCountText(static_cast<long long>(size))));
  window_->set_title("快速预览 — " + file.filename().string());
  updatePager();
}

void QuickLookPreviewer::preview(const fs::path& file) {
  current_ = file;
  Kind kind = kindOf(file);
  if (kind == Kind::other) {
    logLine(tags::kPreview, "快速预览不支持此类型，用默认程序打开 " + file.filename().string());
    desktop_.openURI(fileURI(file));
    return;
  }
  if (!window_) build();
  openFailure_->report(std::nullopt);
  showFile(file, kind);
  window_->present();
}

}  // namespace quorvel
