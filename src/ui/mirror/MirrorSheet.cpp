#include "ui/components/LawStyle.h"
#include "ui/mirror/MirrorSheet.h"

#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/eventcontrollerkey.h>
#include <glibmm/main.h>
#include <gtkmm/dialog.h>
#include <gtkmm/filechoosernative.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/separator.h>
#include <gtkmm/spinner.h>
#include <gtkmm/window.h>

#include <algorithm>

#include "base/ByteCount.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "core/BrowserModel.h"
#include "core/Theme.h"
#include "features/volume/LocalVolume.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/floating/ToolWindowContent.h"
#include "ui/components/WidgetHelpers.h"
#include "ui/model/ThemeCss.h"
#include "ui/model/UnicodeText.h"
#include "ui/todos/TodoGlyphs.h"

namespace quorvel {

namespace {

std::string sheetCss() {
  auto c = [](const LawColor& col) { return col.css(); };
  std::string s;
  s += ".law-mirror-sheet { background: " + c(LawTheme::canvasBg) + "; }\n";
  s += ".law-mirror-volume { background: " + c(LawTheme::surfaceMuted) + "; border-bottom: 1px solid " +
       c(LawTheme::borderLight) + "; padding: 9px 16px; }\n";
  s += ".law-mirror-volume-icon { color: " + c(LawTheme::primary) + "; }\n";
  s += ".law-mirror-path { font-family: monospace; font-size: 11.5px; color: " + c(LawTheme::textSecondary) + "; }\n";
  s += ".law-mirror-pill { border-radius: 999px; padding: 4px 9px; font-size: 11.5px; font-weight: 600; }\n";
  s += ".law-mirror-pill.mounted { color: " + c(LawTheme::success) + "; background: " + c(LawTheme::successSoft) +
       "; border: 1px solid " + c(LawTheme::successBorder) + "; }\n";
  s += ".law-mirror-pill.mirror { color: " + c(LawTheme::warning) + "; background: " + c(LawTheme::warningSoft) +
       "; border: 1px solid " + c(LawTheme::warningBorder) + "; }\n";
  s += ".law-mirror-dot { border-radius: 999px; min-width: 7px; min-height: 7px; background: currentColor; }\n";
  s += ".law-mirror-mismatch { background: " + c(LawTheme::warningSoft) + "; border-bottom: 1px solid " +
       c(LawTheme::warningBorder) + "; padding: 8px 16px; }\n";
  s += ".law-mirror-mismatch-icon { color: " + c(LawTheme::warning) + "; }\n";
  s += ".law-mirror-mismatch label { font-size: 12px; font-weight: 500; color: " + c(LawTheme::textPrimary) + "; }\n";
  s += ".law-mirror-left { background: " + c(LawTheme::surface) + "; }\n";
  s += ".law-mirror-search { margin: 10px; padding: 0 9px; border-radius: 6px; border: 1px solid " +
       c(LawTheme::border) + "; background: " + c(LawTheme::surface) + "; }\n";
  s += ".law-mirror-search entry, .law-mirror-search text { background: transparent; border: none; box-shadow: none; "
       "outline: none; font-size: 12px; min-height: 26px; }\n";
  s += ".law-mirror-muted { color: " + c(LawTheme::textMuted) + "; }\n";
  s += ".law-mirror-list-title { font-size: 11px; font-weight: 600; color: " + c(LawTheme::textSecondary) + "; }\n";
  s += ".law-mirror-icon-button { background: none; border: none; box-shadow: none; padding: 2px; min-height: 0; "
       "min-width: 0; color: " + c(LawTheme::textSecondary) + "; }\n";
  s += ".law-mirror-row { border-radius: 8px; padding: 8px 10px; border: 1px solid transparent; }\n";
  s += ".law-mirror-row:hover { background: " + c(LawTheme::surfaceMuted) + "; }\n";
  s += ".law-mirror-row.selected { background: " + c(LawTheme::primarySoft) + "; border-color: " +
       c(LawColor::rgb8(27, 58, 92, 0.22)) + "; }\n";
  s += ".law-mirror-row-title { font-size: 12.5px; font-weight: 600; color: " + c(LawTheme::textPrimary) + "; }\n";
  s += ".law-mirror-row-sub { font-size: 11px; color: " + c(LawTheme::textMuted) + "; }\n";
  s += ".law-mirror-folder-icon { color: " + c(LawTheme::gold) + "; }\n";
  s += ".law-mirror-error { font-size: 11.5px; color: " + c(LawTheme::danger) + "; margin: 10px; }\n";
  s += ".law-mirror-empty { font-size: 12px; color: " + c(LawTheme::textMuted) + "; margin: 30px 0; }\n";
  s += ".law-mirror-rule { background: " + c(LawTheme::borderLight) + "; min-width: 1px; min-height: 1px; }\n";
  s += ".law-mirror-detail-bar { background: " + c(LawTheme::surface) + "; border-bottom: 1px solid " +
       c(LawTheme::borderLight) + "; padding: 11px 14px; }\n";
  s += ".law-mirror-detail-title { font-size: 13px; font-weight: 700; color: " + c(LawTheme::textPrimary) + "; }\n";
  s += ".law-mirror-detail-sub { font-size: 11px; color: " + c(LawTheme::textSecondary) + "; }\n";
  s += ".law-mirror-placeholder { font-size: 13px; color: " + c(LawTheme::textSecondary) + "; }\n";
  s += ".law-mirror-card-title { font-size: 12.5px; font-weight: 700; color: " + c(LawTheme::textPrimary) + "; }\n";
  s += ".law-mirror-badge { border-radius: 999px; padding: 2px 6px; font-size: 10px; font-weight: 700; }\n";
  s += ".law-mirror-badge.missing { color: " + c(LawTheme::danger) + "; background: " + c(LawTheme::dangerSoft) + "; }\n";
  s += ".law-mirror-badge.newer { color: " + c(LawTheme::warning) + "; background: " + c(LawTheme::warningSoft) + "; }\n";
  s += ".law-mirror-diff-rel { font-size: 11.5px; color: " + c(LawTheme::textPrimary) + "; }\n";
  s += ".law-mirror-size { font-family: monospace; font-size: 11px; color: " + c(LawTheme::textMuted) + "; }\n";
  s += ".law-mirror-footer { background: " + c(LawTheme::surface) + "; padding: 9px 16px; }\n";
  s += ".law-mirror-footer label { font-size: 11.5px; color: " + c(LawTheme::textSecondary) + "; }\n";
  s += ".law-mirror-check { border-radius: 4px; min-width: 14px; min-height: 14px; border: 1.5px solid " +
       c(LawTheme::border) + "; }\n";
  s += ".law-mirror-contract { padding: 7px 10px 7px 0; border-radius: 6px; }\n";
  s += ".law-mirror-selection-bar { background: " + c(LawTheme::primary) + "; border-radius: 1.5px; }\n";
  s += ".law-mirror-contract-no { font-size: 12.5px; font-weight: 500; color: " + c(LawTheme::textPrimary) + "; }\n";
  s += ".law-mirror-contract:hover .law-mirror-contract-no { color: " + c(LawTheme::primary) + "; }\n";
  s += ".law-mirror-contract.selected .law-mirror-contract-no { font-weight: 600; color: " + c(LawTheme::primary) +
       "; }\n";
  s += ".law-mirror-chevron { color: " + c(LawTheme::primary) + "; opacity: 0; margin-left: -3px; }\n";
  s += ".law-mirror-contract:hover .law-mirror-chevron { opacity: 0.55; margin-left: 0; }\n";
  s += ".law-mirror-contract.selected .law-mirror-chevron { opacity: 1; margin-left: 0; }\n";
  s += ".law-mirror-row.checked { background: " + c(LawColor::rgb8(27, 58, 92, 0.052)) + "; }\n";
  s += ".law-mirror-row.checked:hover { background: " + c(LawTheme::primarySoft) + "; }\n";
  s += ".law-mirror-folder-name { font-size: 12.5px; color: " + c(LawTheme::textPrimary) + "; }\n";
  s += ".law-mirror-folder-bytes { font-family: monospace; font-size: 11px; color: " + c(LawTheme::textSecondary) +
       "; }\n";
  s += ".law-mirror-tick { font-size: 10px; margin-left: 2px; font-weight: 800; color: white; }\n";
  s += ".law-mirror-check.on { background: " + c(LawTheme::primary) + "; border-color: " + c(LawTheme::primary) +
       "; color: white; }\n";
  // The detail's cards drawn row by row: each row is a piece of its card (sides; the
  // first the top, the last the bottom and the card's shadow), so the rows can be
  // recycled and the cards still look whole.
  std::string shadows;
  for (const auto& sh : lawCardShadows()) shadows += (shadows.empty() ? "" : ", ") + lawShadowCss(sh);
  const std::string radius = std::to_string(static_cast<int>(LawMetrics::cardRadius)) + "px";
  s += ".law-mirror-piece { background: " + c(LawTheme::surface) + "; border-left: 1px solid " +
       c(LawTheme::borderLight) + "; border-right: 1px solid " + c(LawTheme::borderLight) + "; }\n";
  s += ".law-mirror-piece.first { border-top: 1px solid " + c(LawTheme::borderLight) + "; border-top-left-radius: " +
       radius + "; border-top-right-radius: " + radius + "; }\n";
  s += ".law-mirror-piece.last { border-bottom: 1px solid " + c(LawTheme::borderLight) +
       "; border-bottom-left-radius: " + radius + "; border-bottom-right-radius: " + radius + "; box-shadow: " +
       shadows + "; }\n";
  return s;
}

void installStyle() {
  addDisplayCssOnce("mirror-sheet", sheetCss);
}

Gtk::Label* label(const std::string& text, const char* cls, bool ellipsizeMiddle = false) {
  auto* l = Gtk::make_managed<Gtk::Label>(text);
  l->add_css_class(cls);
  l->set_xalign(0);
  if (ellipsizeMiddle) {
    l->set_ellipsize(Pango::EllipsizeMode::MIDDLE);
    l->set_single_line_mode(true);
  }
  return l;
}

Gtk::Widget* glyph(const char* symbol, double size, const char* cls) {
  auto* g = makeSymbolGlyph(symbol, size);
  g->add_css_class(cls);
  return g;
}

void clear(Gtk::Box& box) {
  while (auto* child = box.get_first_child()) box.remove(*child);
}

}  // namespace

// A contract of the list, built once and shown other contracts as the list scrolls:
// the selection bar, the number and the counts; a click selects it.
class MirrorContractRow : public Gtk::Box, public ListRow {
 public:
  explicit MirrorContractRow(MirrorSheet& sheet)
      : Gtk::Box(Gtk::Orientation::HORIZONTAL, 9), texts_(Gtk::Orientation::VERTICAL, 2) {
    add_css_class("law-mirror-row");
    add_css_class("law-mirror-contract");
    set_hexpand(true);
    // The column's margins and the gap between rows.
    set_margin_start(8);
    set_margin_end(8);
    set_margin_bottom(4);
    auto click = Gtk::GestureClick::create();
    click->signal_released().connect([this, &sheet](int, double, double) { sheet.store_->selection().selectContract(id_); });
    add_controller(click);
    lawHandCursor(*this, true);
    bar_.add_css_class("law-mirror-selection-bar");
    bar_.set_size_request(3, 22);
    bar_.set_valign(Gtk::Align::CENTER);
    append(bar_);
    texts_.set_hexpand(true);
    texts_.set_size_request(180, -1);
    no_ = label("", "law-mirror-contract-no", true);
    sub_ = label("", "law-mirror-row-sub");
    texts_.append(*no_);
    texts_.append(*sub_);
    append(texts_);
    append(*glyph("chevron.right", 10, "law-mirror-chevron"));
  }

