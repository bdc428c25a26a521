#include "ui/components/LawStyle.h"
#include "ui/main/WorkspaceTopBar.h"

#include <gtkmm/cssprovider.h>
#include <gtkmm/image.h>
#include <gtkmm/stylecontext.h>

#include <cstdio>

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/Dialogs.h"
#include "core/ShortcutText.h"
#include "ui/model/TabStripRules.h"
#include "ui/model/ThemeCss.h"
#include "ui/components/Alerts.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawPrecisionIcon.h"
#include "ui/components/WidgetHelpers.h"

namespace quorvel {

namespace R = TabStripRules;

namespace {

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.4g", v);
  return buf;
}

std::string rule(const std::string& selector, const std::string& body) { return selector + " { " + body + " }\n"; }

std::string chipCss(const R::ChipLook& l) {
  return "background-color: " + l.fill.css() + "; border-color: " + l.border.css() +
         "; box-shadow: " + lawShadowCss(l.shadow) + ";";
}

std::string topBarCss() {
  const std::string hoverT = lawTransitionCss(LawMotion::hover);
  std::string css;
  // Bar.
  css += rule(".law-topbar", "background-color: " + LawTheme::surface.opacity(0.95).css() +
                                 "; min-height: 42px; padding: 0 10px;");
  css += rule(".law-topbar-separator",
              "background-color: " + LawTheme::border.css() + "; min-width: 1px; min-height: 16px; margin: 0 2px;");
  css += rule(".law-tab-strip, .law-tab-strip > viewport", "background: none; border: none; box-shadow: none;");

  // Icon button.
  const auto idle = R::iconButtonLook(false, false), lit = R::iconButtonLook(true, false),
             off = R::iconButtonLook(false, true);
  css += rule("button.law-top-icon",
              "min-width: 26px; min-height: 26px; padding: 0; margin: 0; border-radius: 6px; "
              "border: 0.8px solid " + idle.border.css() + "; background: none; background-color: " + idle.fill.css() +
                  "; box-shadow: none; outline: 0 solid transparent; color: " + idle.symbol.css() + "; " + hoverT);
  css += rule("button.law-top-icon:hover:not(:disabled)",
              "color: " + lit.symbol.css() + "; background-color: " + lit.fill.css() +
                  "; border-color: " + lit.border.css() + "; transform: scale(" + num(lit.scale) + ");");
  css += rule("button.law-top-icon:disabled", "color: " + off.symbol.css() + "; background-color: " + off.fill.css() +
                                                  "; border-color: " + off.border.css() + ";");
  css += rule("button.law-top-icon:focus-visible, button.law-top-capsule:focus-visible",
              "outline: 2px solid " + LawTheme::primary.opacity(0.42).css() + "; outline-offset: 1px;");

  // Capsule button.
  const auto cap = R::capsuleLook(false), capHover = R::capsuleLook(true);
  css += rule("button.law-top-capsule",
              "min-height: 0; min-width: 0; padding: 4.5px 8.5px; margin: 0; border-radius: 6px; border: 1px solid " +
                  cap.border.css() + "; background: none; background-color: " + cap.fill.css() +
                  "; box-shadow: " + lawShadowCss(cap.shadow) + "; outline: 0 solid transparent; color: " +
                  LawTheme::primary.css() + "; " + hoverT);
  css += rule("button.law-top-capsule:hover", "background-color: " + capHover.fill.css() + "; border-color: " +
                                                  capHover.border.css() + "; box-shadow: " +
                                                  lawShadowCss(capHover.shadow) + ";");
  css += rule("button.law-top-capsule.law-search", "color: " + LawTheme::textSecondary.css() + ";");
  css += rule(".law-top-capsule-text", "font-size: 11.5px; font-weight: 500;");
  css += rule(".law-search .law-top-capsule-text", "font-weight: 400;");
  css += rule(".law-keycap", "font-family: monospace; font-size: 10px; font-weight: 600; padding: 1px 4px; "
                             "border-radius: 3px; background-color: " + LawTheme::canvasBg.css() + ";");
  css += rule(".law-count-pill", "font-size: 10px; font-weight: 700; font-feature-settings: \"tnum\"; color: " +
                                     LawColor::rgb8(255, 255, 255).css() + "; background-color: " +
                                     LawTheme::danger.css() + "; border-radius: 9999px; padding: 0.5px 5px;");
  css += rule(".law-dot", "min-width: 6px; min-height: 6px; border-radius: 9999px;");
  css += rule(".law-dot.law-dot-success", "background-color: " + LawTheme::success.css() + ";");
  css += rule(".law-dot.law-dot-warning", "background-color: " + LawTheme::warning.css() + ";");

  // Tab chip.
  const auto chip = R::chipLook(false, false), chipHover = R::chipLook(false, true), chipActive = R::chipLook(true, false);
  css += rule(".law-tab-chip", "border-radius: 6px; border: 1px solid transparent; " + chipCss(chip) + " " + hoverT);
  css += rule(".law-tab-chip:hover", chipCss(chipHover));
  css += rule(".law-tab-chip.law-active, .law-tab-chip.law-active:hover", chipCss(chipActive));
  css += rule(".law-tab-row", "padding: 4px 8px;");
  css += rule(".law-tab-title", "font-size: 12px; font-weight: 400; color: " + chip.title.css() + ";");
  css += rule(".law-tab-chip:hover .law-tab-title", "color: " + chipHover.title.css() + ";");
  css += rule(".law-tab-chip.law-active .law-tab-title",
              "color: " + chipActive.title.css() + "; font-weight: 600;");
  css += rule(".law-tab-icon", "color: " + chip.iconColor.css() + ";");
  css += rule(".law-tab-chip:hover .law-tab-icon", "color: " + chipHover.iconColor.css() + ";");
  css += rule(".law-tab-chip.law-active .law-tab-icon", "color: " + chipActive.iconColor.css() + ";");
  css += rule(".law-tab-moon", "color: " + LawTheme::textMuted.css() + ";");
  css += rule(".law-tab-glyph spinner", "color: " + LawTheme::textSecondary.css() + ";");
  css += rule(".law-tab-activebar", "background-color: " + LawTheme::primary.css() +
                                        "; border-radius: 1px; min-height: 2px; margin: 0 6px;");
  // The close glyph keeps its place (and its clicks) while invisible.
  css += rule("button.law-tab-close", "min-width: 16px; min-height: 16px; padding: 0; margin: 0; border: none; "
                                      "border-radius: 9999px; background: none; background-color: transparent; "
                                      "box-shadow: none; color: transparent; " + hoverT);
  css += rule(".law-tab-chip:hover button.law-tab-close, .law-tab-chip.law-active button.law-tab-close",
              "color: " + LawTheme::textSecondary.css() + ";");
  css += rule(".law-tab-chip:hover button.law-tab-close", "background-color: " + LawTheme::borderLight.css() + ";");
  css += rule(".law-tab-chip button.law-tab-close:hover",
              "color: " + LawTheme::danger.css() + "; background-color: " + LawTheme::dangerSoft.css() + ";");
  return css;
}

// The widget a symbol is drawn with: our line icon, else the freedesktop icon.
Gtk::Widget* makeSymbol(const std::string& symbol, double size) {
  auto glyph = R::symbolGlyph(symbol);
  if (glyph.kind) {
    auto* icon = Gtk::make_managed<LawPrecisionIcon>(*glyph.kind, size + 1);
    return icon;
  }
  auto* image = Gtk::make_managed<Gtk::Image>();
  image->set_from_icon_name(glyph.iconName);
  image->set_pixel_size(static_cast<int>(size));
  image->set_halign(Gtk::Align::CENTER);
  image->set_valign(Gtk::Align::CENTER);
  return image;
}

Gtk::Label* makeText(const std::string& text, const char* cssClass) {
  auto* l = Gtk::make_managed<Gtk::Label>(text);
  l->add_css_class(cssClass);
  return l;
}

}  // namespace

