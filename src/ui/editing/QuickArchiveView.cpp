#include "ui/components/LawStyle.h"
#include "ui/editing/QuickArchiveView.h"

#include <gdk/gdk.h>
#include <gtk/gtk.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/image.h>
#include <gtkmm/separator.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "base/AppError.h"
#include "base/ByteCount.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/AuditLog.h"
#include "core/FilePanels.h"
#include "features/mirror/MirrorFormats.h"
#include "core/Theme.h"
#include "features/editing/HotFolderWatcher.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/editing/QuickArchiveStyle.h"
#include "ui/todos/TodoGlyphs.h"

namespace quorvel {
namespace fs = std::filesystem;
namespace QA = QuickArchiveRules;

namespace {

std::string styleCss() {
  auto c = [](const LawColor& col) { return col.css(); };
  std::string s;
  s += ".law-archive-body { background: " + c(LawTheme::canvasBg) + "; }\n";
  s += ".law-archive-card-title { font-size: 13px; font-weight: 700; color: " + c(LawTheme::textPrimary) + "; }\n";
  s += ".law-archive-drop { border: 1.2px dashed " + c(LawTheme::border) + "; border-radius: 6px; padding: 22px 0; }\n";
  s += ".law-archive-drop.targeted { border-color: " + c(LawTheme::primary) + "; background: " +
       c(LawTheme::primarySoft) + "; }\n";
  s += ".law-archive-drop-icon { color: " + c(LawTheme::primary) + "; }\n";
  s += ".law-archive-drop-text { font-size: 12px; color: " + c(LawTheme::textSecondary) + "; }\n";
  s += ".law-archive-card.targeted { border-color: " + c(LawColor::rgb8(27, 58, 92, 0.35)) + "; }\n";
  s += ".law-archive-file { background: " + c(LawTheme::surfaceMuted) + "; border-radius: 5px; padding: 5px 8px; }\n";
  s += ".law-archive-file-name { font-size: 12px; color: " + c(LawTheme::textPrimary) + "; }\n";
  s += ".law-archive-file-size { font-family: monospace; font-size: 11px; color: " + c(LawTheme::textMuted) + "; }\n";
  s += ".law-archive-remove { background: none; border: none; box-shadow: none; padding: 0 2px; min-height: 0; "
       "min-width: 0; color: " + c(LawTheme::textMuted) + "; }\n";
  s += ".law-archive-remove:hover { color: " + c(LawTheme::danger) + "; }\n";
  s += ".law-archive-search { background: " + c(LawTheme::surfaceMuted) + "; border-radius: 5px; border: 0.8px solid " +
       c(LawTheme::border) + "; padding: 0 7px; }\n";
  s += ".law-archive-search-icon { color: " + c(LawTheme::textMuted) + "; }\n";
  s += ".law-archive-search entry, .law-archive-search text { background: transparent; border: none; box-shadow: none; "
       "outline: none; font-size: 11.5px; min-height: 24px; padding: 0; }\n";
  s += "entry.law-archive-manual { font-family: monospace; font-size: 11.5px; min-height: 24px; padding: 0 7px; "
       "border-radius: 5px; border: 1px solid " + c(LawTheme::border) + "; background: " + c(LawTheme::surface) +
       "; box-shadow: none; }\n";
  s += "entry.law-archive-manual:focus-within { border-color: " + c(LawTheme::primary) + "; }\n";
  s += ".law-archive-empty { font-size: 11.5px; color: " + c(LawTheme::textMuted) + "; padding: 16px 0; }\n";
  s += "button.law-archive-target { background: transparent; border: 1px solid transparent; box-shadow: none; "
       "border-radius: 6px; padding: 6px 9px; min-height: 0; transition: all 140ms ease-out; }\n";
  s += "button.law-archive-target:hover { background: " + c(LawTheme::surfaceMuted) + "; border-color: " +
       c(LawTheme::borderLight) + "; }\n";
  s += "button.law-archive-target.active { background: " + c(LawTheme::primarySoft) + "; border-color: " +
       c(LawColor::rgb8(27, 58, 92, 0.32)) + "; }\n";
  s += ".law-archive-check { color: " + c(LawTheme::textMuted) + "; }\n";
  s += "button.law-archive-target:hover .law-archive-check { color: " + c(LawColor::rgb8(27, 58, 92, 0.65)) + "; }\n";
  s += "button.law-archive-target.active .law-archive-check { color: " + c(LawTheme::primary) + "; }\n";
  s += ".law-archive-target-title { font-size: 12.5px; color: " + c(LawTheme::textPrimary) + "; }\n";
  s += "button.law-archive-target.active .law-archive-target-title { font-weight: 600; color: " +
       c(LawTheme::primary) + "; }\n";
  s += ".law-archive-target-sub { font-size: 10.5px; color: " + c(LawTheme::textMuted) + "; }\n";
  s += ".law-archive-target-id { font-family: monospace; font-size: 10.5px; color: " + c(LawTheme::textMuted) + "; }\n";
  s += "button.law-archive-target.active .law-archive-target-id { color: " + c(LawTheme::primary) + "; }\n";
  s += ".law-archive-rule { background: " + c(LawTheme::borderLight) + "; min-height: 1px; }\n";
  s += ".law-archive-footer { background: " + c(LawTheme::surface) + "; padding: 10px 14px; }\n";
  s += ".law-archive-status { font-size: 11.5px; color: " + c(LawTheme::textSecondary) + "; }\n";
  s += ".law-archive-status.success { color: " + c(LawTheme::success) + "; }\n";
  s += ".law-archive-menu { padding: 6px; }\n";
  s += ".law-archive-menu-title { font-size: 11px; font-weight: 600; color: " + c(LawTheme::textMuted) +
       "; padding: 2px 8px 4px; }\n";
  s += "button.law-archive-menu-item { font-size: 12.5px; color: " + c(LawTheme::textPrimary) +
       "; padding: 6px 8px; border-radius: 5px; min-height: 0; }\n";
  s += "button.law-archive-menu-item:hover { background: " + c(LawTheme::primarySoft) + "; }\n";
  s += "button.law-archive-menu-item:disabled { color: " + c(LawTheme::textMuted) + "; }\n";
  s += ".law-archive-menu-hint { font-size: 10.5px; color: " + c(LawTheme::textMuted) + "; padding: 0 8px 6px; }\n";
  s += ".law-archive-menu-separator { margin: 2px 4px 4px; }\n";
  return s;
}

Gtk::Label* label(const std::string& text, const char* cls) {
  auto* l = Gtk::make_managed<Gtk::Label>(text);
  l->add_css_class(cls);
  l->set_xalign(0);
  return l;
}

Gtk::Box* spacer() {
  auto* s = Gtk::make_managed<Gtk::Box>();
  s->set_hexpand(true);
  return s;
}

void clear(Gtk::Box& box) {
  while (auto* child = box.get_first_child()) box.remove(*child);
}

// The workspace's icon for a file's type.
Gtk::Widget* fileIcon(const fs::path& path) {
  gchar* type = g_content_type_guess(path.filename().c_str(), nullptr, 0, nullptr);
  GIcon* icon = g_content_type_get_icon(type ? type : "application/octet-stream");
  g_free(type);
  auto* image = Gtk::make_managed<Gtk::Image>();
  image->set(Glib::wrap(icon));  // takes over our reference
  image->set_pixel_size(18);
  image->set_size_request(18, 18);
  return image;
}

// The byte-count text, or empty when the file cannot be read now.
std::string sizeText(const fs::path& path) {
  std::error_code ec;
  auto n = fs::file_size(path, ec);
  if (ec) return {};
  return byteCountText(static_cast<long long>(n));
}

std::vector<fs::path> pathsOfFiles(GSList* files) {
  std::vector<fs::path> out;
  for (GSList* l = files; l; l = l->next)
    if (gchar* p = g_file_get_path(G_FILE(l->data))) {
      out.emplace_back(p);
      g_free(p);
    }
  return out;
}

}  // namespace

void installQuickArchiveStyle() {
  addDisplayCssOnce("quick-archive", styleCss);
}

ArchiveTargetRow::ArchiveTargetRow(const QuickArchiveTarget& target, bool active, std::function<void()> action)
    : target_(target), active_(active) {
  add_css_class("law-archive-target");
  if (active) add_css_class("active");
  set_has_frame(false);
  auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  auto* check = Gtk::make_managed<TodoGlyph>(
      active ? TodoGlyph::Shape::checkCircle : TodoGlyph::Shape::circle, 14);
  check->add_css_class("law-archive-check");
  box->append(*check);
  auto* texts = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 1);
  auto* title = label(target.title, "law-archive-target-title");
  title->set_ellipsize(Pango::EllipsizeMode::END);
  title->set_single_line_mode(true);
  title->set_hexpand(true);
  title->set_max_width_chars(80);
  texts->append(*title);
  if (!target.subtitle.empty()) {
    auto* sub = label(target.subtitle, "law-archive-target-sub");
    sub->set_ellipsize(Pango::EllipsizeMode::END);
    texts->append(*sub);
  }
  texts->set_hexpand(true);
  texts->set_valign(Gtk::Align::CENTER);
  box->append(*texts);
  auto* id = label("#" + std::to_string(target.id), "law-archive-target-id");
  id->set_valign(Gtk::Align::CENTER);
  box->append(*id);
  set_child(*box);
  // Its words are in child labels; a screen reader says what a sighted user reads.
  std::string name = target.title + (target.subtitle.empty() ? "" : " " + target.subtitle) + " #" +
                     std::to_string(target.id);
  gtk_accessible_update_property(GTK_ACCESSIBLE(gobj()), GTK_ACCESSIBLE_PROPERTY_LABEL, name.c_str(), -1);
  signal_clicked().connect(std::move(action));
  lawHandCursor(*this, true);
}

