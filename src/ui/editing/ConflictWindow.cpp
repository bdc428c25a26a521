#include "ui/editing/ConflictWindow.h"

#include <gdkmm/display.h>
#include <gdkmm/memorytexture.h>
#include <gdkmm/texture.h>
#include <gio/gio.h>
#include <giomm/icon.h>
#include <gtkmm/eventcontrollerkey.h>
#include <gtkmm/headerbar.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/picture.h>
#include <gtkmm/shortcutcontroller.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <vector>

#include "base/ByteCount.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/MainQueue.h"
#include "base/WorkerPool.h"
#include "base/Task.h"
#include "features/mirror/MirrorFormats.h"
#include "ui/model/ThemeCss.h"
#include "platform/WindowFrameRules.h"
#include "features/volume/PreviewCache.h"
#include "features/volume/PreviewPresenter.h"
#include "platform/Desktop.h"
#include "platform/WindowPlacement.h"
#include "platform/pdf/PdfDocument.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawCard.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/components/LawStyle.h"
#include "ui/components/OpenFailureNote.h"
#include "ui/windows/WindowFrame.h"

namespace quorvel {
namespace fs = std::filesystem;

namespace {

constexpr const char* kWindowTitle = "文件版本冲突比对";
// The thumbnail box is 280 × 220 points, drawn at twice that for sharp edges.
constexpr int kThumbWidth = 560;
constexpr int kThumbHeight = 440;

std::string conflictCss() {
  std::string css;
  // Light whatever the desktop's theme: the frame, the title bar and its close button too.
  css += cssRule("window.law-conflict-window",
                 "background-color: " + LawTheme::canvasBg.css() + "; color: " + LawTheme::textPrimary.css() + ";");
  css += cssRule("window.law-conflict-window.solid-csd",
                 "border-color: " + LawTheme::border.css() + "; box-shadow: inset 0 0 0 4px " + LawTheme::surface.css() + ";");
  css += cssRule("headerbar.law-conflict-titlebar", "color: " + LawTheme::textSecondary.css() + "; background: " +
                                                        LawTheme::surface.css() +
                                                        "; box-shadow: none; border-bottom: 1px solid " +
                                                        LawTheme::borderLight.css() + "; min-height: 34px;");
  css += cssRule("headerbar.law-conflict-titlebar windowcontrols button",
                 "color: " + LawTheme::textSecondary.css() + "; background-color: transparent;");
  css += cssRule("headerbar.law-conflict-titlebar windowcontrols button:hover",
                 "background-color: " + LawTheme::borderLight.css() + ";");
  css += cssRule("headerbar.law-conflict-titlebar .title",
                 "font-size: 12px; font-weight: 600; color: " + LawTheme::textSecondary.css() + ";");
  css += cssRule(".law-conflict-card-title",
                 "font-size: 13.5px; font-weight: 700; color: " + LawTheme::textPrimary.css() + ";");
  css += cssRule(".law-conflict-badge", "font-size: 10.5px; font-weight: 600; padding: 2.5px 8px; border-radius: 999px;");
  css += cssRule(".law-conflict-badge.law-conflict-local",
                 "color: " + LawTheme::primary.css() + "; background-color: " + LawTheme::primary.opacity(0.12).css() + ";");
  css += cssRule(".law-conflict-badge.law-conflict-server",
                 "color: " + LawTheme::warning.css() + "; background-color: " + LawTheme::warning.opacity(0.12).css() + ";");
  css += cssRule(".law-conflict-preview", "background-color: " + LawTheme::surfaceMuted.css() + "; border: 1px solid " +
                                              LawTheme::borderLight.css() + "; border-radius: 6px;");
  css += cssRule(".law-conflict-missing", "font-size: 12px; color: " + LawTheme::textMuted.css() + ";");
  css += cssRule(".law-conflict-fact",
                 "font-family: monospace; font-size: 11.5px; color: " + LawTheme::textSecondary.css() + ";");
  css += cssRule(".law-conflict-divider", "background-color: " + LawTheme::borderLight.css() + "; min-height: 1px;");
  css += cssRule(".law-conflict-bar", "background-color: " + LawTheme::surface.css() + "; padding: 12px 16px;");
  return css;
}

void installConflictCss() { addDisplayCssOnce("conflict", conflictCss); }

bool isPath(const std::string& where) { return !where.empty() && where.front() == '/'; }

GObjectPtr<GFile> fileAt(const std::string& where) {
  return GObjectPtr<GFile>::adopt(isPath(where) ? g_file_new_for_path(where.c_str())
                                                : g_file_new_for_uri(where.c_str()));
}

std::string uriOf(const std::string& where) {
  if (!isPath(where)) return where;
  GCharPtr uri(g_filename_to_uri(where.c_str(), nullptr, nullptr));
  return uri ? uri.get() : std::string();
}

std::string lastComponent(const std::string& rel) {
  std::string s = rel;
  while (!s.empty() && s.back() == '/') s.pop_back();
  auto slash = s.rfind('/');
  return slash == std::string::npos ? s : s.substr(slash + 1);
}

// Size and modification time of a regular file, by path or through GIO. Blocking.
std::optional<FileStat> statAt(const std::string& where) {
  if (isPath(where)) return PreviewCache::stat(where);
  auto file = fileAt(where);
  GErrorPtr error;
  GObjectPtr<GFileInfo> info = GObjectPtr<GFileInfo>::adopt(g_file_query_info(
      file, G_FILE_ATTRIBUTE_STANDARD_TYPE "," G_FILE_ATTRIBUTE_STANDARD_SIZE "," G_FILE_ATTRIBUTE_TIME_MODIFIED,
      G_FILE_QUERY_INFO_NONE, nullptr, error.out()));
  if (!info || g_file_info_get_file_type(info) != G_FILE_TYPE_REGULAR) return std::nullopt;
  FileStat st;
  st.size = g_file_info_get_size(info);
  guint64 secs = g_file_info_get_attribute_uint64(info, G_FILE_ATTRIBUTE_TIME_MODIFIED);
  guint32 usecs = g_file_info_get_attribute_uint32(info, G_FILE_ATTRIBUTE_TIME_MODIFIED_USEC);
  st.mtime = std::chrono::system_clock::time_point(std::chrono::seconds(secs) + std::chrono::microseconds(usecs));
  return st;
}

// Pixels made on a worker; the texture is made from them on the main thread.
struct Pixels {
  int width = 0;
  int height = 0;
  gsize stride = 0;
  GdkMemoryFormat format = GDK_MEMORY_DEFAULT;
  std::vector<guchar> bytes;
};

std::optional<Pixels> pixelsOf(GdkPixbuf* pixbuf) {
  if (!pixbuf) return std::nullopt;
  Pixels p;
  p.width = gdk_pixbuf_get_width(pixbuf);
  p.height = gdk_pixbuf_get_height(pixbuf);
  p.stride = static_cast<gsize>(gdk_pixbuf_get_rowstride(pixbuf));
  p.format = gdk_pixbuf_get_has_alpha(pixbuf) ? GDK_MEMORY_R8G8B8A8 : GDK_MEMORY_R8G8B8;
  const guint8* data = gdk_pixbuf_read_pixels(pixbuf);
  p.bytes.assign(data, data + gdk_pixbuf_get_byte_length(pixbuf));
  if (p.width <= 0 || p.height <= 0) return std::nullopt;
  return p;
}

std::optional<Pixels> imageThumb(GFile* file) {
  GErrorPtr error;
  auto in = GObjectPtr<GFileInputStream>::adopt(g_file_read(file, nullptr, error.out()));
  if (!in) return std::nullopt;
  auto loaded = GObjectPtr<GdkPixbuf>::adopt(gdk_pixbuf_new_from_stream_at_scale(
      G_INPUT_STREAM(in.get()), kThumbWidth, kThumbHeight, TRUE, nullptr, error.out()));
  if (!loaded) return std::nullopt;
  // Photos stand upright as their camera saw them.
  auto upright = GObjectPtr<GdkPixbuf>::adopt(gdk_pixbuf_apply_embedded_orientation(loaded));
  return pixelsOf(upright ? upright.get() : loaded.get());
}

std::optional<Pixels> pdfThumb(GFile* file) {
  GCharPtr uri(g_file_get_uri(file));
  auto doc = PdfDocument::openURI(uri.get());
  if (!doc || doc->pageCount() < 1) return std::nullopt;
  auto size = doc->pageSize(0);
  if (!size || size->width <= 0 || size->height <= 0) return std::nullopt;
  auto page = doc->render(0, std::min(kThumbWidth / size->width, kThumbHeight / size->height));
  if (!page || page->empty()) return std::nullopt;
  Pixels p;
  p.width = page->width;
  p.height = page->height;
  p.stride = static_cast<gsize>(page->width) * 3;
  p.format = GDK_MEMORY_R8G8B8;
  p.bytes = std::move(page->rgb);
  return p;
}

struct Probe {
  std::string contentType;
  std::optional<std::string> thumbnailPath;  // one the desktop's thumbnailers already made
};

Probe probe(GFile* file) {
  Probe p;
  GErrorPtr error;
  auto info = GObjectPtr<GFileInfo>::adopt(g_file_query_info(
      file,
      G_FILE_ATTRIBUTE_STANDARD_CONTENT_TYPE "," G_FILE_ATTRIBUTE_THUMBNAIL_PATH "," G_FILE_ATTRIBUTE_THUMBNAIL_IS_VALID,
      G_FILE_QUERY_INFO_NONE, nullptr, error.out()));
  if (!info) return p;
  if (const char* type = g_file_info_get_content_type(info)) p.contentType = type;
  const char* thumb = g_file_info_get_attribute_byte_string(info, G_FILE_ATTRIBUTE_THUMBNAIL_PATH);
  bool valid = !g_file_info_has_attribute(info, G_FILE_ATTRIBUTE_THUMBNAIL_IS_VALID) ||
               g_file_info_get_attribute_boolean(info, G_FILE_ATTRIBUTE_THUMBNAIL_IS_VALID);
  if (thumb && *thumb && valid) p.thumbnailPath = thumb;
  return p;
}

// A thumbnail of the file: a PDF's first page, an image itself, else a thumbnail the
// desktop already made. Nothing when none can be made. Blocking.
std::optional<Pixels> thumbnailOf(const std::string& where, const std::string& contentType,
                                  const std::optional<std::string>& madeThumbnail) {
  auto file = fileAt(where);
  if (!contentType.empty()) {
    if (g_content_type_is_a(contentType.c_str(), "application/pdf")) {
      if (auto p = pdfThumb(file)) return p;
    } else {
      GCharPtr mime(g_content_type_get_mime_type(contentType.c_str()));
      if (mime && g_str_has_prefix(mime.get(), "image/"))
        if (auto p = imageThumb(file)) return p;
    }
  }
  if (madeThumbnail) {
    auto thumbFile = GObjectPtr<GFile>::adopt(g_file_new_for_path(madeThumbnail->c_str()));
    return imageThumb(thumbFile);
  }
  return std::nullopt;
}

std::string formatModified(std::chrono::system_clock::time_point t) {
  const auto secs = std::chrono::duration_cast<std::chrono::seconds>(t.time_since_epoch()).count();
  GDateTime* local = g_date_time_new_from_unix_local(secs);
  if (!local) return {};
  GCharPtr text(g_date_time_format(local, "%m-%d %H:%M:%S"));
  g_date_time_unref(local);
  return text ? text.get() : std::string();
}

Gtk::Label* makeLabel(const std::string& text, const char* cssClass) {
  auto* label = Gtk::make_managed<Gtk::Label>(text);
  label->add_css_class(cssClass);
  return label;
}

Gtk::Box* makeSpacer() {
  auto* spacer = Gtk::make_managed<Gtk::Box>();
  spacer->set_hexpand(true);
  return spacer;
}

}  // namespace

// One version of the file: title and badge, the preview box, then its facts and
// actions once the file could be read.
class VersionCard : public LawCard {
 public:
  VersionCard(WindowConflictPresenter& tools, const std::string& title, const std::string& badge,
              const char* badgeClass, std::optional<std::string> where)
      : LawCard(14), tools_(tools), where_(std::move(where)) {
    set_vexpand(true);
    set_hexpand(true);

    auto* titleRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    titleRow->set_hexpand(true);
    auto* titleLabel = makeLabel(title, "law-conflict-card-title");
    titleLabel->set_ellipsize(Pango::EllipsizeMode::END);
    titleRow->append(*titleLabel);
    titleRow->append(*makeSpacer());
    auto* badgeLabel = makeLabel(badge, "law-conflict-badge");
    badgeLabel->add_css_class(badgeClass);
    badgeLabel->set_valign(Gtk::Align::CENTER);
    titleRow->append(*badgeLabel);
    addContent(*titleRow);

    box_.add_css_class("law-conflict-preview");
    box_.set_hexpand(true);
    box_.set_vexpand(true);
    // Shrinks below its usual 190 only when the window is made smaller than its first size.
    box_.set_size_request(-1, 150);
    picture_.set_can_shrink(true);
    picture_.set_content_fit(Gtk::ContentFit::CONTAIN);
    picture_.set_margin(10);
    picture_.set_hexpand(true);
    picture_.set_vexpand(true);
    picture_.set_visible(false);
    icon_.set_pixel_size(64);
    icon_.set_size_request(64, 64);
    icon_.set_hexpand(true);
    icon_.set_vexpand(true);
    icon_.set_halign(Gtk::Align::CENTER);
    icon_.set_valign(Gtk::Align::CENTER);
    missing_.add_css_class("law-conflict-missing");
    missing_.set_hexpand(true);
    missing_.set_vexpand(true);
    box_.append(picture_);
    box_.append(icon_);
    box_.append(missing_);
    if (where_) {
      missing_.set_visible(false);
      // Until GIO has looked at the file, its name tells the type.
      GCharPtr guess(g_content_type_guess(lastComponent(*where_).c_str(), nullptr, 0, nullptr));
      setContentType(guess ? guess.get() : "");
    } else {
      icon_.set_visible(false);
    }
    addContent(box_);

    facts_.set_hexpand(true);
    size_.add_css_class("law-conflict-fact");
    modified_.add_css_class("law-conflict-fact");
    facts_.append(size_);
    facts_.append(*makeSpacer());
    facts_.append(modified_);
    facts_.set_visible(false);
    addContent(facts_);

    actions_.set_visible(false);
    preview_ = makeLawSecondaryButton("快速预览", true);
    open_ = makeLawSecondaryButton("用应用打开", true);
    preview_->signal_clicked().connect([this] { previewFile(); });
    open_->signal_clicked().connect([this] {
      if (where_) openFailure_.open(tools_.desktop(), uriOf(*where_));
    });
    actions_.append(*preview_);
    actions_.append(*open_);
    addContent(actions_);
    addContent(openFailure_);
  }