  void bind(const MirrorSheet::ContractRow& row) {
    id_ = row.node.id;
    bar_.set_opacity(row.selected ? 1 : 0);
    setCssClass(*this, "selected", row.selected);
    no_->set_text(row.node.no);
    sub_->set_text(std::to_string(row.node.clients) + " 客户 · " + std::to_string(row.node.procs) + " 程序");
    setAccessibleLabel(*this, row.node.no);
  }

 private:
  long long id_ = 0;
  Gtk::Box bar_;
  Gtk::Box texts_;
  Gtk::Label* no_ = nullptr;
  Gtk::Label* sub_ = nullptr;
};

// A row of the detail's list, built once and shown other rows as the list scrolls: a
// piece of the folder card (a folder with its tick, or the no-files line) or of the
// difference card (its head with "一键补齐差异", a difference, the overflow line). Only
// the part of its kind is visible; the others keep no text.
class MirrorDetailRowView : public Gtk::Box, public ListRow {
 public:
  explicit MirrorDetailRowView(MirrorSheet& sheet)
      : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
        folder_(Gtk::Orientation::HORIZONTAL, 9),
        head_(Gtk::Orientation::VERTICAL, 0),
        headRow_(Gtk::Orientation::HORIZONTAL, 8),
        diff_(Gtk::Orientation::HORIZONTAL, 8) {
    add_css_class("law-mirror-piece");
    set_hexpand(true);
    set_margin_start(14);
    set_margin_end(14);

    // The folder: the whole row takes the click.
    folder_.add_css_class("law-mirror-row");
    folder_.set_hexpand(true);
    auto click = Gtk::GestureClick::create();
    click->signal_released().connect([this, &sheet](int, double, double) {
      if (kind_ == MirrorDetailRow::Kind::folder) sheet.store_->selection().toggleFolder(id_);
    });
    folder_.add_controller(click);
    lawHandCursor(folder_, true);
    check_.add_css_class("law-mirror-check");
    check_.set_valign(Gtk::Align::CENTER);
    check_.set_halign(Gtk::Align::START);
    check_.set_hexpand(false);
    check_.set_size_request(16, 16);
    tick_.set_text("✓");
    tick_.add_css_class("law-mirror-tick");
    tick_.set_halign(Gtk::Align::CENTER);
    check_.append(tick_);
    folder_.append(check_);
    folder_.append(*glyph("folder.fill", 13, "law-mirror-folder-icon"));
    folderName_ = label("", "law-mirror-folder-name", true);
    folderName_->set_hexpand(true);
    folder_.append(*folderName_);
    folderCount_ = label("", "law-mirror-row-sub");
    folder_.append(*folderCount_);
    folderBytes_ = label("", "law-mirror-folder-bytes");
    folderBytes_->set_xalign(1);
    folderBytes_->set_size_request(72, -1);
    folder_.append(*folderBytes_);
    append(folder_);

    note_.set_xalign(0);
    append(note_);

    headTitle_ = label("", "law-mirror-card-title");
    headTitle_->set_hexpand(true);
    headRow_.append(*headTitle_);
    fill_ = makeLawPrimaryButton("一键补齐差异", true);
    fill_->signal_clicked().connect([&sheet] {
      sheet.recountOldAfter(sheet.store_->transfers().downloadDiffs());
    });
    headRow_.append(*fill_);
    head_.append(headRow_);
    auto* rule = Gtk::make_managed<Gtk::Box>();
    rule->add_css_class("law-mirror-rule");
    rule->set_margin_top(static_cast<int>(LawMetrics::cardSpacing));
    rule->set_margin_bottom(static_cast<int>(LawMetrics::cardSpacing));
    head_.append(*rule);
    append(head_);

    badge_ = label("", "law-mirror-badge");
    badge_->set_valign(Gtk::Align::CENTER);
    diff_.append(*badge_);
    rel_ = label("", "law-mirror-diff-rel", true);
    rel_->set_hexpand(true);
    diff_.append(*rel_);
    size_ = label("", "law-mirror-size");
    diff_.append(*size_);
    append(diff_);
  }

