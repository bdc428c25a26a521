#include "ui/model/MenuBarRows.h"

#include "core/BadgeCounts.h"

#include "core/AppConfig.h"
#include "core/NavItem.h"
#include "core/Recents.h"
#include "core/ShortcutText.h"
#include "ui/model/ThemeCss.h"
#include "ui/model/TodoSheetRules.h"

namespace quorvel {

namespace {

constexpr LawColor kWhite = LawColor::rgb8(255, 255, 255);
constexpr LawColor kHoverFill = LawColor::rgb8(241, 245, 250);
constexpr LawColor kSlate = LawColor::rgb8(15, 23, 42);

MenuBarRow row(MenuBarCommand command, std::string title, std::string symbol, const char* glyphs) {
  MenuBarRow r{command, std::move(title), std::move(symbol)};
  if (glyphs) r.shortcut = linuxShortcutText(glyphs);
  return r;
}

std::string rule(const std::string& selector, const std::string& body) { return cssRule(selector, body); }
std::string px(double v) { return cssPx(v); }
std::string num(double v) { return cssNumber(v); }
std::string weight(LawFontWeight w) { return std::to_string(static_cast<int>(w)); }
std::string outline(const LawColor& c, double width = 1) { return "inset 0 0 0 " + px(width) + " " + c.css(); }
std::string hoverSel(bool hover) { return hover ? ":hover" : ":not(:hover)"; }

}  // namespace

std::vector<MenuBarSection> menuBarSections(const MenuBarRowInputs& in) {
  std::vector<MenuBarSection> s(4);
  s[0].title = "快捷采集";
  auto capture = row(MenuBarCommand::quickCapture, "悬浮快记待办", "bolt.fill", "⌥⇧N");
  capture.accent = LawTheme::gold;
  s[0].rows = {capture, row(MenuBarCommand::screenCapture, "屏幕框选 OCR 智提", "text.viewfinder", "⌥⇧O"),
               row(MenuBarCommand::quickArchive, "快速归档 / 扫描导入", "tray.and.arrow.up", "⌘⇧U")};

  s[1].title = "工作区与卷宗";
  auto calendar = row(MenuBarCommand::desktopCalendar,
                      in.desktopCalendarVisible ? "隐藏桌面交互日历" : "打开桌面交互日历", "calendar", "⌘⇧C");
  if (in.desktopCalendarVisible) calendar.badge = "已显示";
  auto mirror = row(MenuBarCommand::mirror, "本地卷宗与离线镜像", "externaldrive", "⌘⇧M");
  if (in.volumeMounted) mirror.badge = "已连";
  s[1].rows = {row(MenuBarCommand::showMain, "显示墨衡台主窗口", "macwindow", nullptr), calendar,
               row(MenuBarCommand::search, "全局搜索案件与客户", "magnifyingglass", "⌘K"), mirror,
               row(MenuBarCommand::openFolder, "文件管理器打开卷宗目录", "folder", "⌘⇧O")};

  s[2].title = "同步与安全";
  auto sync = row(MenuBarCommand::syncCalendar, in.syncing ? "正在同步本机日历与提醒…" : "立即同步本机日历与提醒",
                  "calendar.badge.clock", nullptr);
  sync.spinning = in.syncing;
  if (in.syncing) {
    sync.badge = "同步中";
    sync.badgeColor = LawTheme::warning;
  } else if (in.syncEnabled) {
    sync.badge = "已开启";
    sync.badgeColor = LawTheme::success;
  }
  s[2].rows = {sync, row(MenuBarCommand::lock, "隐私锁屏", "lock.shield", "⌘⌃L"),
               row(MenuBarCommand::checkUpdate, "检查客户端更新", "arrow.down.circle", nullptr)};

  auto quit = row(MenuBarCommand::quit, "退出墨衡台", "power", "⌘Q");
  quit.danger = true;
  s[3].rows = {quit};
  return s;
}

std::string menuBarIdentityLine(const BadgeCounts& b) {
  if (b.user.empty()) return "未登录";
  // A blank role would leave a dangling separator after the name.
  const std::string role = roleName(b.role);
  const std::string name = clippedText(b.user, kShownNameCharacters);
  return role.empty() ? name : name + " · " + role;
}

LawColor menuBarStatusColor(bool loginRequired) { return loginRequired ? kMenuBarAmber : LawTheme::successGlow; }

std::string menuBarCountText(long long value, bool loaded) { return loaded ? countText(value) : "–"; }

std::string menuBarVersionText() { return std::string("v") + AppConfig::kVersion; }

std::string menuBarBoxTip(TodoKind kind) { return "查看「" + TodoKinds::title(kind) + "」清单"; }

std::vector<std::vector<TodoKind>> menuBarBoxRows() {
  return {{TodoKind::overdue, TodoKind::today}, {TodoKind::soon, TodoKind::verify, TodoKind::hearings}};
}

MenuBarBoxLook menuBarBoxLook(TodoKind kind, long long value, bool hover) {
  const LawColor accent = todoLightAccent(kind);
  const bool some = value >= 1;
  MenuBarBoxLook l;
  l.number = some ? accent : hover ? LawTheme::primary : LawTheme::textMuted;
  l.caption = hover ? LawTheme::textPrimary : LawTheme::textSecondary;
  l.captionWeight = hover ? LawFontWeight::semibold : LawFontWeight::medium;
  l.fill = hover ? (some ? accent.opacity(0.1) : kHoverFill) : LawTheme::surface;
  l.stroke = hover ? (some ? accent.opacity(0.55) : LawTheme::primary.opacity(0.38)) : LawTheme::borderLight;
  l.mark = some ? accent : LawTheme::primary;
  l.markOpacity = hover ? 0.8 : 0;
  l.shadow = hover ? LawShadow{kSlate.opacity(0.08), 5, 0, 2} : LawShadow{kSlate.opacity(0.02), 1.5, 0, 0.5};
  l.scale = hover ? 1.02 : 1;
  return l;
}

MenuBarRowLook menuBarRowLook(bool danger, std::optional<LawColor> accent, bool hover) {
  MenuBarRowLook l;
  if (danger) {
    l.tileFill = hover ? LawTheme::danger.opacity(0.14) : LawTheme::dangerSoft;
    l.icon = LawTheme::danger;
    l.title = LawTheme::danger;
  } else {
    l.tileFill = hover ? LawTheme::primary.opacity(0.12) : LawTheme::canvasBg;
    l.icon = accent ? (hover ? *accent : accent->opacity(0.9)) : hover ? LawTheme::primaryTop : LawTheme::primary;
    l.title = hover ? LawTheme::ink : LawTheme::textPrimary;
  }
  l.titleWeight = hover ? LawFontWeight::semibold : LawFontWeight::regular;
  l.shortcutText = hover ? (danger ? LawTheme::danger : LawTheme::primary) : LawTheme::textMuted;
  l.shortcutFill = hover ? kWhite.opacity(0.85) : LawTheme::canvasBg;
  l.shortcutStroke = hover ? (danger ? LawTheme::dangerBorder : LawTheme::primary.opacity(0.22)) : LawTheme::borderLight;
  l.chevron = danger ? LawTheme::danger.opacity(0.75) : LawTheme::primary.opacity(0.65);
  l.chevronOpacity = hover ? 1 : 0;
  l.chevronOffsetX = hover ? 0 : -4;
  l.fill = hover ? (danger ? LawTheme::dangerSoft : LawTheme::primarySoft) : LawColor::clear();
  l.accentBar = danger ? LawTheme::danger : LawTheme::gold;
  l.accentBarOpacity = hover ? 1 : 0;
  return l;
}

std::string menuBarCss() {
  const std::string hoverT = lawTransitionCss(LawMotion::hover);
  const std::string reset = kLawControlResetCss;
  std::string css = "/* Menu-bar panel, generated from its looks. */\n";
  css += rule("window.law-menubar-window", "background: transparent;");
  css += rule(".law-menubar-view", "background-color: " + LawTheme::surface.css() + "; border: 1px solid " +
                                       LawTheme::borderLight.css() + "; border-radius: 12px;");
  // Without a compositor the corners outside the rounding would show black.
  css += rule(".law-menubar-view.law-square", "border-radius: 0;");
  css += rule(".law-menubar-header", "background-image: " + lawGradientCss(LawTheme::sidebarGradient()) +
                                         "; padding: 11px 14px; border-radius: 11px 11px 0 0;");
  css += rule(".law-menubar-view.law-square .law-menubar-header", "border-radius: 0;");
  css += rule(".law-menubar-title", "font-size: 13px; font-weight: 700; color: " + LawTheme::sidebarTextBright.css() + ";");
  css += rule(".law-menubar-identity", "font-size: 10.5px; color: " + LawTheme::sidebarTextMuted.css() + ";");
  for (bool signedOut : {false, true}) {
    const LawColor c = menuBarStatusColor(signedOut);
    css += rule(std::string(".law-menubar-dot") + (signedOut ? ".law-signed-out" : ":not(.law-signed-out)"),
                "background-color: " + c.css() + "; box-shadow: 0 0 3px " + c.opacity(0.65).css() + ";");
  }
  css += rule(".law-menubar-dot", "border-radius: 9999px; min-width: 6px; min-height: 6px;");
  css += rule("button.law-menubar-refresh", reset + " border-radius: 6px; padding: 0; min-width: 24px; min-height: 24px; " + hoverT);
  css += rule("button.law-menubar-refresh:not(:hover)", "background-color: transparent; color: " +
                                                            LawTheme::sidebarTextMuted.css() + ";");
  css += rule("button.law-menubar-refresh:hover", "background-color: " + kWhite.opacity(0.12).css() +
                                                      "; color: " + LawTheme::goldLight.css() + ";");
  css += rule(".law-menubar-version", "font-family: monospace; font-size: 9.5px; font-weight: 600; color: " +
                                          LawTheme::goldLight.css() + "; background-color: " + LawTheme::goldSoft.css() +
                                          "; box-shadow: " + outline(LawTheme::gold.opacity(0.3), 0.5) +
                                          "; border-radius: 9999px; padding: 2px 6px;");

  // Counters.
  css += rule(".law-menubar-counters", "background-color: " + LawTheme::canvasBg.css() + "; padding: 10px 12px;");
  css += rule(".law-menubar-counters-title", "font-size: 10px; font-weight: 600; color: " + LawTheme::textMuted.css() + ";");
  css += rule(".law-menubar-counters-time", "font-family: monospace; font-size: 10px; color: " + LawTheme::textMuted.css() + ";");
  css += rule("button.law-menubar-box", reset + " border-radius: 6px; padding: 0; " + hoverT);
  css += rule("button.law-menubar-box .law-menubar-box-number, button.law-menubar-box .law-menubar-box-caption, "
              "button.law-menubar-box .law-menubar-box-mark",
              hoverT);
  css += rule(".law-menubar-box-number", "font-size: 16px; font-weight: 700; font-feature-settings: \"tnum\";");
  css += rule(".law-menubar-box-caption", "font-size: 10.5px;");
  for (TodoKind kind : TodoKinds::allCases)
    for (bool some : {false, true})
      for (bool hover : {false, true}) {
        const auto l = menuBarBoxLook(kind, some ? 1 : 0, hover);
        const std::string sel = "button.law-menubar-box.law-kind-" + TodoKinds::rawValue(kind) +
                                (some ? ".law-has-count" : ":not(.law-has-count)") + hoverSel(hover);
        css += rule(sel, "background-color: " + l.fill.css() + "; box-shadow: " + outline(l.stroke) + ", " +
                             lawShadowCss(l.shadow) + "; transform: scale(" + num(l.scale) + ");");
        css += rule(sel + " .law-menubar-box-number", "color: " + l.number.css() + ";");
        css += rule(sel + " .law-menubar-box-caption",
                    "color: " + l.caption.css() + "; font-weight: " + weight(l.captionWeight) + ";");
        css += rule(sel + " .law-menubar-box-mark", "color: " + l.mark.css() + "; opacity: " + num(l.markOpacity) + ";");
      }
  // A failed refresh over the last good counts: why, and a retry.
  css += rule(".law-menubar-failure", "background-color: " + LawTheme::warningSoft.css() + "; box-shadow: " +
                                          outline(LawTheme::warningBorder) + "; border-radius: 6px; padding: 5px 8px;");
  css += rule(".law-menubar-failure-text", "font-size: 11px; font-weight: 500; color: " + LawTheme::warning.css() + ";");
  css += rule(".law-menubar-failure-glyph", "color: " + LawTheme::warning.css() + ";");
  css += rule("button.law-menubar-retry", reset + " background-color: transparent; box-shadow: none; padding: 0 2px; "
                                                  "font-size: 11px; font-weight: 600; color: " +
                                                  LawTheme::primary.css() + ";");
  css += rule(".law-menubar-counters.law-stale .law-menubar-box-number", "opacity: 0.55;");
  css += rule(".law-menubar-rule", "background-color: " + LawTheme::borderLight.css() + "; min-height: 1px;");

  // Commands.
  css += rule(".law-menubar-commands", "background-color: " + LawTheme::surface.css() + "; padding: 8px; border-radius: 0 0 11px 11px;");
  css += rule(".law-menubar-view.law-square .law-menubar-commands", "border-radius: 0;");
  css += rule(".law-menubar-section", "font-size: 10px; font-weight: 600; color: " + LawTheme::textMuted.css() +
                                          "; padding: 2px 9px;");
  css += rule(".law-menubar-divider", "background-color: " + LawTheme::borderLight.css() +
                                          "; min-height: 1px; margin: 4px 6px;");
  css += rule("button.law-menubar-row", reset + " border-radius: 6px; padding: 0; box-shadow: none; " + hoverT);
  css += rule(".law-menubar-row-line", "padding: 5px 7px;");
  css += rule("button.law-menubar-row:disabled", "opacity: 0.45;");
  css += rule("button.law-menubar-row *", hoverT);
  css += rule(".law-menubar-tile", "border-radius: 5.5px; min-width: 22px; min-height: 22px;");
  css += rule(".law-menubar-row-title", "font-size: 12.5px;");
  css += rule(".law-menubar-badge", "font-size: 9.5px; font-weight: 600; border-radius: 9999px; padding: 1.5px 5.5px;");
  for (const auto& [name, color] : {std::pair<const char*, LawColor>{"success", LawTheme::success},
                                    std::pair<const char*, LawColor>{"warning", LawTheme::warning}})
    css += rule(std::string(".law-menubar-badge.law-") + name,
                "color: " + color.css() + "; background-color: " + color.opacity(0.12).css() + ";");
  css += rule(".law-menubar-shortcut", "font-family: monospace; font-size: 10px; font-weight: 500; border-radius: 4px; "
                                       "padding: 1.5px 5px;");
  css += rule(".law-menubar-accent-bar", "border-radius: 1.5px; min-width: 2.5px; min-height: 15px; margin-left: 1px;");
  for (bool danger : {false, true})
    for (bool accented : {false, true}) {
      if (danger && accented) continue;
      for (bool hover : {false, true}) {
        const auto l = menuBarRowLook(danger, accented ? std::optional(LawTheme::gold) : std::nullopt, hover);
        const std::string sel = std::string("button.law-menubar-row") + (danger ? ".law-danger" : ":not(.law-danger)") +
                                (accented ? ".law-accent-gold" : ":not(.law-accent-gold)") + hoverSel(hover);
        css += rule(sel, "background-color: " + l.fill.css() + ";");
        css += rule(sel + " .law-menubar-tile", "background-color: " + l.tileFill.css() + "; color: " + l.icon.css() + ";");
        css += rule(sel + " .law-menubar-row-title",
                    "color: " + l.title.css() + "; font-weight: " + weight(l.titleWeight) + ";");
        css += rule(sel + " .law-menubar-shortcut", "color: " + l.shortcutText.css() + "; background-color: " +
                                                        l.shortcutFill.css() + "; box-shadow: " +
                                                        outline(l.shortcutStroke, 0.7) + ";");
        css += rule(sel + " .law-menubar-chevron", "color: " + l.chevron.css() + "; opacity: " +
                                                       num(l.chevronOpacity) + "; transform: translateX(" +
                                                       px(l.chevronOffsetX) + ");");
        css += rule(sel + " .law-menubar-accent-bar", "background-color: " + l.accentBar.css() +
                                                          "; opacity: " + num(l.accentBarOpacity) + ";");
      }
    }
  return css;
}

}  // namespace quorvel