  const std::optional<std::string>& where() const { return where_; }

  void setFacts(const std::optional<FileStat>& st) {
    const bool shown = where_ && st;
    facts_.set_visible(shown);
    actions_.set_visible(shown);
    if (!shown) return;
    size_.set_text("大小：" + byteCountText(st->size));
    modified_.set_text("修改：" + formatModified(st->mtime));
  }

  void setContentType(const std::string& type) {
    if (type.empty()) return;
    GIcon* icon = g_content_type_get_icon(type.c_str());
    if (!icon) return;
    icon_.set(Glib::wrap(icon, false));
  }

  void setThumbnail(const Pixels& p) {
    auto bytes = Glib::Bytes::create(p.bytes.data(), p.bytes.size());
    GdkTexture* texture = gdk_memory_texture_new(p.width, p.height, p.format, bytes->gobj(), p.stride);
    picture_.set_paintable(Glib::wrap(texture, false));
    picture_.set_visible(true);
    icon_.set_visible(false);
    missing_.set_visible(false);
  }

  bool showsThumbnail() const { return picture_.get_visible(); }

 private:
  void previewFile() {
    if (!where_) return;
    // The preview window reads local files; a copy read through GIO opens in its application.
    if (isPath(*where_)) tools_.previews().preview(fs::path(*where_));
    else openFailure_.open(tools_.desktop(), *where_);
  }