  void bind(const MirrorDetailRow& row) {
    using Kind = MirrorDetailRow::Kind;
    kind_ = row.kind;
    id_ = row.id;
    setCssClass(*this, "first", row.firstInCard);
    setCssClass(*this, "last", row.lastInCard);
    // The card's inset: 10 around the folder rows, 14 around the no-files line, 12
    // around the difference card; rows 4 (folders) and 6 (differences) apart.
    const bool folderCard = row.kind == Kind::folder || row.kind == Kind::noFiles;
    const int pad = row.kind == Kind::noFiles ? 14 : folderCard ? 10 : 12;
    const int gap = folderCard ? 4 : 6;
    set_margin_top(row.firstInCard ? (row.secondCard ? 12 : 14) : 0);
    set_margin_bottom(row.lastInList ? 14 : 0);
    Gtk::Widget* shown = row.kind == Kind::folder ? static_cast<Gtk::Widget*>(&folder_)
                         : row.kind == Kind::diffHead ? static_cast<Gtk::Widget*>(&head_)
                         : row.kind == Kind::diff     ? static_cast<Gtk::Widget*>(&diff_)
                                                      : static_cast<Gtk::Widget*>(&note_);
    for (Gtk::Widget* part : {static_cast<Gtk::Widget*>(&folder_), static_cast<Gtk::Widget*>(&head_),
                              static_cast<Gtk::Widget*>(&diff_), static_cast<Gtk::Widget*>(&note_)}) {
      part->set_visible(part == shown);
      part->set_margin_start(pad);
      part->set_margin_end(pad);
    }
    shown->set_margin_top(row.firstInCard ? pad : 0);
    shown->set_margin_bottom(row.lastInCard ? pad : gap);

    const bool folder = row.kind == Kind::folder;
    folderName_->set_text(folder ? row.text : "");
    folderCount_->set_text(folder ? std::to_string(row.count) + " 个文件" : "");
    folderBytes_->set_text(folder ? byteCountText(row.bytes) : "");
    tick_.set_visible(folder && row.checked);
    setCssClass(check_, "on", folder && row.checked);
    setCssClass(folder_, "checked", folder && row.checked);
    setCssClass(*folderName_, "law-mirror-row-title", folder && row.checked);
    setCssClass(*folderName_, "law-mirror-folder-name", !(folder && row.checked));
    setAccessibleLabel(folder_, folder ? mirrorFolderAccessibleName(row) : "");

    const bool note = row.kind == Kind::noFiles || row.kind == Kind::diffMore;
    note_.set_text(note ? row.text : "");
    setCssClass(note_, "law-mirror-muted", row.kind == Kind::noFiles);
    setCssClass(note_, "law-mirror-row-sub", row.kind == Kind::diffMore);

    headTitle_->set_text(row.kind == Kind::diffHead ? row.text : "");
    fill_->set_sensitive(row.kind == Kind::diffHead && row.enabled);

    const bool diff = row.kind == Kind::diff;
    badge_->set_text(diff ? rawValue(row.diffKind) : "");
    setCssClass(*badge_, "missing", diff && row.diffKind == MirrorDiffKind::missing);
    setCssClass(*badge_, "newer", diff && row.diffKind != MirrorDiffKind::missing);
    rel_->set_text(diff ? row.text : "");
    size_->set_text(diff ? byteCountText(row.bytes) : "");
  }