QuickArchiveView::QuickArchiveView(const QuickArchiveServices& services, std::shared_ptr<BrowserModel> browser,
                                   std::vector<fs::path> initialFiles, std::string sourceHint, bool fromHotFolder,
                                   std::function<void()> onClose)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      services_(services),
      browser_(std::move(browser)),
      fromHotFolder_(fromHotFolder),
      onClose_(std::move(onClose)),
      header_("快速归档到卷宗（00_手头材料）", sourceHint, "tray.and.arrow.up.fill"),
      body_(Gtk::Orientation::VERTICAL, 12),
      fileCard_(12),
      dropZone_(Gtk::Orientation::VERTICAL, 6),
      fileRows_(Gtk::Orientation::VERTICAL, 5),
      targetCard_(12),
      targetRows_(Gtk::Orientation::VERTICAL, 4),
      footer_(Gtk::Orientation::HORIZONTAL, 8) {
  installQuickArchiveStyle();
  add_css_class("law-archive-view");
  set_size_request(560, 440);

  // Header with "关闭".
  closeButton_ = makeLawSecondaryButton("关闭", true);
  closeButton_->signal_clicked().connect([this] { close(); });
  lawHandCursor(*closeButton_, true);
  header_.addTrailing(*closeButton_);
  append(header_);

  body_.add_css_class("law-archive-body");
  body_.set_margin(0);
  body_.set_vexpand(true);
  auto* inset = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
  inset->set_margin(14);
  inset->set_vexpand(true);
  body_.append(*inset);

  // The file card.
  fileCard_.add_css_class("law-archive-card");
  auto* fileLine = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  fileLine->set_hexpand(true);
  fileTitle_.add_css_class("law-archive-card-title");
  fileLine->append(fileTitle_);
  fileLine->append(*spacer());
  addButton_ = makeLawSecondaryButton("添加文件…", true);
  addButton_->signal_clicked().connect([this] { pickFiles(); });
  lawHandCursor(*addButton_, true);
  fileLine->append(*addButton_);
  scanButton_ = Gtk::make_managed<ScanImportButton>(
      services_.scanner, services_.workers, [this](const fs::path& p, ScanImportButton::Source s) { receiveScannedFile(p, s); },
      [this](const std::string& text) { setStatus(text); });
  fileLine->append(*scanButton_);
  fileCard_.addContent(*fileLine);

  dropZone_.add_css_class("law-archive-drop");
  dropZone_.set_hexpand(true);
  auto* dropIcon = Gtk::make_managed<TodoGlyph>(TodoGlyph::Shape::arrowDownDoc, 22);
  dropIcon->add_css_class("law-archive-drop-icon");
  dropZone_.append(*dropIcon);
  auto* dropText = label("把微信/桌面文件拖到这里，或点击右上角「扫描 / 粘贴…」", "law-archive-drop-text");
  dropText->set_xalign(0.5);
  dropZone_.append(*dropText);
  fileCard_.addContent(dropZone_);
  fileScroll_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  fileScroll_.set_propagate_natural_height(true);
  fileScroll_.set_max_content_height(112);
  fileScroll_.set_hexpand(true);
  fileScroll_.set_child(fileRows_);
  fileCard_.addContent(fileScroll_);
  inset->append(fileCard_);

  drop_ = Gtk::DropTarget::create(GDK_TYPE_FILE_LIST, Gdk::DragAction::COPY);
  drop_->set_gtypes({GDK_TYPE_FILE_LIST, G_TYPE_STRING});
  drop_->signal_enter().connect(
      [this](double, double) {
        setDropTargeted(true);
        return Gdk::DragAction::COPY;
      },
      false);
  drop_->signal_leave().connect([this] { setDropTargeted(false); });
  drop_->signal_drop().connect([this](const Glib::ValueBase& v, double, double) { return handleDrop(v); }, false);
  fileCard_.add_controller(drop_);

  // The target card.
  targetCard_.add_css_class("law-archive-card");
  auto* targetLine = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  targetLine->set_hexpand(true);
  targetLine->append(*label("选择目标案件程序", "law-archive-card-title"));
  targetLine->append(*spacer());
  auto* search = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 5);
  search->add_css_class("law-archive-search");
  auto* mag = makeSymbolGlyph("magnifyingglass", 10.5);
  mag->add_css_class("law-archive-search-icon");
  search->append(*mag);
  filter_.set_placeholder_text("筛选程序/客户…");
  filter_.set_has_frame(false);
  filter_.set_size_request(140, -1);
  filter_.set_width_chars(1);
  filter_.set_max_width_chars(1);
  filter_.signal_changed().connect([this] { refreshTargets(); });
  search->append(filter_);
  targetLine->append(*search);
  manual_.add_css_class("law-archive-manual");
  manual_.set_placeholder_text("或输程序ID");
  manual_.set_size_request(96, -1);
  manual_.set_width_chars(1);
  manual_.set_max_width_chars(1);
  manual_.signal_changed().connect([this] {
    refreshTargets();
    refreshFooter();
  });
  targetLine->append(manual_);
  targetCard_.addContent(*targetLine);
  emptyTargets_.set_text("暂无近期程序缓存，可先在上方输入程序 ID 或打开一次案件程序");
  emptyTargets_.add_css_class("law-archive-empty");
  emptyTargets_.set_xalign(0);
  emptyTargets_.set_wrap(true);
  targetCard_.addContent(emptyTargets_);
  targetScroll_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  targetScroll_.set_propagate_natural_height(true);
  targetScroll_.set_max_content_height(145);
  targetScroll_.set_hexpand(true);
  targetScroll_.set_child(targetRows_);
  targetCard_.addContent(targetScroll_);
  inset->append(targetCard_);
  append(body_);

  auto* rule = Gtk::make_managed<Gtk::Box>();
  rule->add_css_class("law-archive-rule");
  append(*rule);

  // Footer.
  footer_.add_css_class("law-archive-footer");
  spinner_.set_size_request(12, 12);
  footer_.append(spinner_);
  status_.add_css_class("law-archive-status");
  status_.set_xalign(0);
  status_.set_ellipsize(Pango::EllipsizeMode::END);
  status_.set_single_line_mode(true);
  status_.set_hexpand(true);
  footer_.append(status_);
  uploadButton_ = makeLawPrimaryButton("立即归档上传");
  uploadButton_->signal_clicked().connect([this] { uploadAll(); });
  lawHandCursor(*uploadButton_, true);
  footer_.append(*uploadButton_);
  append(footer_);

  files_ = std::move(initialFiles);
  buildTargets();
  refreshFiles();
  refreshTargets();
  refreshFooter();
}