  WindowConflictPresenter& tools_;
  OpenFailureNote openFailure_;  // why a copy did not open
  std::optional<std::string> where_;
  Gtk::Box box_{Gtk::Orientation::VERTICAL};
  Gtk::Picture picture_;
  Gtk::Image icon_;
  Gtk::Label missing_{"无法读取服务器文件"};
  Gtk::Box facts_{Gtk::Orientation::HORIZONTAL, 6};
  Gtk::Label size_;
  Gtk::Label modified_;
  Gtk::Box actions_{Gtk::Orientation::HORIZONTAL, 8};
  Gtk::Button* preview_ = nullptr;
  Gtk::Button* open_ = nullptr;
};

class ConflictCompareView : public Gtk::Box {
 public:
  ConflictCompareView(WindowConflictPresenter& tools, const std::string& rel, const fs::path& localURL,
                      const std::optional<std::string>& serverURL, std::function<void(ConflictChoice)> onChoice,
                      ConflictWindow::FreshStat freshServerStat)
      : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
        tools_(tools),
        onChoice_(std::move(onChoice)),
        freshServerStat_(std::move(freshServerStat)) {
    installLawStyle();
    installConflictCss();
    // The window can be made no smaller than this.
    set_size_request(660, 440);

    auto* header = Gtk::make_managed<LawSheetHeader>("检测到版本冲突：" + lastComponent(rel),
                                                     "你编辑期间服务器文件也发生了变动，请对比后决定保留哪一版",
                                                     // the desktop's name of the warning-triangle symbol
                                                     "dialog-warning-symbolic");
    append(*header);

    auto* cards = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 14);
    cards->add_css_class("law-canvas");
    cards->set_homogeneous(true);
    cards->set_hexpand(true);
    cards->set_vexpand(true);
    auto* inner = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 14);
    inner->set_homogeneous(true);
    inner->set_margin(16);
    inner->set_hexpand(true);
    inner->set_vexpand(true);
    local_ = Gtk::make_managed<VersionCard>(tools_, "你本地修改的版本", "本地副本", "law-conflict-local",
                                            localURL.string());
    server_ = Gtk::make_managed<VersionCard>(tools_, "服务器当前最新版本", "云端版本", "law-conflict-server", serverURL);
    inner->append(*local_);
    inner->append(*server_);
    cards->append(*inner);
    append(*cards);