 private:
  MirrorDetailRow::Kind kind_ = MirrorDetailRow::Kind::noFiles;
  std::string id_;
  Gtk::Box folder_;
  Gtk::Box check_;
  Gtk::Label tick_;
  Gtk::Label* folderName_ = nullptr;
  Gtk::Label* folderCount_ = nullptr;
  Gtk::Label* folderBytes_ = nullptr;
  Gtk::Label note_;
  Gtk::Box head_;
  Gtk::Box headRow_;
  Gtk::Label* headTitle_ = nullptr;
  Gtk::Button* fill_ = nullptr;
  Gtk::Box diff_;
  Gtk::Label* badge_ = nullptr;
  Gtk::Label* rel_ = nullptr;
  Gtk::Label* size_ = nullptr;
};

MirrorSheet::MirrorSheet(std::shared_ptr<MirrorStore> store, std::shared_ptr<BrowserModel> browser,
                         std::function<void()> onClose)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      store_(std::move(store)),
      browser_(browser),
      onClose_(std::move(onClose)),
      header_("本地卷宗与离线镜像", "", "externaldrive.connected.to.line.below"),
      pill_(Gtk::Orientation::HORIZONTAL, 5),
      volumeBar_(Gtk::Orientation::HORIZONTAL, 10),
      mismatch_(Gtk::Orientation::HORIZONTAL, 8),
      rows_([](const ContractRow& r) {
        return std::to_string(r.node.id) + '\x1f' + r.node.no + '\x1f' + std::to_string(r.node.clients) + '\x1f' +
               std::to_string(r.node.procs) + (r.selected ? "\x1fS" : "\x1f-");
      }),
      detail_(Gtk::Orientation::VERTICAL, 0),
      placeholder_(Gtk::Orientation::VERTICAL, 8),
      detailBar_(Gtk::Orientation::HORIZONTAL, 8),
      footer_(Gtk::Orientation::HORIZONTAL, 10) {
  installStyle();
  add_css_class("law-mirror-sheet");
  set_size_request(740, 460);

  // Header: status pill and "关闭" (Escape presses it).
  pill_.add_css_class("law-mirror-pill");
  header_.addTrailing(pill_);
  auto* closeButton = makeLawPrimaryButton("关闭", true);
  closeButton->signal_clicked().connect([this] { close(); });
  header_.addTrailing(*closeButton);
  append(header_);
  auto keys = Gtk::EventControllerKey::create();
  keys->signal_key_pressed().connect(
      [this](guint key, guint, Gdk::ModifierType) {
        if (key != GDK_KEY_Escape) return false;
        close();
        return true;
      },
      false);
  add_controller(keys);

  volumeBar_.add_css_class("law-mirror-volume");
  append(volumeBar_);
  append(openFailure_);

  mismatch_.add_css_class("law-mirror-mismatch");
  auto* warn = Gtk::make_managed<Gtk::Label>("⚠");
  warn->add_css_class("law-mirror-mismatch-icon");
  mismatch_.append(*warn);
  mismatchText_.set_hexpand(true);
  mismatchText_.set_xalign(0);
  mismatch_.append(mismatchText_);
  auto* reconnect = makeLawSecondaryButton("断开重连", true);
  reconnect->signal_clicked().connect([this] { disconnectVolume(); });
  mismatch_.append(*reconnect);
  append(mismatch_);

  // Main area: contracts | rule | detail.
  auto* main = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 0);
  main->set_vexpand(true);
  auto* left = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 0);
  left->add_css_class("law-mirror-left");
  left->set_size_request(268, -1);
  left->set_hexpand(false);
  auto* searchRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  searchRow->add_css_class("law-mirror-search");
  searchRow->append(*glyph("magnifyingglass", 11, "law-mirror-muted"));
  search_.set_placeholder_text("筛选合同编号…");
  setAccessibleLabel(search_, "筛选合同编号");
  search_.set_hexpand(true);
  search_.set_width_chars(8);
  searchRow->append(search_);
  auto* clearSearch = Gtk::make_managed<Gtk::Button>();
  clearSearch->add_css_class("law-mirror-icon-button");
  clearSearch->set_child(*glyph("xmark.circle.fill", 11, "law-mirror-muted"));
  setAccessibleLabel(*clearSearch, "清除筛选");
  clearSearch->signal_clicked().connect([this] { search_.set_text(""); });
  searchRow->append(*clearSearch);
  search_.signal_changed().connect([this, clearSearch] {
    clearSearch->set_visible(!search_.get_text().empty());
    listDirty_ = true;
    scheduleRender();
  });
  clearSearch->set_visible(false);
  left->append(*searchRow);
  auto* listHead = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 0);
  listHead->set_margin_start(12);
  listHead->set_margin_end(12);
  listHead->set_margin_bottom(6);
  listTitle_.add_css_class("law-mirror-list-title");
  listTitle_.set_hexpand(true);
  listTitle_.set_xalign(0);
  listHead->append(listTitle_);
  auto* reload = Gtk::make_managed<Gtk::Button>();
  reload->add_css_class("law-mirror-icon-button");
  reload->set_child(*glyph("arrow.clockwise", 10.5, "law-mirror-list-title"));
  reload->set_tooltip_text("刷新合同列表");
  setAccessibleLabel(*reload, "刷新合同列表");
  reload->signal_clicked().connect([this] { spawn(store_->listing().loadNodes()); });
  listHead->append(*reload);
  left->append(*listHead);
  listState_.set_wrap(true);
  listState_.set_xalign(0);
  listState_.set_margin_start(8);
  listState_.set_margin_end(8);
  left->append(listState_);
  list_ = makeRowListView<ContractRow, MirrorContractRow>(
      rows_, [this] { return Gtk::make_managed<MirrorContractRow>(*this); }, "law-mirror-contracts");
  listScroll_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  listScroll_.set_vexpand(true);
  listScroll_.set_child(*list_);
  left->append(listScroll_);
  main->append(*left);
  auto* rule = Gtk::make_managed<Gtk::Box>();
  rule->add_css_class("law-mirror-rule");
  main->append(*rule);
  buildDetail();
  main->append(detail_);
  append(*main);
  auto* hrule = Gtk::make_managed<Gtk::Box>();
  hrule->add_css_class("law-mirror-rule");
  append(*hrule);
  footer_.add_css_class("law-mirror-footer");
  append(footer_);

  // Each field marks the parts that show it; the others are left as they are.
  auto watch = [this](sigc::signal<void()>& s, bool list, bool detail) {
    connections_.emplace_back(s.connect([this, list, detail] {
      listDirty_ = listDirty_ || list;
      detailDirty_ = detailDirty_ || detail;
      scheduleRender();
    }));
  };
  connections_.emplace_back(store_->listing().contracts.changed().connect([this] { contractKeysValid_ = false; }));
  watch(store_->listing().contracts.changed(), true, false);
  watch(store_->selection().diffs.changed(), false, true);
  watch(store_->selection().folders.changed(), false, true);
  watch(store_->selection().selectedFolders.changed(), false, true);
  watch(store_->selection().selectedContract.changed(), true, true);
  watch(store_->activity().busy.changed(), true, true);
  watch(store_->activity().progressText.changed(), false, false);
  watch(store_->activity().lastError.changed(), true, false);
  watch(store_->location().volumeRevision.changed(), false, false);
  watch(store_->location().mountMismatch.changed(), false, false);
  watch(store_->location().mountCheckNote.changed(), false, false);
  watch(store_->location().config.changed(), false, false);

  signal_map().connect([this] { appear(); });
  render();
}