QuickArchiveView::~QuickArchiveView() = default;

void QuickArchiveView::buildTargets() {
  auto tab = browser_ ? browser_->activeTab() : nullptr;
  std::optional<std::string> tabTitle;
  if (tab) tabTitle = tab->title.get();
  auto list = browser_ ? QA::buildTargets(browser_->activePath().get(), tabTitle, browser_->account().recents.get(),
                                          browser_->account().deadlines.get())
                       : QA::TargetList{};
  targets_ = std::move(list.targets);
  selectedProcID_ = list.selectedProcID;
}

std::vector<QuickArchiveTarget> QuickArchiveView::filteredTargets() const {
  return QA::filteredTargets(targets_, filter_.get_text());
}

long long QuickArchiveView::effectiveProcID() const { return QA::effectiveProcID(manual_.get_text(), selectedProcID_); }

bool QuickArchiveView::handleDrop(const Glib::ValueBase& value) {
  setDropTargeted(false);
  const GValue* v = value.gobj();
  std::vector<fs::path> paths;
  if (G_VALUE_HOLDS(v, GDK_TYPE_FILE_LIST)) {
    if (auto* list = static_cast<GdkFileList*>(g_value_get_boxed(v))) {
      GSList* files = gdk_file_list_get_files(list);
      paths = pathsOfFiles(files);
      g_slist_free(files);
    }
  } else if (G_VALUE_HOLDS_STRING(v) && g_value_get_string(v)) {
    gchar** uris = g_uri_list_extract_uris(g_value_get_string(v));
    for (gchar** u = uris; u && *u; ++u)
      if (gchar* p = g_filename_from_uri(*u, nullptr, nullptr)) {
        paths.emplace_back(p);
        g_free(p);
      }
    g_strfreev(uris);
  }
  // Appended on a later turn, as the items of a drop arrive.
  postToMain(scope_.guard([this, paths] { addFiles(paths); }));
  return true;
}