    auto* divider = Gtk::make_managed<Gtk::Box>();
    divider->add_css_class("law-conflict-divider");
    append(*divider);

    auto* bar = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    bar->add_css_class("law-conflict-bar");
    auto* useServer = makeLawSecondaryButton("放弃本地，改用服务器版本", false, true);
    useServer->set_sensitive(serverURL.has_value());
    cancel_ = makeLawSecondaryButton("取消", false, false);
    auto* keepBoth = makeLawSecondaryButton("两个都保留（加后缀上传）", false, false);
    auto* useLocal = makeLawPrimaryButton("用本地版覆盖服务器", false);
    bar->append(*useServer);
    bar->append(*makeSpacer());
    bar->append(*cancel_);
    bar->append(*keepBoth);
    bar->append(*useLocal);
    useServer->signal_clicked().connect([this] { choose(ConflictChoice::useServer); });
    cancel_->signal_clicked().connect([this] { choose(ConflictChoice::cancel); });
    keepBoth->signal_clicked().connect([this] { choose(ConflictChoice::keepBoth); });
    useLocal->signal_clicked().connect([this] { choose(ConflictChoice::useLocal); });
    append(*bar);

    // Escape is the "取消" button's key wherever the focus is.
    auto shortcuts = Gtk::ShortcutController::create();
    shortcuts->set_scope(Gtk::ShortcutScope::GLOBAL);
    shortcuts->add_shortcut(Gtk::Shortcut::create(
        Gtk::KeyvalTrigger::create(GDK_KEY_Escape),
        Gtk::CallbackAction::create([this](Gtk::Widget&, const Glib::VariantBase&) {
          cancel_->activate();
          return true;
        })));
    add_controller(shortcuts);
  }

  // Starts reading both copies; results arrive on the main thread while the view lives.
  void loadVersions() {
    load(*local_);
    if (server_->where()) load(*server_);
  }
  bool versionsLoaded() const { return pending_ == 0; }

 private:
  void choose(ConflictChoice choice) {
    if (onChoice_) onChoice_(choice);
  }

  void load(VersionCard& card) {
    VersionCard* target = &card;
    int* pending = &pending_;
    ++pending_;
    const std::string where = *card.where();
    // Made here, on the main thread; the worker only carries it and posts back through it.
    auto whileViewLives = scope_.guard([](const std::function<void()>& step) { step(); });
    tools_.workers().submit([this, whileViewLives, target, pending, where] {
      auto file = fileAt(where);
      auto first = statAt(where);
      Probe info = probe(file);
      postToMain([this, whileViewLives, target, first, type = info.contentType] {
        whileViewLives([&] {
          target->setContentType(type);
          showFacts(*target, first);
        });
      });
      auto thumb = thumbnailOf(where, info.contentType, info.thumbnailPath);
      // The facts are read again with the new look: the file may have changed meanwhile.
      auto again = statAt(where);
      postToMain([this, whileViewLives, target, pending, thumb = std::move(thumb), again] {
        whileViewLives([&] {
          if (thumb) target->setThumbnail(*thumb);
          showFacts(*target, again);
          --*pending;
        });
      });
    });
  }

  // The server card's facts come from the server itself where it can be asked: the
  // volume's own file attributes may lag a change made there by a second or so.
  void showFacts(VersionCard& card, const std::optional<FileStat>& read) {
    if (&card == server_ && freshServerStat_) scope_.spawn(readFresh(server_, freshServerStat_));
    else card.setFacts(read);
  }

  static Task<void> readFresh(VersionCard* card, ConflictWindow::FreshStat fresh) {
    auto reading = fresh();
    std::optional<FileStat> st = co_await reading;
    card->setFacts(st);
  }

  WindowConflictPresenter& tools_;
  std::function<void(ConflictChoice)> onChoice_;
  ConflictWindow::FreshStat freshServerStat_;
  VersionCard* local_ = nullptr;
  VersionCard* server_ = nullptr;
  Gtk::Button* cancel_ = nullptr;
  int pending_ = 0;
  TaskScope scope_;
};