MirrorSheet::~MirrorSheet() = default;

namespace {
template <class T>
Task<void> awaitThen(Task<T> work, std::function<void()> then) {
  co_await work;
  then();
}
}  // namespace

template <class T>
void MirrorSheet::recountOldAfter(Task<T> work) {
  spawn(awaitThen(std::move(work), scope_.guard([this] {
    oldInfo_ = store_->maintenance().oldVersionInfo();
    scheduleRender();
  })));
}

void MirrorSheet::appear() {
  oldInfo_ = store_->maintenance().oldVersionInfo();
  // Work still running from an earlier showing (a cache, a check) keeps its status line
  // and its busy state; the list is read again when the sheet next comes up idle.
  if (store_->activity().busy.get()) return scheduleRender();
  store_->location().refreshVolume();
  auto store = store_;
  spawn([](std::shared_ptr<MirrorStore> s) -> Task<void> {
    Task<void> load = s->listing().loadNodes();
    co_await load;
    Task<void> verify = s->location().verifyMount();
    co_await verify;
    MirrorSelection& selection = s->selection();
    const auto& contracts = s->listing().contracts.get();
    if (!selection.selectedContract.get() && !contracts.empty()) selection.selectContract(contracts.front().id);
  }(store));
  scheduleRender();
}

std::vector<MirrorNode> MirrorSheet::filteredContracts() const {
  const auto& contracts = store_->listing().contracts.get();
  if (!contractKeysValid_) {
    std::vector<std::string> numbers;
    numbers.reserve(contracts.size());
    for (const auto& n : contracts) numbers.push_back(n.no);
    contractKeys_.reset(numbers);
    contractKeysValid_ = true;
  }
  const std::string q = trimmedWhitespace(search_.get_text());
  if (q.empty()) return contracts;
  return elementsAt(contracts, contractKeys_.matching(q));
}