void QuickArchiveView::addFiles(const std::vector<fs::path>& paths) {
  bool changed = false;
  for (const auto& p : paths)
    if (std::find(files_.begin(), files_.end(), p) == files_.end()) {
      files_.push_back(p);
      changed = true;
    }
  if (!changed) return;
  refreshFiles();
  refreshFooter();
}

void QuickArchiveView::receiveScannedFile(const fs::path& path, ScanImportButton::Source source) {
  files_.push_back(path);
  refreshFiles();
  setStatus(std::string(source == ScanImportButton::Source::scanner ? "已从扫描仪接收：" : "已从剪贴板接收：") +
            path.filename().string());
}

void QuickArchiveView::removeFile(const fs::path& path) {
  std::erase(files_, path);
  refreshFiles();
  refreshFooter();
}

void QuickArchiveView::pickFiles() {
  FilePanels::OpenQuestion q;
  q.title = "选择要归档的文件";
  q.multiple = true;
  services_.panels.askOpenFiles(q, scope_.guard([this](std::vector<fs::path> chosen) {
    std::vector<fs::path> regular;
    for (auto& p : chosen) {
      std::error_code ec;
      if (!fs::is_directory(p, ec)) regular.push_back(std::move(p));
    }
    addFiles(regular);
  }));
}