// One toplevel serves every conflict window, each with a fresh view: destroying a
// shown GTK 4.8 toplevel here left its surface signalling the freed window.
struct WindowConflictPresenter::Host {
  Gtk::Window window;
  int titleBarHeight = 0;
  std::unique_ptr<WindowPlacement> placement;
  std::function<void()> onClose;

  // Not added to the application: kept hidden between conflicts, it must not keep the
  // application running.
  Host() {
    window.set_title(kWindowTitle);
    window.set_resizable(true);
    window.add_css_class("law-conflict-window");
    // Title and close only: nothing to minimise to.
    auto* bar = Gtk::make_managed<Gtk::HeaderBar>();
    bar->set_decoration_layout(":close");
    bar->add_css_class("law-conflict-titlebar");
    auto* title = Gtk::make_managed<Gtk::Label>(kWindowTitle);
    title->add_css_class("title");
    bar->set_title_widget(*title);
    window.set_titlebar(*bar);
    int minimum = 0, unused = 0;
    bar->measure(Gtk::Orientation::VERTICAL, -1, minimum, titleBarHeight, unused, unused);
    window.signal_close_request().connect(
        [this] {
          if (onClose) onClose();
          return true;  // hidden by the choice, kept for the next conflict
        },
        false);
    window.signal_map().connect([this] { centre(); });
  }

