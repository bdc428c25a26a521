#include "ui/model/TabStripRules.h"

#include "core/BadgeCounts.h"

#include <cctype>

namespace quorvel::TabStripRules {

namespace {
// The chip's hover fill and the capsule's hover fill are fixed sRGB tints of the
// canvas, not palette entries; the shadows are slate at low opacity.
constexpr LawColor kChipHoverFill = LawColor::rgb8(238, 242, 247);
constexpr LawColor kCapsuleHoverFill = LawColor::rgb8(241, 245, 250);
constexpr LawColor kShadowSlate = LawColor::rgb8(15, 23, 42);

bool isHex(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }
}  // namespace

ChipGlyph chipGlyph(bool isLoading, bool hasWebView) {
  if (isLoading) return ChipGlyph::spinner;
  if (!hasWebView) return ChipGlyph::moon;
  return ChipGlyph::pathIcon;
}

std::string chipTitle(const std::string& title) { return title.empty() ? "新标签" : title; }

std::string chipTooltip(const std::optional<std::string>& liveURL, const std::string& title) {
  if (liveURL && !liveURL->empty()) return *liveURL;
  return title;
}

std::optional<std::string> linkToCopy(const std::optional<std::string>& liveURL,
                                      const std::optional<std::string>& hibernatedURL) {
  if (liveURL && !liveURL->empty()) return liveURL;
  if (hibernatedURL && !hibernatedURL->empty()) return hibernatedURL;
  return std::nullopt;
}

std::vector<ChipMenuItem> chipMenu(bool isActive) {
  std::vector<ChipMenuItem> items = {
      {ChipMenuAction::close, "关闭标签"},
      {ChipMenuAction::closeOthers, "关闭其他标签"},
      {ChipMenuAction::closeToRight, "关闭右侧标签"},
      {ChipMenuAction::copyLink, "复制链接", true},
  };
  if (!isActive) items.push_back({ChipMenuAction::hibernate, "休眠这个标签"});
  return items;
}

std::string dragPayload(const std::string& tabID) {
  std::string s = tabID;
  for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

std::optional<std::string> parseDroppedTabID(const std::vector<std::string>& dropped) {
  if (dropped.empty()) return std::nullopt;
  const std::string& s = dropped.front();
  if (s.size() != 36) return std::nullopt;
  for (size_t i = 0; i < s.size(); ++i) {
    const bool dash = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash ? s[i] != '-' : !isHex(s[i])) return std::nullopt;
  }
  return dragPayload(s);
}

ChipLook chipLook(bool active, bool hover) {
  ChipLook l;
  l.fill = active ? LawTheme::surface : hover ? kChipHoverFill : LawColor::clear();
  l.border = active ? LawTheme::border : hover ? LawTheme::borderLight : LawColor::clear();
  l.title = active || hover ? LawTheme::textPrimary : LawTheme::textSecondary;
  l.iconColor = active ? LawTheme::primary : hover ? LawTheme::textPrimary : LawTheme::textTertiary;
  l.iconDuotone = active ? 0.18 : 0.1;
  l.titleWeight = active ? LawFontWeight::semibold : LawFontWeight::regular;
  l.shadow = active ? LawShadow{kShadowSlate.opacity(0.05), 2, 0, 1} : LawShadow{};
  return l;
}

std::string sidebarToggleTip(bool sidebarShown) { return sidebarShown ? "隐藏侧栏" : "显示侧栏"; }

std::optional<std::string> overduePillText(long long overdue) {
  if (overdue < 1) return std::nullopt;
  return countText(overdue);
}

CalendarToggle calendarToggle(bool hasWindow, bool windowVisible) {
  return hasWindow && windowVisible ? CalendarToggle::hide : CalendarToggle::show;
}

SymbolGlyph symbolGlyph(std::string_view symbol) {
  // Our own line icons first, where one has the symbol's meaning.
  if (auto kind = lawIconKindFromSymbol(symbol)) return {kind, {}};
  struct Entry {
    std::string_view symbol;
    const char* icon;
  };
  static constexpr Entry kIcons[] = {
      {"sidebar.left", "sidebar-show-symbolic"},
      {"chevron.left", "go-previous-symbolic"},
      {"chevron.right", "go-next-symbolic"},
      {"arrow.clockwise", "view-refresh-symbolic"},
      {"plus", "list-add-symbolic"},
      {"magnifyingglass", "system-search-symbolic"},
      {"calendar", "x-office-calendar-symbolic"},
      {"moon.zzz", "weather-clear-night-symbolic"},
      {"xmark", "window-close-symbolic"},
      {"macwindow", "focus-windows-symbolic"},
      {"safari", "web-browser-symbolic"},
      {"folder.fill", "folder-symbolic"},
      {"person.badge.shield.checkmark", "avatar-default-symbolic"},
      {"textformat.size", "font-x-generic-symbolic"},
      {"internaldrive", "drive-harddisk-system-symbolic"},
      {"externaldrive.fill", "drive-harddisk-symbolic"},
      {"wrench.and.screwdriver", "applications-engineering-symbolic"},
      {"chevron.down", "pan-down-symbolic"},
  };
  for (const auto& e : kIcons)
    if (e.symbol == symbol) return {std::nullopt, e.icon};
  return {};
}

IconButtonLook iconButtonLook(bool hover, bool disabled) {
  const bool lit = hover && !disabled;
  IconButtonLook l;
  l.symbol = disabled ? LawTheme::textMuted.opacity(0.45) : hover ? LawTheme::primary : LawTheme::textSecondary;
  l.fill = lit ? LawTheme::primarySoft : LawColor::clear();
  l.border = lit ? LawTheme::primary.opacity(0.18) : LawColor::clear();
  l.scale = lit ? 1.04 : 1;
  return l;
}

CapsuleLook capsuleLook(bool hover) {
  CapsuleLook l;
  l.fill = hover ? kCapsuleHoverFill : LawTheme::surface;
  l.border = hover ? LawTheme::primary.opacity(0.42) : LawTheme::border;
  l.shadow = hover ? LawShadow{kShadowSlate.opacity(0.06), 3.5, 0, 1} : LawShadow{kShadowSlate.opacity(0.015), 1, 0, 1};
  return l;
}

TabKeyDecision decideTabKey(const KeyPress& key) {
  // Ctrl alone: any other modifier, Caps Lock or the numeric pad passes the key on.
  if (!key.control || key.shift || key.alt || key.super || key.capsLock || key.keypad) return {};
  std::string text = key.characters;
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (key.sheetIsKey) return {};
  if (text == "w") return {TabKeyDecision::closeActive};
  // A whole decimal number: optional sign, then digits only.
  size_t i = (!text.empty() && (text[0] == '+' || text[0] == '-')) ? 1 : 0;
  if (i >= text.size() || text.size() - i > 9) return {};
  for (size_t k = i; k < text.size(); ++k)
    if (!std::isdigit(static_cast<unsigned char>(text[k]))) return {};
  int value = std::stoi(text.substr(i));
  if (text[0] == '-') value = -value;
  if (value >= 1 && value <= 9) return {TabKeyDecision::selectTab, value - 1};
  return {};
}

}  // namespace quorvel::TabStripRules