void QuickArchiveView::selectTarget(long long id) {
  selectedProcID_ = id;
  manual_.set_text("");
  refreshTargets();
  refreshFooter();
}

void QuickArchiveView::close() {
  if (onClose_) onClose_();
}

void QuickArchiveView::setStatus(std::string text) {
  statusMsg_ = std::move(text);
  refreshFooter();
}

void QuickArchiveView::setDropTargeted(bool on) {
  if (isDropTargeted_ == on) return;
  isDropTargeted_ = on;
  if (on) {
    dropZone_.add_css_class("targeted");
    fileCard_.add_css_class("targeted");
  } else {
    dropZone_.remove_css_class("targeted");
    fileCard_.remove_css_class("targeted");
  }
}

void QuickArchiveView::refreshFiles() {
  fileTitle_.set_text("待归档文件（" + std::to_string(files_.size()) + "）");
  dropZone_.set_visible(files_.empty());
  fileScroll_.set_visible(!files_.empty());
  clear(fileRows_);
  for (const auto& f : files_) {
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    row->add_css_class("law-archive-file");
    row->append(*fileIcon(f));
    auto* name = label(f.filename().string(), "law-archive-file-name");
    name->set_ellipsize(Pango::EllipsizeMode::MIDDLE);
    name->set_single_line_mode(true);
    name->set_hexpand(true);
    row->append(*name);
    if (std::string size = sizeText(f); !size.empty()) row->append(*label(size, "law-archive-file-size"));
    auto* remove = Gtk::make_managed<Gtk::Button>();
    remove->add_css_class("law-archive-remove");
    remove->set_has_frame(false);
    remove->set_child(*makeSymbolGlyph("xmark.circle.fill", 13));
    remove->set_tooltip_text("移除");
    remove->signal_clicked().connect([this, f] { removeFile(f); });
    lawHandCursor(*remove, true);
    row->append(*remove);
    fileRows_.append(*row);
  }
}