void MirrorSheet::scheduleRender() {
  if (pending_) return;
  pending_ = SourceId(g_idle_add(
      [](gpointer self) -> gboolean {
        auto* sheet = static_cast<MirrorSheet*>(self);
        sheet->pending_.forget();
        sheet->render();
        return G_SOURCE_REMOVE;
      },
      this));
}

void MirrorSheet::render() {
  auto mode = store_->location().accessMode();
  header_.subtitleLabel().set_text(mode.mounted ? "卷宗盘已挂载（直连模式），可直接在文件管理器浏览或按需做离线副本"
                                                : "当前使用本地镜像目录，可勾选子目录离线缓存到本地");
  clear(pill_);
  pill_.remove_css_class("mounted");
  pill_.remove_css_class("mirror");
  pill_.add_css_class(mode.mounted ? "mounted" : "mirror");
  auto* dot = Gtk::make_managed<Gtk::Box>();
  dot->add_css_class("law-mirror-dot");
  dot->set_valign(Gtk::Align::CENTER);
  pill_.append(*dot);
  pill_.append(*Gtk::make_managed<Gtk::Label>(mode.mounted ? "卷宗盘已连接" : "本地镜像模式"));
  renderVolumeBar();
  mismatch_.set_visible(store_->location().mountMismatch.get());
  mismatchText_.set_text(store_->location().mountCheckNote.get());
  if (listDirty_) renderList();
  listDirty_ = false;
  if (detailDirty_) renderDetail();
  detailDirty_ = false;
  renderFooter();
}