  void centre() {
    if (!placement) placement = placementFor(window);
    if (!placement || !placement->canPosition()) return;
    auto screens = placement->screenVisibleFrames();
    if (screens.empty()) return;
    Rect frame = placement->frame();
    placement->setFrame(centredOn(screens.front(), frame.width, frame.height));
  }
};

WindowConflictPresenter::WindowConflictPresenter(Desktop& desktop, PreviewPresenter& previews, WorkerPool& workers,
                                                 PreviewCache& cache)
    : desktop_(desktop), previews_(previews), workers_(workers), cache_(cache) {}

WindowConflictPresenter::~WindowConflictPresenter() {
  // An open conflict ends as cancelled before its window goes.
  if (active_) active_->finish(ConflictChoice::cancel);
}

void WindowConflictPresenter::open(const std::string& rel, const fs::path& localURL, Completion completion) {
  auto serverURL = cache_.sourceURL(rel);
  ConflictWindow::FreshStat fresh;
  if (serverURL) fresh = [this, rel] { return cache_.freshSourceStat(rel); };
  open(rel, localURL, std::move(serverURL), std::move(completion), std::move(fresh));
}

void WindowConflictPresenter::open(const std::string& rel, const fs::path& localURL,
                                   std::optional<std::string> serverURL, Completion completion,
                                   ConflictWindow::FreshStat freshServerStat) {
  if (auto* previous = active()) previous->finish(ConflictChoice::cancel);
  if (!host_) host_ = std::make_unique<Host>();
  active_.reset(new ConflictWindow(*this, rel, localURL, std::move(serverURL), std::move(completion),
                                   std::move(freshServerStat)));
  ConflictWindow& w = *active_;
  w.window_->present();
  // No button holds the focus, so Return decides nothing by accident.
  w.window_->unset_focus();
  w.view_->loadVersions();
}