void QuickArchiveView::refreshTargets() {
  auto shown = filteredTargets();
  const bool manualEmpty = manual_.get_text().empty();
  emptyTargets_.set_visible(shown.empty());
  targetScroll_.set_visible(!shown.empty());
  clear(targetRows_);
  for (const auto& t : shown) {
    const long long id = t.id;
    auto* row = Gtk::make_managed<ArchiveTargetRow>(t, id == selectedProcID_ && manualEmpty,
                                                    [this, id] { selectTarget(id); });
    targetRows_.append(*row);
  }
}

void QuickArchiveView::refreshFooter() {
  spinner_.set_visible(uploading_);
  spinner_.set_spinning(uploading_);
  const std::string text = statusMsg_.empty() ? QA::kIdleStatus : statusMsg_;
  status_.set_text(text);
  status_.set_tooltip_text(text);
  if (text.find("成功") != std::string::npos) status_.add_css_class("success");
  else status_.remove_css_class("success");
  setLawButtonLabel(*uploadButton_, uploading_ ? "上传中…" : "立即归档上传");
  uploadButton_->set_sensitive(!uploading_ && !files_.empty() && effectiveProcID() >= 1);
}

void QuickArchiveView::uploadAll() {
  const long long id = effectiveProcID();
  if (id < 1 || files_.empty() || !browser_) return;
  uploading_ = true;
  setStatus(QA::uploadingText(files_.size(), id));
  logLine(tags::kArchive, "上传 " + std::to_string(files_.size()) + " 个文件到程序 #" + std::to_string(id));
  spawn(runUpload(services_, browser_, files_, id, fromHotFolder_, onClose_,
                  scope_.guard([this, id](const std::optional<std::string>& failure, long long count) {
                    uploading_ = false;
                    setStatus(failure ? QA::failureText(*failure) : QA::successText(count, id));
                  })));
}

Task<void> QuickArchiveView::runUpload(QuickArchiveServices services, std::shared_ptr<BrowserModel> browser,
                                       std::vector<fs::path> files, long long id, bool fromHotFolder,
                                       std::function<void()> onClose,
                                       std::function<void(const std::optional<std::string>&, long long)> report) {
  long long count = 0;
  std::optional<std::string> failure;
  try {
    auto upload = browser->requests().quickUpload(files, id);
    count = co_await upload;
  } catch (...) {
    failure = describe(std::current_exception());
  }
  if (failure) {
    logLine(tags::kArchive, "归档到程序 #" + std::to_string(id) + " 失败：" + *failure, LogLevel::warning);
    report(failure, count);
    co_return;
  }
  report(failure, count);
  if (fromHotFolder) services.inbox.archiveProcessedFiles(files);
  services.audit.record("quick-archive-ok", "proc:" + std::to_string(id), {{"count", count}});
  postToMainAfter(900, [browser, id, onClose] {
    if (onClose) onClose();
    browser->loadInActive("/proceeding/" + std::to_string(id));
  });
}

}  // namespace quorvel
