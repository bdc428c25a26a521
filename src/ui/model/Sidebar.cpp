#include "ui/model/Sidebar.h"

#include "core/BadgeCounts.h"

#include <array>
#include <cstdio>
#include <set>

#include "core/AppConfig.h"
#include "core/BrowserModel.h"
#include "ui/model/ThemeCss.h"
#include "ui/model/WorkspaceViewState.h"

namespace quorvel {

long long SidebarInput::count(TodoKind kind) const {
  auto it = counts.find(kind);
  return it == counts.end() ? 0 : it->second;
}

SidebarInput sidebarInputFrom(const BrowserModel& model, const WorkspaceViewState& view) {
  SidebarInput in;
  in.items = model.account().visibleNavItems();
  if (in.items.empty()) in.items = defaultSideItems();
  in.recents = model.account().recents.get();
  const BadgeCounts& b = model.account().badges.get();
  in.counts = {{TodoKind::overdue, b.overdue},
               {TodoKind::today, b.today},
               {TodoKind::soon, b.soon},
               {TodoKind::verify, b.verify},
               {TodoKind::hearings, b.hearings}};
  in.badgesLoaded = b.loaded;
  in.loginRequired = b.loginRequired;
  in.selectedPath = model.activePath().get();
  in.userName = b.user;
  in.userRole = b.role;
  in.updatedAt = b.updatedAt;
  in.refreshFailure = model.account().badgeFailure->value_or("");
  in.scale = view.fontScale.get();
  in.scrollable = true;
  in.trafficLightPadding = 28;
  return in;
}

// ---- Sections and rows ---------------------------------------------------------------

namespace {

struct FixedGroup {
  const char* id;
  const char* title;
  std::vector<std::string> paths;
};

const std::array<FixedGroup, 4>& fixedGroups() {
  static const std::array<FixedGroup, 4> groups = {{
      {"work", "办案工作",
       {"/dashboard", "/workspace", "/calendar", "/cases", "/logistics", "/documents_center",
        "/recent_workspace"}},
      {"cases", "案卷与消息", {"/archived_cases", "/recycle_bin", "/notifications"}},
      {"manage", "律所管理",
       {"/manage_users", "/my_team", "/saas_overview", "/finance_dashboard", "/license", "/backup_center",
        "/firm_settings/storage"}},
      {"tools", "工具与帮助", {"/cache-manager", "/tutorial", "/import_wizard"}},
  }};
  return groups;
}

}  // namespace

std::vector<SidebarGroup> sidebarGroups(const std::vector<NavItem>& items) {
  std::vector<SidebarGroup> out;
  std::set<std::string> taken;
  for (const auto& g : fixedGroups()) {
    const std::set<std::string> paths(g.paths.begin(), g.paths.end());
    SidebarGroup group{g.id, g.title, {}};
    for (const auto& item : items)
      if (paths.count(item.path)) group.items.push_back(item);
    taken.insert(paths.begin(), paths.end());
    if (!group.items.empty()) out.push_back(std::move(group));
  }
  SidebarGroup more{"more", "其他", {}};
  for (const auto& item : items)
    if (!taken.count(item.path)) more.items.push_back(item);
  if (!more.items.empty()) out.push_back(std::move(more));
  return out;
}

bool sidebarNavRowSelected(const std::string& rowPath, const std::string& selectedPath) {
  if (rowPath == selectedPath) return true;
  // An entry without a path would otherwise be "selected" on every page.
  if (rowPath == "/" || rowPath.empty()) return false;
  return selectedPath.size() > rowPath.size() && selectedPath.compare(0, rowPath.size(), rowPath) == 0 &&
         selectedPath[rowPath.size()] == '/';
}

NavItem sidebarRecentEntry(const RecentItem& recent) {
  return NavItem{recent.title, "clock", "/proceeding/" + std::to_string(recent.procID)};
}

// ---- To-do pills ---------------------------------------------------------------------

std::optional<std::string> sidebarPillShortTitle(TodoKind kind) {
  switch (kind) {
    case TodoKind::soon: return "3天内";
    case TodoKind::verify: return "待核实";
    case TodoKind::hearings: return "开庭";
    default: return std::nullopt;
  }
}

std::string sidebarCountText(long long value, bool loaded) {
  return loaded ? countText(value) : "–";
}

std::string sidebarPillTip(TodoKind kind) { return "点击查看「" + TodoKinds::title(kind) + "」"; }

LawColor todoDarkAccent(TodoKind kind) {
  const RGB8 c = TodoKinds::darkAccent(kind);
  return LawColor::rgb8(c.r, c.g, c.b);
}

// ---- Account footer ------------------------------------------------------------------

std::string sidebarInitial(const std::string& userName) {
  if (userName.empty()) return "?";
  return graphemePrefix(userName, 1);
}

std::string sidebarDisplayName(const std::string& userName) {
  return userName.empty() ? "未登录" : clippedText(userName, kShownNameCharacters);
}

std::string sidebarSubtitle(const std::string& userName, const std::string& userRole) {
  std::string role = roleName(userRole);
  if (!role.empty()) return role;
  return userName.empty() ? "请先登录" : "已登录";
}

std::string sidebarVersionText() { return std::string("v") + AppConfig::kVersion; }

LawColor sidebarStatusColor(bool loginRequired) { return loginRequired ? kSidebarAmber : LawTheme::successGlow; }

// ---- Per-state looks -----------------------------------------------------------------

namespace {
constexpr LawColor kWhite = LawColor::rgb8(255, 255, 255);
constexpr LawColor kBlack = LawColor::rgb8(0, 0, 0);
}  // namespace

SidebarRowLook sidebarRowLook(bool selected, bool muted, bool hover) {
  SidebarRowLook l;
  if (selected) {
    l.iconColor = LawTheme::goldLight;
    l.duotoneOpacity = 0.24;
  } else {
    l.iconColor = hover ? kWhite : muted ? LawTheme::sidebarSection : LawTheme::sidebarText;
    l.duotoneOpacity = 0.14;
  }
  l.titleColor = (selected || hover) ? kWhite : muted ? LawTheme::sidebarTextMuted : LawTheme::sidebarText;
  l.titleWeight = selected ? LawFontWeight::semibold : LawFontWeight::medium;
  l.gradientFill = selected;
  l.fill = selected ? LawColor::clear() : hover ? LawTheme::sidebarHover : LawColor::clear();
  l.stroke = selected ? kSidebarGoldText.opacity(0.24) : LawColor::clear();
  l.shadow = LawShadow{selected ? kBlack.opacity(0.18) : LawColor::clear(), 5, 0, 2};
  l.offsetX = (hover && !selected) ? 1.5 : 0;
  return l;
}

SidebarPillLook sidebarLargePillLook(TodoKind kind, long long value, bool hover) {
  const LawColor accent = todoDarkAccent(kind);
  const bool some = value >= 1;
  SidebarPillLook l;
  l.fill = some ? accent.opacity(hover ? 0.24 : 0.14) : kWhite.opacity(hover ? 0.11 : 0.04);
  l.strokeWidth = hover ? 1 : 0.5;
  l.stroke = some ? accent.opacity(hover ? 0.65 : 0.28) : hover ? kWhite.opacity(0.22) : LawColor::clear();
  l.titleColor = hover ? kWhite : LawTheme::sidebarText;
  l.titleWeight = hover ? LawFontWeight::semibold : LawFontWeight::medium;
  l.countColor = some ? accent : hover ? LawTheme::sidebarText : LawTheme::sidebarSection;
  l.scale = hover ? 1.02 : 1;
  return l;
}

SidebarPillLook sidebarSmallPillLook(TodoKind kind, long long value, bool hover) {
  const LawColor accent = todoDarkAccent(kind);
  const bool some = value >= 1;
  SidebarPillLook l;
  l.fill = hover ? (some ? accent.opacity(0.2) : kWhite.opacity(0.1)) : kWhite.opacity(0.04);
  l.strokeWidth = 0.8;
  l.stroke = hover ? (some ? accent.opacity(0.55) : kWhite.opacity(0.22)) : LawColor::clear();
  l.titleColor = hover ? kWhite : LawTheme::sidebarTextMuted;
  l.titleWeight = hover ? LawFontWeight::semibold : LawFontWeight::medium;
  l.countColor = some ? accent : hover ? kWhite : LawTheme::sidebarSection;
  l.scale = hover ? 1.03 : 1;
  return l;
}

SidebarFooterButtonLook sidebarFooterButtonLook(bool hover) {
  SidebarFooterButtonLook l;
  l.icon = hover ? LawTheme::goldLight : LawTheme::sidebarTextMuted;
  l.fill = hover ? kWhite.opacity(0.11) : LawColor::clear();
  l.stroke = hover ? LawTheme::goldBorder : LawColor::clear();
  l.scale = hover ? 1.05 : 1;
  return l;
}

// ---- Style sheet ---------------------------------------------------------------------

namespace {

std::string num(double v) { return cssNumber(v); }
std::string px(double v) { return cssPx(v); }
std::string weight(LawFontWeight w) { return std::to_string(static_cast<int>(w)); }
std::string rule(const std::string& selector, const std::string& body) { return cssRule(selector, body); }
// Outlines are inset shadows, so a hover's thicker line never moves the content.
std::string outline(const LawColor& c, double width) {
  return "inset 0 0 0 " + px(width) + " " + c.css();
}
std::string hoverSel(bool hover) { return hover ? ":hover" : ":not(:hover)"; }

const std::string kButtonReset =
    "min-height: 0; min-width: 0; background-image: none; text-shadow: none; -gtk-icon-shadow: none; "
    "border: none; outline: 0 solid transparent;";

std::string pillRules(bool large) {
  std::string css;
  const std::string base = std::string("button.law-sidebar-pill") + (large ? ".law-large" : ".law-small");
  for (TodoKind kind : TodoKinds::allCases) {
    css += rule(".law-sidebar-pill-dot.law-kind-" + TodoKinds::rawValue(kind),
                "background-color: " + todoDarkAccent(kind).css() + ";");
    for (bool some : {false, true})
      for (bool hover : {false, true}) {
        const SidebarPillLook l = large ? sidebarLargePillLook(kind, some ? 1 : 0, hover)
                                        : sidebarSmallPillLook(kind, some ? 1 : 0, hover);
        const std::string sel = base + ".law-kind-" + TodoKinds::rawValue(kind) +
                                (some ? ".law-has-count" : ":not(.law-has-count)") + hoverSel(hover);
        css += rule(sel, "background-color: " + l.fill.css() + "; box-shadow: " + outline(l.stroke, l.strokeWidth) +
                             "; transform: scale(" + num(l.scale) + ");");
        css += rule(sel + " .law-sidebar-pill-title",
                    "color: " + l.titleColor.css() + "; font-weight: " + weight(l.titleWeight) + ";");
        css += rule(sel + " .law-sidebar-count", "color: " + l.countColor.css() + ";");
      }
  }
  return css;
}

}  // namespace

std::string sidebarCss() {
  const std::string hoverT = lawTransitionCss(LawMotion::hover);
  std::string css = "/* Sidebar, generated from its looks. */\n";
  css += rule(".law-sidebar", "border-right: 1px solid " + kWhite.opacity(0.06).css() + ";");
  css += rule(".law-sidebar-brand",
              "background-image: " +
                  lawGradientCss(LawGradient::evenlySpaced({kWhite.opacity(0.04), LawColor::clear()}, LawUnit::top,
                                                           LawUnit::bottom)) +
                  "; border-bottom: 1px solid " + LawTheme::sidebarDivider.css() + ";");
  css += rule(".law-sidebar-brand-title", "color: " + kWhite.css() + "; font-weight: 700;");
  css += rule(".law-sidebar-brand-subtitle", "color: " + kSidebarGoldText.opacity(0.78).css() + "; font-weight: 500;");
  css += rule(".law-sidebar-section", "color: " + LawTheme::sidebarSection.css() +
                                          "; font-weight: 600; padding: 12px 18px 5px 18px;");
  css += rule(".law-sidebar-divider", "background-color: " + LawTheme::sidebarDivider.css() + "; min-height: 1px;");

  // Navigation rows: every combination of selected, muted and hover spelled out.
  css += rule(".law-sidebar-row", "border-radius: 7px; " + hoverT);
  css += rule(".law-sidebar-row .law-sidebar-row-title, .law-sidebar-row .law-precision-icon", hoverT);
  css += rule(".law-sidebar-row-content", "padding: 7px 11px;");
  for (bool selected : {false, true})
    for (bool muted : {false, true})
      for (bool hover : {false, true}) {
        const SidebarRowLook l = sidebarRowLook(selected, muted, hover);
        const std::string sel = std::string(".law-sidebar-row") +
                                (selected ? ".law-selected" : ":not(.law-selected)") +
                                (muted ? ".law-muted" : ":not(.law-muted)") + hoverSel(hover);
        const std::string fill =
            l.gradientFill ? "background-color: transparent; background-image: " +
                                 lawGradientCss(LawTheme::sidebarActiveGradient()) + ";"
                           : "background-color: " + l.fill.css() + "; background-image: none;";
        css += rule(sel, fill + " box-shadow: " + outline(l.stroke, 1) + ", " + lawShadowCss(l.shadow) +
                             "; transform: translateX(" + px(l.offsetX) + ");");
        css += rule(sel + " .law-sidebar-row-title",
                    "color: " + l.titleColor.css() + "; font-weight: " + weight(l.titleWeight) + ";");
        css += rule(sel + " .law-precision-icon", "color: " + l.iconColor.css() + ";");
      }
  css += rule(".law-sidebar-accent", "border-radius: 1.5px; min-width: 3px; min-height: 17px; background-image: " +
                                         lawGradientCss(LawGradient::evenlySpaced(
                                             {LawTheme::goldLight, LawTheme::gold}, LawUnit::top, LawUnit::bottom)) +
                                         ";");

  // The pinned to-do card.
  css += rule(".law-sidebar-card", "background-color: " + LawTheme::sidebarCardBg.css() + "; border: 1px solid " +
                                       LawTheme::sidebarDivider.css() + "; border-radius: 8px; padding: 9px;");
  css += rule(".law-sidebar-card-title", "color: " + LawTheme::sidebarText.css() + "; font-weight: 600;");
  css += rule(".law-sidebar-card-time", "color: " + LawTheme::sidebarSection.css() + "; font-weight: 400;");
  css += rule("button.law-sidebar-pill", kButtonReset + " " + hoverT);
  css += rule("button.law-sidebar-pill.law-large", "border-radius: 6px; padding: 5px 8px;");
  css += rule("button.law-sidebar-pill.law-small", "border-radius: 5px; padding: 4.5px 0;");
  css += rule("button.law-sidebar-pill .law-sidebar-pill-title, button.law-sidebar-pill .law-sidebar-count", hoverT);
  css += rule(".law-sidebar-count", "font-weight: 700;");
  // A failed refresh: what happened and a retry; the counts shown are the last good ones.
  css += rule(".law-sidebar-card-failure", "color: " + kSidebarAmber.css() + "; font-weight: 500;");
  css += rule("button.law-sidebar-retry", kButtonReset + " background-color: transparent; padding: 0 2px; color: " +
                                              kSidebarGoldText.css() + "; font-weight: 600;");
  css += rule("button.law-sidebar-retry:hover", "color: " + LawTheme::goldLight.css() + ";");
  css += rule(".law-sidebar-card.law-stale .law-sidebar-count", "opacity: 0.55;");
  css += rule(".law-sidebar-pill-dot", "border-radius: 3px; min-width: 6px; min-height: 6px;");
  css += pillRules(true);
  css += pillRules(false);
  const std::string focusRing = "outline: 1px solid " + LawTheme::goldBorder.css() + "; outline-offset: 1px;";
  css += rule("button.law-sidebar-pill:focus-visible, button.law-sidebar-footer-button:focus-visible", focusRing);

  // The account footer.
  css += rule(".law-sidebar-footer", "background-color: " + kBlack.opacity(0.18).css() + ";");
  css += rule(".law-sidebar-login-hint", "color: " + kSidebarAmber.css() + "; font-weight: 500;");
  css += rule(".law-sidebar-avatar", "background-color: " + LawTheme::sidebarActiveBg.css() + "; border: 1px solid " +
                                         LawTheme::goldBorder.css() + "; border-radius: 9999px;");
  css += rule(".law-sidebar-avatar-initial", "color: " + LawTheme::gold.css() + "; font-weight: 600;");
  for (bool signedOut : {false, true}) {
    const LawColor c = sidebarStatusColor(signedOut);
    css += rule(std::string(".law-sidebar-status-dot") + (signedOut ? ".law-signed-out" : ":not(.law-signed-out)"),
                "background-color: " + c.css() + "; box-shadow: 0 0 6px " + c.opacity(0.65).css() + ";");
  }
  css += rule(".law-sidebar-status-dot", "border-radius: 3px; min-width: 6px; min-height: 6px;");
  css += rule(".law-sidebar-name", "color: " + LawTheme::sidebarTextBright.css() + "; font-weight: 600;");
  css += rule(".law-sidebar-subtitle", "color: " + LawTheme::sidebarTextMuted.css() + "; font-weight: 400;");
  css += rule(".law-sidebar-version", "color: " + LawTheme::goldLight.css() + "; background-color: " +
                                          LawTheme::goldSoft.css() + "; box-shadow: " +
                                          outline(LawTheme::gold.opacity(0.28), 0.5) +
                                          "; border-radius: 9999px; padding: 1px 5px; font-weight: 600;");
  css += rule("button.law-sidebar-footer-button",
              kButtonReset + " border-radius: 6px; padding: 0; min-width: 26px; min-height: 26px; " + hoverT);
  for (bool hover : {false, true}) {
    const auto l = sidebarFooterButtonLook(hover);
    const std::string sel = "button.law-sidebar-footer-button" + hoverSel(hover);
    css += rule(sel, "color: " + l.icon.css() + "; background-color: " + l.fill.css() + "; box-shadow: " +
                         outline(l.stroke, 0.8) + "; transform: scale(" + num(l.scale) + ");");
  }
  return css;
}

}  // namespace quorvel