void installTopBarStyle() {
  addDisplayCssOnce("top-bar", topBarCss, 1);
}

// ---- TopIconBtn ---------------------------------------------------------------------

TopIconBtn::TopIconBtn(const std::string& symbol, const std::string& tip, std::function<void()> action,
                       bool disabled)
    : symbol_(symbol), action_(std::move(action)) {
  installTopBarStyle();
  add_css_class("law-top-icon");
  set_has_frame(false);
  set_focus_on_click(false);
  set_valign(Gtk::Align::CENTER);
  set_size_request(26, 26);
  set_child(*makeSymbol(symbol, 14));
  setTip(tip);
  setDisabled(disabled);
  signal_clicked().connect([this] {
    if (action_) action_();
  });
}

void TopIconBtn::setDisabled(bool disabled) {
  set_sensitive(!disabled);
  lawHandCursor(*this, !disabled);
}

void TopIconBtn::setTip(const std::string& tip) { nameIconControl(*this, linuxShortcutText(tip)); }

// ---- TopCapsuleBtn ------------------------------------------------------------------

TopCapsuleBtn::TopCapsuleBtn(const std::string& tip, std::function<void()> action)
    : label_(Gtk::Orientation::HORIZONTAL, 4), action_(std::move(action)) {
  installTopBarStyle();
  add_css_class("law-top-capsule");
  set_has_frame(false);
  set_focus_on_click(false);
  set_valign(Gtk::Align::CENTER);
  label_.set_valign(Gtk::Align::CENTER);
  set_child(label_);
  nameIconControl(*this, linuxShortcutText(tip));
  lawHandCursor(*this);
  signal_clicked().connect([this] {
    if (action_) action_();
  });
}