void MirrorSheet::renderVolumeBar() {
  clear(volumeBar_);
  auto mode = store_->location().accessMode();
  volumeBar_.append(*glyph(mode.mounted ? "externaldrive" : "folder.fill", 12.5,
                           "law-mirror-volume-icon"));
  auto* path = label(mode.root.string(), "law-mirror-path", true);
  path->set_hexpand(true);
  path->set_margin_end(8);
  volumeBar_.append(*path);
  auto* open = makeLawSecondaryButton("文件管理器打开", true);
  open->signal_clicked().connect([this] { openFailure_.report(store_->location().openRoot()); });
  volumeBar_.append(*open);
  if (mode.mounted) {
    auto* b = makeLawSecondaryButton(volumeBusy_ ? "断开中…" : "断开卷宗盘", true);
    b->set_sensitive(!volumeBusy_);
    b->signal_clicked().connect([this] { disconnectVolume(); });
    volumeBar_.append(*b);
  } else {
    auto* b = makeLawPrimaryButton(volumeBusy_ ? "连接中…" : "连接卷宗盘", true);
    b->set_sensitive(!volumeBusy_);
    b->signal_clicked().connect([this] { connectVolume(); });
    volumeBar_.append(*b);
    auto* change = makeLawSecondaryButton("更改目录…", true);
    change->signal_clicked().connect([this] { pickRoot(); });
    volumeBar_.append(*change);
  }
}

void MirrorSheet::renderList() {
  auto shown = filteredContracts();
  listTitle_.set_text("案件合同（" + std::to_string(shown.size()) + "）");
  std::optional<std::string> state;
  if (auto err = store_->activity().lastError.get()) state = *err;
  else if (shown.empty()) state = store_->activity().busy.get() ? "加载中…" : "暂无可同步的合同";
  std::vector<ContractRow> rows;
  if (!state) {
    rows.reserve(shown.size());
    const auto selected = store_->selection().selectedContract.get();
    for (auto& node : shown) {
      const bool isSelected = selected == node.id;
      rows.push_back(ContractRow{std::move(node), isSelected});
    }
  }
  rows_.assign(rows);
  listScroll_.set_visible(!state);
  listState_.set_visible(state.has_value());
  listState_.set_text(state.value_or(""));
  const bool error = store_->activity().lastError.get().has_value();
  setCssClass(listState_, "law-mirror-error", error);
  setCssClass(listState_, "law-mirror-empty", !error);
  listState_.set_halign(error ? Gtk::Align::FILL : Gtk::Align::CENTER);
}

void MirrorSheet::buildDetail() {
  detail_.set_hexpand(true);
  detail_.set_vexpand(true);

  // No contract chosen: the placeholder, centred in the whole area.
  placeholder_.set_valign(Gtk::Align::CENTER);
  placeholder_.set_halign(Gtk::Align::CENTER);
  placeholder_.set_vexpand(true);
  placeholder_.append(*glyph("folder.badge.gearshape", 30, "law-mirror-muted"));
  placeholder_.append(*label("从左侧选择一个合同查看子目录与本地差异", "law-mirror-placeholder"));
  detail_.append(placeholder_);

  detailBar_.add_css_class("law-mirror-detail-bar");
  auto* titles = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  titles->set_hexpand(true);
  titles->append(*label("勾选要缓存的子目录", "law-mirror-detail-title"));
  summary_.add_css_class("law-mirror-detail-sub");
  summary_.set_xalign(0);
  titles->append(summary_);
  detailBar_.append(*titles);
  selectAll_ = makeLawSecondaryButton("全选", true);
  selectAll_->signal_clicked().connect([this] { store_->selection().selectAllFolders(); });
  detailBar_.append(*selectAll_);
  check_ = makeLawSecondaryButton("检查差异", true);
  check_->signal_clicked().connect([this] { spawn(store_->selection().check()); });
  detailBar_.append(*check_);
  cache_ = makeLawPrimaryButton("缓存所选目录", true);
  cache_->signal_clicked().connect([this] { recountOldAfter(store_->transfers().cacheAll()); });
  detailBar_.append(*cache_);
  detail_.append(detailBar_);

  detailList_ = makeRowListView<MirrorDetailRow, MirrorDetailRowView>(
      detailRows_,
      [this] {
        ++detailRowsMade_;
        return Gtk::make_managed<MirrorDetailRowView>(*this);
      },
      "law-mirror-detail-list");
  detailScroll_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  detailScroll_.set_vexpand(true);
  detailScroll_.set_child(*detailList_);
  detail_.append(detailScroll_);
}

