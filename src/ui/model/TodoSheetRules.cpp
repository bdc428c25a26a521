#include "ui/model/TodoSheetRules.h"

#include "ui/model/ThemeCss.h"
#include "ui/model/UnicodeText.h"

namespace quorvel {

namespace {

constexpr LawColor kWhite = LawColor::rgb8(255, 255, 255);
constexpr LawColor kHoverFill = LawColor::rgb8(241, 245, 250);
constexpr LawColor kCardHoverFill = LawColor::rgb8(250, 251, 253);
constexpr LawColor kSlate = LawColor::rgb8(15, 23, 42);

std::string rule(const std::string& selector, const std::string& body) { return cssRule(selector, body); }
std::string px(double v) { return cssPx(v); }
std::string weight(LawFontWeight w) { return std::to_string(static_cast<int>(w)); }
// Outlines as inset shadows, so a change of colour never moves the content.
std::string outline(const LawColor& c, double width = 1) { return "inset 0 0 0 " + px(width) + " " + c.css(); }

}  // namespace

LawColor todoLightAccent(TodoKind kind) {
  RGB8 c = TodoKinds::lightAccent(kind);
  return LawColor::rgb8(c.r, c.g, c.b);
}

long long todoBadgeCounter(const BadgeCounts& b, TodoKind kind) {
  switch (kind) {
    case TodoKind::overdue: return b.overdue;
    case TodoKind::today: return b.today;
    case TodoKind::soon: return b.soon;
    case TodoKind::verify: return b.verify;
    case TodoKind::hearings: return b.hearings;
  }
  return 0;
}

std::string todoSearchText(const TodoItem& item) {
  std::string text;
  bool first = true;
  for (const auto* field : {&item.content, &item.client, &item.proc, &item.date}) {
    if (!*field) continue;
    if (!first) text += ' ';
    text += field->view();
    first = false;
  }
  return lowercased(text);
}

std::vector<TodoItem> todoFilteredItems(const Deadlines& deadlines, TodoKind kind, const std::string& filterText) {
  const auto& list = deadlines.list(kind);
  const std::string needle = lowercased(trimmedWhitespace(filterText));
  if (needle.empty()) return list;
  std::vector<TodoItem> kept;
  for (const auto& item : list)
    if (todoSearchText(item).find(needle) != std::string::npos) kept.push_back(item);
  return kept;
}

void TodoFilterIndex::reset(const std::vector<TodoItem>& items) {
  items_ = std::make_shared<const std::vector<TodoItem>>(items);
  std::vector<std::string> texts;
  texts.reserve(items.size());
  for (const auto& item : items) texts.push_back(todoSearchText(item));
  keys_.reset(std::move(texts));
}

std::vector<std::size_t> TodoFilterIndex::matching(const std::string& filterText) const {
  return keys_.matching(trimmedWhitespace(filterText));
}

std::vector<TodoItem> TodoFilterIndex::filtered(const std::string& filterText) const {
  const std::string needle = trimmedWhitespace(filterText);
  if (needle.empty()) return *items_;
  return elementsAt(*items_, keys_.matching(needle));
}

std::string todoRowKey(const TodoItem& item, TodoKind kind) {
  // Unit separators keep ("a", "bc") apart from ("ab", "c"); \x02 marks an absent field.
  std::string key = TodoKinds::rawValue(kind);
  auto add = [&key](const std::optional<std::string>& field) {
    key += '\x1f';
    key += field ? *field : std::string("\x02");
  };
  add(item.content);
  add(item.date);
  add(item.client);
  add(item.proc);
  add(item.days ? std::optional<std::string>(std::to_string(*item.days)) : std::nullopt);
  add(item.procId ? std::optional<std::string>(std::to_string(*item.procId)) : std::nullopt);
  return key;
}

long long todoPillCount(const Deadlines& deadlines, const BadgeCounts& badges, TodoKind kind) {
  const auto& list = deadlines.list(kind);
  return list.empty() ? todoBadgeCounter(badges, kind) : static_cast<long long>(list.size());
}

std::string todoPillText(const Deadlines& deadlines, const BadgeCounts& badges, TodoKind kind) {
  if (deadlines.list(kind).empty() && !badges.loaded) return "–";
  return std::to_string(todoPillCount(deadlines, badges, kind));
}

TodoSheetState todoSheetState(bool loading, bool hasItems, bool filtered, bool refreshFailed) {
  if (hasItems) return TodoSheetState::list;
  if (loading) return TodoSheetState::loading;
  // The last good lists may lack what the filter looks for: the failure comes first.
  if (refreshFailed) return TodoSheetState::failed;
  return filtered ? TodoSheetState::noMatch : TodoSheetState::empty;
}

std::optional<std::string> todoRefreshFailure(const std::optional<std::string>& deadlineFailure,
                                              const std::optional<std::string>& badgeFailure) {
  return deadlineFailure ? deadlineFailure : badgeFailure;
}

std::string todoFailedHint(TodoKind kind, bool loginRequired) {
  if (loginRequired) return "请先在右侧登录系统账号";
  return "暂时无法显示「" + TodoKinds::title(kind) + "」的待办，请稍后重试";
}

std::string todoSheetSubtitle(const std::string& updatedAt) {
  if (updatedAt.empty()) return "点击任意条目即可直接进入对应案件程序";
  return "最近同步：" + updatedAt + " · 点击条目直达程序";
}

std::string todoEmptyTitle(TodoKind kind, const std::string& filterText) {
  if (!filterText.empty()) return "没有匹配「" + filterText + "」的待办";
  return "「" + TodoKinds::title(kind) + "」暂无待办事项";
}

std::string todoEmptyHint(bool loginRequired, bool noMatch) {
  if (loginRequired) return "请先在右侧登录系统账号";
  return noMatch ? "换个关键词，或清除筛选查看全部" : "当前分类状态良好";
}

bool todoHasText(const std::optional<std::string>& text) { return text && !text->empty(); }
bool todoHasText(const ShortText& text) { return text && !text.view().empty(); }

std::string todoContentText(const TodoItem& item) { return todoHasText(item.content) ? *item.content : kTodoNoContent; }

std::optional<std::string> todoProceedingPath(const TodoItem& item) {
  if (!item.procId) return std::nullopt;
  return "/proceeding/" + std::to_string(*item.procId);
}

std::string todoNewTabTitle(const TodoItem& item) {
  if (item.proc) return *item.proc;
  if (item.client) return *item.client;
  return "程序 " + std::to_string(item.procId.value_or(0));
}

// ---- Looks ----------------------------------------------------------------------------

TodoPillLook todoPillLook(TodoKind kind, bool active, bool hover) {
  const LawColor accent = todoLightAccent(kind);
  TodoPillLook l;
  if (active) {
    l.dot = kWhite;
    l.foreground = kWhite;
    l.titleWeight = LawFontWeight::semibold;
    l.countText = kWhite;
    l.countFill = kWhite.opacity(0.22);
    l.fill = LawTheme::primary;
    l.stroke = LawColor::clear();
    l.shadow = {LawTheme::primary.opacity(0.18), 3, 0, 1};
    return l;
  }
  l.dot = accent;
  l.foreground = hover ? LawTheme::primary : LawTheme::textPrimary;
  l.countText = accent;
  l.countFill = accent.opacity(0.1);
  l.fill = hover ? kHoverFill : LawTheme::surface;
  l.stroke = hover ? accent.opacity(0.45) : LawTheme::border;
  l.shadow = hover ? LawShadow{kSlate.opacity(0.05), 3, 0, 1} : LawShadow{LawColor::clear(), 3, 0, 1};
  return l;
}

TodoCardLook todoCardLook(bool hover) {
  TodoCardLook l;
  l.fill = hover ? kCardHoverFill : LawTheme::surface;
  l.stroke = hover ? LawTheme::primary.opacity(0.42) : LawTheme::borderLight;
  l.shadow = hover ? LawShadow{kSlate.opacity(0.08), 7, 0, 2.5} : LawShadow{kSlate.opacity(0.03), 4, 0, 1};
  l.offsetY = hover ? -0.5 : 0;
  return l;
}

std::string todoSheetCss() {
  const std::string hoverT = lawTransitionCss(LawMotion::hover);
  const std::string reset = kLawControlResetCss;
  std::string css = "/* To-do sheet, generated from its looks. */\n";
  css += rule(".law-todo-bar", "background-color: " + LawTheme::surfaceMuted.css() + "; padding: 10px 16px;");
  css += rule(".law-todo-body", "background-color: " + LawTheme::canvasBg.css() + ";");
  css += rule("button.law-todo-pill", reset + " border-radius: 6px; padding: 6.5px 12px; " + hoverT);
  css += rule("button.law-todo-pill .law-todo-pill-title, button.law-todo-pill .law-todo-pill-count, "
              "button.law-todo-pill .law-todo-pill-dot",
              hoverT);
  css += rule(".law-todo-pill-title", "font-size: 12px;");
  css += rule(".law-todo-pill-count",
              "font-size: 11px; font-weight: 700; font-feature-settings: \"tnum\"; border-radius: 9999px; "
              "padding: 1px 6px;");
  css += rule(".law-todo-pill-dot", "border-radius: 9999px; min-width: 7px; min-height: 7px;");
  for (TodoKind kind : TodoKinds::allCases)
    for (bool active : {false, true})
      for (bool hover : {false, true}) {
        const TodoPillLook l = todoPillLook(kind, active, hover);
        const std::string sel = "button.law-todo-pill.law-kind-" + TodoKinds::rawValue(kind) +
                                (active ? ".law-active" : ":not(.law-active)") + (hover ? ":hover" : ":not(:hover)");
        css += rule(sel, "background-color: " + l.fill.css() + "; box-shadow: " + outline(l.stroke) + ", " +
                             lawShadowCss(l.shadow) + ";");
        css += rule(sel + " .law-todo-pill-title",
                    "color: " + l.foreground.css() + "; font-weight: " + weight(l.titleWeight) + ";");
        css += rule(sel + " .law-todo-pill-count",
                    "color: " + l.countText.css() + "; background-color: " + l.countFill.css() + ";");
        css += rule(sel + " .law-todo-pill-dot", "background-color: " + l.dot.css() + ";");
      }
  css += rule(".law-todo-filter", "background-color: " + LawTheme::surface.css() + "; box-shadow: " +
                                      outline(LawTheme::border) + "; border-radius: 6px; padding: 5px 8px;");
  css += rule(".law-todo-filter text", "font-size: 12px; color: " + LawTheme::textPrimary.css() + ";");
  css += rule(".law-todo-filter text placeholder", "color: " + LawTheme::textMuted.css() + ";");
  css += rule(".law-todo-muted-glyph", "color: " + LawTheme::textMuted.css() + ";");
  css += rule("button.law-todo-clear", reset + " background-color: transparent; padding: 0; box-shadow: none;");

  // Cards.
  css += rule(".law-todo-card", "border-radius: 8px; padding: 11px 13px; " + hoverT);
  for (bool hover : {false, true}) {
    const TodoCardLook l = todoCardLook(hover);
    css += rule(std::string(".law-todo-card") + (hover ? ":hover" : ":not(:hover)"),
                "background-color: " + l.fill.css() + "; box-shadow: " + outline(l.stroke) + ", " +
                    lawShadowCss(l.shadow) + "; transform: translateY(" + px(l.offsetY) + ");");
  }
  css += rule(".law-todo-card-content", "font-size: 13.5px; font-weight: 600; color: " + LawTheme::textPrimary.css() + ";");
  css += rule(".law-todo-card-client", "font-size: 11.5px; color: " + LawTheme::textSecondary.css() + ";");
  css += rule(".law-todo-card-proc", "font-size: 11.5px; color: " + LawTheme::primary.css() + "; background-color: " +
                                         LawTheme::primarySoft.css() + "; border-radius: 4px; padding: 2px 7px;");
  css += rule(".law-todo-card-date", "font-size: 10.5px; font-feature-settings: \"tnum\"; color: " +
                                         LawTheme::textMuted.css() + ";");
  css += rule(".law-todo-day", "font-size: 11.5px; font-weight: 700; border-radius: 9999px; padding: 2.5px 8px;");
  css += rule(".law-todo-accent", "border-radius: 2px; min-width: 3.5px; margin: 2px 0;");
  for (TodoKind kind : TodoKinds::allCases) {
    const LawColor a = todoLightAccent(kind);
    const std::string k = ".law-kind-" + TodoKinds::rawValue(kind);
    css += rule(".law-todo-accent" + k, "background-color: " + a.css() + ";");
    css += rule(".law-todo-day" + k, "color: " + a.css() + "; background-color: " + a.opacity(0.1).css() + ";");
  }

  // Loading and empty states.
  css += rule(".law-todo-loading-text", "font-size: 12.5px; color: " + LawTheme::textSecondary.css() + ";");
  css += rule(".law-todo-empty-disc", "background-color: " + LawTheme::successSoft.css() +
                                          "; border-radius: 9999px; min-width: 48px; min-height: 48px; color: " +
                                          LawTheme::success.css() + ";");
  css += rule(".law-todo-empty-title", "font-size: 14px; font-weight: 600; color: " + LawTheme::textPrimary.css() + ";");
  // A filter without matches is neutral; a failure is a warning, never the green tick.
  css += rule(".law-todo-empty-disc.law-no-match", "background-color: " + LawTheme::surfaceMuted.css() +
                                                       "; color: " + LawTheme::textMuted.css() + ";");
  css += rule(".law-todo-empty-disc.law-failed", "background-color: " + LawTheme::warningSoft.css() +
                                                     "; color: " + LawTheme::warning.css() + ";");
  css += rule(".law-todo-notice", "background-color: " + LawTheme::warningSoft.css() + "; box-shadow: " +
                                      outline(LawTheme::warningBorder) + "; border-radius: 8px; padding: 8px 12px;");
  css += rule(".law-todo-notice-title", "font-size: 12.5px; font-weight: 600; color: " + LawTheme::warning.css() + ";");
  css += rule(".law-todo-notice-hint", "font-size: 11.5px; color: " + LawTheme::textSecondary.css() + ";");
  css += rule(".law-todo-notice-glyph", "color: " + LawTheme::warning.css() + ";");
  css += rule(".law-todo-empty-hint", "font-size: 12px; color: " + LawTheme::textMuted.css() + ";");
  return css;
}

}  // namespace quorvel
