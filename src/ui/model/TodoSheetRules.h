#pragma once
// What the to-do sheet shows, as plain values: the filtered entries of a category,
// the counts on its pills, its texts and state, the proceeding an entry opens, and
// the per-state looks of its pills and cards (the view's CSS is generated from them).
// Free of GTK, so the rules are tested headless.
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/BadgeCounts.h"
#include "core/Theme.h"
#include "core/Todo.h"
#include "ui/model/FoldedTexts.h"

namespace quorvel {

inline constexpr const char* kTodoSheetTitle = "我的待办与开庭预警";
inline constexpr const char* kTodoFilterPlaceholder = "筛选客户/事项…";
inline constexpr const char* kTodoLoadingText = "正在同步待办清单…";
inline constexpr const char* kTodoNoContent = "（无事项说明）";

LawColor todoLightAccent(TodoKind kind);
// The kind's counter of the badge reply.
long long todoBadgeCounter(const BadgeCounts& badges, TodoKind kind);

// An entry's search text: content, client, proceeding and date (absent ones left out,
// an empty one keeps its place), joined by one space, lower-cased.
std::string todoSearchText(const TodoItem& item);
// The entries of `kind` the filter keeps, in the service's order: the whole list for a
// filter that is blank once trimmed; otherwise those whose search text contains the
// trimmed, lower-cased filter.
std::vector<TodoItem> todoFilteredItems(const Deadlines& deadlines, TodoKind kind, const std::string& filterText);
// One category's entries with their search texts folded once, so each typed key only
// compares; filtered() keeps what todoFilteredItems keeps.
// The entries are held once, shared with whoever shows them (the rows of a list).
class TodoFilterIndex {
 public:
  void reset(const std::vector<TodoItem>& items);
  std::vector<TodoItem> filtered(const std::string& filterText) const;
  // The positions of the entries filtered() keeps.
  std::vector<std::size_t> matching(const std::string& filterText) const;
  const std::vector<TodoItem>& items() const { return *items_; }
  const std::shared_ptr<const std::vector<TodoItem>>& sharedItems() const { return items_; }
  std::size_t size() const { return items_->size(); }

 private:
  std::shared_ptr<const std::vector<TodoItem>> items_ = std::make_shared<const std::vector<TodoItem>>();
  FoldedTexts keys_;
};
// What makes an entry the same row across reads (its id is new on every read): all its
// fields and the category, joined.
std::string todoRowKey(const TodoItem& item, TodoKind kind);
// The number on a pill: the list's length, or the badge counter while the list is empty.
long long todoPillCount(const Deadlines& deadlines, const BadgeCounts& badges, TodoKind kind);
// The pill's text: that number, or "–" while neither the list nor a badge reply is known
// (nothing known is not "0 to do").
std::string todoPillText(const Deadlines& deadlines, const BadgeCounts& badges, TodoKind kind);

// loading: a refresh runs and nothing is listed; list: whenever there are entries;
// failed: nothing to list after a failed refresh (never shown as "nothing to do");
// noMatch: a filter that keeps nothing (no success either); empty: nothing to do.
enum class TodoSheetState { loading, list, empty, noMatch, failed };
TodoSheetState todoSheetState(bool loading, bool hasItems, bool filtered = false, bool refreshFailed = false);

// What the sheet reports of the last refresh: the deadline read's failure, else the
// badge read's; nothing when both worked. (Only the deadline read's failure makes an
// empty list the failed state: the lists are the deadline read's.)
std::optional<std::string> todoRefreshFailure(const std::optional<std::string>& deadlineFailure,
                                              const std::optional<std::string>& badgeFailure);
// The line under the failure while the last good entries stay listed.
inline constexpr const char* kTodoStaleHint = "以下是上次成功刷新的内容";
inline constexpr const char* kTodoRetryTitle = "重试";
// The failed state's second line.
std::string todoFailedHint(TodoKind kind, bool loginRequired);

std::string todoSheetSubtitle(const std::string& updatedAt);
// The empty state's title (the filter as typed, not trimmed) and its second line.
std::string todoEmptyTitle(TodoKind kind, const std::string& filterText);
// A filter without matches says how to find entries, not that all is well.
std::string todoEmptyHint(bool loginRequired, bool noMatch = false);

// The card's texts.
std::string todoContentText(const TodoItem& item);
// Present and not empty.
bool todoHasText(const std::optional<std::string>& text);
bool todoHasText(const ShortText& text);

// "/proceeding/<id>", none without a proceeding id.
std::optional<std::string> todoProceedingPath(const TodoItem& item);
// The title of a new tab for the entry: the proceeding, else the client, else
// "程序 <id>" (only absence counts: an empty proceeding gives an empty title).
std::string todoNewTabTitle(const TodoItem& item);

// ---- Per-state looks -----------------------------------------------------------------

struct TodoPillLook {
  LawColor dot;
  LawColor foreground;  // the title
  LawFontWeight titleWeight = LawFontWeight::medium;
  LawColor countText;
  LawColor countFill;
  LawColor fill;
  LawColor stroke;
  LawShadow shadow;
};
TodoPillLook todoPillLook(TodoKind kind, bool active, bool hover);

struct TodoCardLook {
  LawColor fill;
  LawColor stroke;
  LawShadow shadow;
  double offsetY = 0;
};
TodoCardLook todoCardLook(bool hover);

// The sheet's style sheet.
std::string todoSheetCss();

}  // namespace quorvel