// Only what changed is redrawn: the bar when its shown values differ, the rows by the
// splices of those that differ.
void MirrorSheet::renderDetail() {
  const auto chosen = store_->selection().selectedContract.get();
  const bool busy = store_->activity().busy.get();
  const auto& folders = store_->selection().folders.get();
  const auto& ticks = store_->selection().selectedFolders.get();
  const auto bar = mirrorDetailBar(chosen.has_value(), folders, ticks, chosen ? store_->selection().selectedFoldersBytes() : 0, busy);
  if (detailBarUpdates_ == 0 || !(bar == shownBar_)) {
    placeholder_.set_visible(!bar.contractChosen);
    detailBar_.set_visible(bar.contractChosen);
    detailScroll_.set_visible(bar.contractChosen);
    summary_.set_text(bar.summary);
    selectAll_->set_sensitive(bar.selectAllEnabled);
    check_->set_sensitive(bar.checkEnabled);
    cache_->set_sensitive(bar.cacheEnabled);
    shownBar_ = bar;
    ++detailBarUpdates_;
  }
  // Another contract starts at the top of its folders; the same one keeps its place.
  if (chosen != shownContract_) {
    shownContract_ = chosen;
    detailScroll_.get_vadjustment()->set_value(0);
  }
  if (!chosen) {
    detailRows_.assign({});
    return;
  }
  detailRows_.assign(mirrorDetailRows(folders, ticks, store_->selection().diffs.get(), busy));
}

void MirrorSheet::renderFooter() {
  clear(footer_);
  if (store_->activity().busy.get()) {
    auto* spin = Gtk::make_managed<Gtk::Spinner>();
    spin->start();
    footer_.append(*spin);
  }
  const std::string& text = store_->activity().progressText.get();
  auto* status = label(text.empty() ? "就绪" : text, "law-mirror-footer", true);
  status->set_hexpand(true);
  status->set_margin_end(10);
  footer_.append(*status);
  footer_.append(*label("旧版本备份：" + std::to_string(oldInfo_.count) + " 个（" +
                            byteCountText(oldInfo_.bytes) + "）",
                        "law-mirror-row-sub"));
  if (oldInfo_.count >= 1) {
    auto* clearOld = makeLawSecondaryButton("清空旧版本", true, true);
    clearOld->signal_clicked().connect([this] {
      recountOldAfter(store_->maintenance().clearOldVersions(true));
    });
    footer_.append(*clearOld);
  }
}

// The store hears the outcome even when the sheet is gone.
void MirrorSheet::connectVolume() {
  volumeBusy_ = true;
  scheduleRender();
  store_->location().volume().connect(
      [sheetDone = scope_.guard([this] { volumeEnded(); }), store = store_](bool ok, const std::string& message) {
        store->volumeChanged(ok ? "已连接卷宗盘：" + message : message);
        spawn(store->location().verifyMount());
        sheetDone();
      });
}

void MirrorSheet::disconnectVolume() {
  volumeBusy_ = true;
  scheduleRender();
  store_->location().volume().disconnect(
      [sheetDone = scope_.guard([this] { volumeEnded(); }), store = store_](bool ok, const std::string& message) {
        store->volumeChanged(ok ? message : "断开失败：" + message);
        sheetDone();
      });
}

void MirrorSheet::volumeEnded() {
  volumeBusy_ = false;
  scheduleRender();
}

void MirrorSheet::pickRoot() {
  // Folders only; the chooser lets the user create one.
  auto chooser = Gtk::FileChooserNative::create("", Gtk::FileChooser::Action::SELECT_FOLDER, "用这个文件夹", "取消");
  if (auto* window = dynamic_cast<Gtk::Window*>(get_root())) chooser->set_transient_for(*window);
  chooser->set_modal(true);
  chooser->set_create_folders(true);
  std::error_code ec;
  if (std::filesystem::is_directory(store_->location().root(), ec))
    chooser->set_current_folder(Gio::File::create_for_path(store_->location().root().string()));
  auto store = store_;
  Gtk::FileChooserNative* raw = chooser.get();
  chooser->signal_response().connect([raw, chooser, store](int response) mutable {
    if (response == Gtk::ResponseType::ACCEPT)
      if (auto file = raw->get_file(); file && !file->get_path().empty()) store->chooseRoot(file->get_path());
    raw->hide();
    // Released after its signal emission is over.
    Glib::signal_idle().connect_once([keep = std::move(chooser)] {});
  });
  chooser->show();
}

void MirrorSheet::close() {
  if (onClose_) return onClose_();
  if (auto* window = dynamic_cast<Gtk::Window*>(get_root())) window->set_visible(false);
}

void registerMirrorSheet(ToolWindowContent& contents, MirrorStore& store) {
  contents.registerFactory("mirror", [&store](const std::shared_ptr<BrowserModel>& model, std::function<void()> close) {
    return Gtk::make_managed<MirrorSheet>(store.shared_from_this(), model, std::move(close));
  });
}

}  // namespace quorvel