// ---- WorkspaceTopBar ----------------------------------------------------------------

WorkspaceTopBar::WorkspaceTopBar(std::shared_ptr<BrowserModel> model, std::shared_ptr<WorkspaceViewState> view,
                                 TopBarTools tools)
    : model_(std::move(model)),
      view_(std::move(view)),
      tools_(std::move(tools)),
      row_(Gtk::Orientation::HORIZONTAL, 6),
      nav_(Gtk::Orientation::HORIZONTAL, 2),
      toolGroup_(Gtk::Orientation::HORIZONTAL, 6),
      controls_(Gtk::PackType::END) {
  installTopBarStyle();
  row_.add_css_class("law-topbar");
  row_.set_size_request(-1, 42);

  // Keeps the window's own buttons clear of ours while the sidebar is hidden.
  gap_.set_size_request(70, 1);
  row_.append(gap_);

  std::weak_ptr<BrowserModel> weak = model_;
  sidebar_ = std::make_unique<TopIconBtn>("sidebar.left", R::sidebarToggleTip(true), [this] {
    setSidebarShown(!sidebarShown_);
    sidebarToggled_.emit(sidebarShown_);
  });
  back_ = std::make_unique<TopIconBtn>("chevron.left", "后退 ⌘[", [weak] {
    if (auto m = weak.lock()) m->goBack();
  });
  forward_ = std::make_unique<TopIconBtn>("chevron.right", "前进 ⌘]", [weak] {
    if (auto m = weak.lock()) m->goForward();
  });
  reload_ = std::make_unique<TopIconBtn>("arrow.clockwise", "重新加载 ⌘R", [weak] {
    if (auto m = weak.lock()) m->reload();
  });
  for (auto* b : {sidebar_.get(), back_.get(), forward_.get(), reload_.get()}) nav_.append(*b);
  nav_.set_valign(Gtk::Align::CENTER);
  row_.append(nav_);

  separator_.add_css_class("law-topbar-separator");
  separator_.set_valign(Gtk::Align::CENTER);
  row_.append(separator_);

  strip_ = std::make_unique<TabStrip>(model_);
  row_.append(*strip_);

  spacer_.set_hexpand(true);
  spacer_.set_size_request(4, -1);
  row_.append(spacer_);

  buildTools();
  toolGroup_.set_valign(Gtk::Align::CENTER);
  row_.append(toolGroup_);
  menuSlot_.set_valign(Gtk::Align::CENTER);
  menuSlot_.set_margin_start(6);
  row_.append(menuSlot_);

  controls_.set_valign(Gtk::Align::CENTER);
  row_.append(controls_);
  set_child(row_);

  connections_.emplace_back(model_->activeCanGoBack().changed().connect([this] { syncNavigation(); }));
  connections_.emplace_back(model_->activeCanGoForward().changed().connect([this] { syncNavigation(); }));
  connections_.emplace_back(model_->account().badges.changed().connect([this] { syncOverdue(); }));
  setSidebarShown(true);
  syncNavigation();
  syncOverdue();
  refreshToolState();
}