bool ConflictWindow::versionsLoaded() const { return view_->versionsLoaded(); }

ConflictWindow::ConflictWindow(WindowConflictPresenter& owner, const std::string& rel, const fs::path& localURL,
                               std::optional<std::string> serverURL, Completion completion, FreshStat freshServerStat)
    : owner_(owner),
      serverURL_(std::move(serverURL)),
      completion_(std::move(completion)) {
  installLawStyle();
  installConflictCss();
  WindowConflictPresenter::Host& host = *owner_.host_;
  window_ = &host.window;
  // 740 × 500 is the content's first size; the title bar comes on top.
  window_->set_default_size(740, 500 + host.titleBarHeight);

  view_ = Gtk::make_managed<ConflictCompareView>(owner_, rel, localURL, serverURL_,
                                                 scope_.guard([this](Choice choice) { finish(choice); }),
                                                 std::move(freshServerStat));
  window_->set_child(*view_);
  host.onClose = scope_.guard([this] { finish(Choice::cancel); });
}

ConflictWindow::~ConflictWindow() = default;

void ConflictWindow::finish(Choice choice) {
  if (finished_) return;
  finished_ = true;
  scope_.end();  // the buttons and the close button reach nothing any more
  window_->set_visible(false);
  std::unique_ptr<ConflictWindow> keep;
  if (owner_.active_.get() == this) keep = std::move(owner_.active_);
  auto completion = std::move(completion_);
  // Freed on a later turn: this may run inside one of the view's own handlers.
  if (keep) postToMain([dead = keep.release()] { delete dead; });
  if (completion) completion(choice);
}

}  // namespace quorvel