WorkspaceTopBar::~WorkspaceTopBar() {
  connections_.clear();
  for (auto* b : {sidebar_.get(), back_.get(), forward_.get(), reload_.get()}) nav_.remove(*b);
  row_.remove(*strip_);
  for (Gtk::Widget* b : std::initializer_list<Gtk::Widget*>{search_.get(), todo_.get(), calendar_.get(), volume_.get(),
                                                            archive_.get(), ocr_.get(), lock_.get()})
    toolGroup_.remove(*b);
}

void WorkspaceTopBar::buildTools() {
  std::weak_ptr<BrowserModel> weak = model_;

  search_ = std::make_unique<TopCapsuleBtn>("全局搜索 ⌘K", [this] { openToolWindow(view_->showPalette, "全局搜索"); });
  search_->add_css_class("law-search");
  search_->label().set_spacing(5);
  search_->label().append(*makeSymbol("magnifyingglass", 12));
  search_->label().append(*makeText("搜索案件 / 功能", "law-top-capsule-text"));
  search_->label().append(*makeText(linuxShortcutText("⌘K"), "law-keycap"));

  todo_ = std::make_unique<TopCapsuleBtn>("我的待办 ⌘⇧D", [this] { openToolWindow(view_->showTodo, "我的待办与开庭预警"); });
  todo_->label().append(*makeSymbol("checklist", 12));
  todo_->label().append(*makeText("待办", "law-top-capsule-text"));
  pill_.add_css_class("law-count-pill");
  pill_.set_valign(Gtk::Align::CENTER);
  todo_->label().append(pill_);

  calendar_ = std::make_unique<TopCapsuleBtn>("桌面交互日历 ⌘⇧C（可贴桌面 / 置顶 / 点进案件）", [this] { toggleCalendar(); });
  calendarDot_.add_css_class("law-dot");
  calendarDot_.add_css_class("law-dot-success");
  calendarDot_.set_valign(Gtk::Align::CENTER);
  calendar_->label().append(calendarDot_);
  calendarGlyph_ = makeSymbol("calendar", 12);
  calendar_->label().append(*calendarGlyph_);
  calendar_->label().append(*makeText("桌面日历", "law-top-capsule-text"));

  volume_ = std::make_unique<TopCapsuleBtn>("本地卷宗镜像 ⌘⇧M", [this] { openToolWindow(view_->showMirror, "本地卷宗与离线镜像"); });
  volumeDot_.add_css_class("law-dot");
  volumeDot_.set_valign(Gtk::Align::CENTER);
  volume_->label().append(volumeDot_);
  volume_->label().append(*makeText("卷宗", "law-top-capsule-text"));

  archive_ = std::make_unique<TopIconBtn>("tray.and.arrow.up", "快速归档 / 扫描导入 ⌘⇧U", [this] { openQuickArchive(); });
  ocr_ = std::make_unique<TopIconBtn>("text.viewfinder", "屏幕框选 OCR ⌥⇧O", [this] { recognize(); });
  lock_ = std::make_unique<TopIconBtn>("lock", "隐私锁屏 ⌘⌃L", [this] { lock(); });

  for (Gtk::Widget* b : std::initializer_list<Gtk::Widget*>{search_.get(), todo_.get(), calendar_.get(), volume_.get(),
                                                            archive_.get(), ocr_.get(), lock_.get()})
    toolGroup_.append(*b);
}

void WorkspaceTopBar::setSidebarShown(bool shown) {
  sidebarShown_ = shown;
  sidebar_->setTip(R::sidebarToggleTip(shown));
  gap_.set_visible(!shown);
}

void WorkspaceTopBar::syncNavigation() {
  back_->setDisabled(!model_->activeCanGoBack().get());
  forward_->setDisabled(!model_->activeCanGoForward().get());
}

void WorkspaceTopBar::syncOverdue() {
  auto text = R::overduePillText(model_->account().badges->overdue);
  pill_.set_visible(text.has_value());
  if (text) pill_.set_text(*text);
}

void WorkspaceTopBar::refreshToolState() {
  const bool calendarShown = tools_.desktopCalendarVisible && tools_.desktopCalendarVisible();
  calendarDot_.set_visible(calendarShown);
  calendarGlyph_->set_visible(!calendarShown);
  const bool mounted = tools_.volumeMounted && tools_.volumeMounted();
  volumeDot_.remove_css_class(mounted ? "law-dot-warning" : "law-dot-success");
  volumeDot_.add_css_class(mounted ? "law-dot-success" : "law-dot-warning");
}

void WorkspaceTopBar::openToolWindow(Published<bool>& flag, const std::string& name) {
  flag.set(true);
  // The root view opens the window when it observes the flag; without it, nobody does.
  if (flag.changed().empty()) notAvailable(name + "暂不可用", "「" + name + "」窗口还没有在这个版本中提供。");
}

void WorkspaceTopBar::notAvailable(const std::string& title, const std::string& text) {
  (tools_.dialogs ? *tools_.dialogs : loggedAlerts_).alertOver(alertOwner(*this), title, text, {"好"}, {});
}

void WorkspaceTopBar::toggleCalendar() {
  const bool hasWindow = tools_.desktopCalendarHasWindow && tools_.desktopCalendarHasWindow();
  const bool visible = tools_.desktopCalendarVisible && tools_.desktopCalendarVisible();
  if (R::calendarToggle(hasWindow, visible) == R::CalendarToggle::hide) {
    if (tools_.hideDesktopCalendar) tools_.hideDesktopCalendar();
  } else if (tools_.showDesktopCalendar) {
    tools_.showDesktopCalendar();
  } else {
    notAvailable("桌面日历暂不可用", "桌面交互日历还没有在这个版本中提供。");
  }
  refreshToolState();
}

void WorkspaceTopBar::openQuickArchive() {
  if (tools_.openQuickArchive) {
    tools_.openQuickArchive({}, "拖拽文件或扫描文稿直传卷宗", false);
    return;
  }
  notAvailable("快速归档暂不可用", "快速归档窗口还没有在这个版本中提供。");
}

void WorkspaceTopBar::recognize() {
  if (tools_.captureAndAnalyze) {
    tools_.captureAndAnalyze();
    return;
  }
  notAvailable("屏幕框选 OCR 暂不可用", "屏幕框选识别还没有在这个版本中提供。");
}

void WorkspaceTopBar::lock() {
  if (tools_.lockWorkspace) {
    tools_.lockWorkspace();
    return;
  }
  notAvailable("隐私锁屏暂不可用", "隐私锁屏还没有在这个版本中提供，工作区没有锁定。");
}

}  // namespace quorvel
