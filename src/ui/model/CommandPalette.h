#pragma once
// The command palette's model: one search over the workspace's pages, six actions of
// the client, and the firm's contracts and clients. It builds, filters and caps the
// entry list, keeps the highlighted row, carries an entry out and loads the contracts
// and clients. Free of widgets; the palette window (ui/palette) observes it. Main
// thread only.
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/AppError.h"
#include "base/GLibPtr.h"
#include "base/Published.h"
#include "base/Task.h"
#include "core/NavItem.h"
#include "features/mirror/MirrorNodes.h"

namespace quorvel {

class BrowserModel;

class CommandPalette {
 public:
  // The filter pills, in their order.
  enum class Category { all, action, contract, client };
  static constexpr std::array<Category, 4> allCategories = {Category::all, Category::action, Category::contract,
                                                            Category::client};
  // "全部", "功能", "合同", "客户": the pill's title and the row's badge.
  static std::string rawValue(Category category);
  static std::optional<Category> categoryFromRawValue(std::string_view raw);

  // One row. Exactly one of `path` and `action` is set on every entry built here.
  struct Entry {
    std::string id;
    Category category = Category::action;  // never `all`
    std::string title;
    std::string subtitle;
    std::string symbol;  // the icon's symbol name
    std::optional<std::string> path;
    std::function<void()> action;
  };

  // What the six actions run (each handles its own failures).
  struct Actions {
    std::function<void()> showTodo;
    std::function<void()> toggleDesktopCalendar;
    std::function<void()> showMirror;
    std::function<void()> recogniseScans;
    std::function<void()> showSettings;
    std::function<void()> openVolumeFolder;
  };

  // What the palette reads and drives outside itself (tests give their own).
  struct Services {
    // The sidebar's pages the account may open, and the signals that change them.
    std::function<std::vector<NavItem>()> visibleNavItems;
    std::vector<sigc::signal<void()>*> navItemsChanged;
    // The "/api/desktop/nodes" reply; `force` bypasses its 30-second cache. Throws
    // when it cannot be read.
    std::function<Task<std::string>(bool force)> fetchNodesCached;
    std::function<void()> showMainWindow;
    std::function<void(const std::string& path, const std::string& title)> newTab;
    std::function<void(const std::string& path)> loadInActive;
    // Runs fn on a later turn of the main loop (unset: the main queue).
    std::function<void(std::function<void()>)> later;
  };

  // The services over the workspace model, which the palette does not keep alive;
  // `showMainWindow` brings the main window forward.
  static Services servicesOver(const std::shared_ptr<BrowserModel>& browser, std::function<void()> showMainWindow);

  // `close` closes the window the palette is in.
  CommandPalette(Services services, Actions actions, std::function<void()> close);
  ~CommandPalette();
  CommandPalette(const CommandPalette&) = delete;
  CommandPalette& operator=(const CommandPalette&) = delete;

  static constexpr std::size_t kMaxEntries = 80;
  // The start of loadFailure's text; the reason follows.
  static constexpr const char* kLoadFailurePrefix = "合同与客户未能载入：";

  Published<std::string, CommandPalette> query;
  Published<Category, CommandPalette> category{Category::all};
  Published<std::vector<MirrorNode>, CommandPalette> contracts;
  Published<std::vector<MirrorClientNode>, CommandPalette> clients;
  Published<bool, CommandPalette> loading{false};
  Published<int, CommandPalette> selectedIndex{0};
  // Why the contracts and clients could not be loaded (a failed or refused read, a
  // reply that is not the nodes); none after a load that worked.
  Published<std::optional<AppError>, CommandPalette> loadFailure;
  // The words the palette shows for it: kLoadFailurePrefix and the reason; empty for none.
  static std::string loadFailureText(const std::optional<AppError>& failure);

  // Fires after anything the entry list is built from changed.
  sigc::signal<void()>& entriesChanged() { return entriesChanged_; }

  // The rows: pages, actions, contracts, clients, filtered and cut to 80. The entries
  // and their folded search texts are built once per load (or change of the pages);
  // a key or a pill only filters them again.
  const std::vector<Entry>& entries() const;
  // The entries the query and pill match before the cut to 80.
  std::size_t matchCount() const;
  // The pure rule behind entries().
  static std::vector<Entry> buildEntries(const std::vector<NavItem>& navItems, const Actions& actions,
                                         const std::vector<MirrorNode>& contracts,
                                         const std::vector<MirrorClientNode>& clients, Category category,
                                         const std::string& query);

  // A new opening: no query, the pill "全部", the first row highlighted, and the entries
  // built again from the pages and the last loaded contracts and clients.
  void resetForOpening();
  // The text typed; the highlight goes back to the first row.
  void setQuery(const std::string& text);
  // A pill chosen; the highlight goes back to the first row.
  void chooseCategory(Category category);
  // The highlight one row down or up, wrapping; nothing on an empty list.
  void selectNext();
  void selectPrevious();

  // The count on a pill: the loaded contracts or clients when there are any.
  std::optional<std::size_t> badgeCount(Category category) const;

  // Carries out the highlighted entry; nothing (the palette stays open) when the
  // highlight is outside the list.
  void openSelected(bool newTab);
  // Closes the palette, then runs the entry's action on a later turn, or shows the main
  // window and opens the entry's page (in a new tab titled with the entry's title).
  void execute(const Entry& entry, bool newTab);
  void closeWindow();

  // The count line: "共 N 项", or, when the cut to 80 hides matches, how many are shown of
  // how many.
  static std::string countText(std::size_t shown, std::size_t matched);

  // Fills contracts and clients from the service. A failed read or a reply that is
  // not the nodes keeps the lists and says why in `loadFailure` and the log. `loading`
  // holds while any load runs.
  // The load runs in the palette's scope: it ends with the palette.
  void load(bool force) { scope_.spawn(loadNodes(force)); }

 private:
  Task<void> loadNodes(bool force);
  Services services_;
  Actions actions_;
  std::function<void()> close_;
  sigc::signal<void()> entriesChanged_;
  std::vector<ScopedConnection> navConnections_;
  // Every entry's search text folded, and the filtered rows; rebuilt when stale. Only
  // the pages and actions are kept as entries: a contract's or client's entry is made
  // from its node when it is shown, so tens of thousands of nodes are not held twice.
  struct Indexed {
    std::vector<Entry> fixed;
    std::size_t contracts = 0, clients = 0;
    // The folded texts one after another, in entry order (fixed, contracts, clients);
    // keyEnds[i] is where entry i's ends.
    std::string keys;
    std::vector<std::uint32_t> keyEnds;
    std::size_t size() const { return keyEnds.size(); }
    std::string_view key(std::size_t i) const;
  };
  static Indexed indexEntries(const std::vector<NavItem>& navItems, const Actions& actions,
                              const std::vector<MirrorNode>& contracts, const std::vector<MirrorClientNode>& clients);
  static std::vector<Entry> filterEntries(const Indexed& index, const std::vector<MirrorNode>& contracts,
                                          const std::vector<MirrorClientNode>& clients, Category category,
                                          const std::string& query, std::size_t* matched);
  void invalidate(bool base);
  mutable std::optional<Indexed> index_;
  mutable std::optional<std::vector<Entry>> shown_;
  mutable std::size_t matched_ = 0;
  int runningLoads_ = 0;
  // A load applies its reply only when no load started after it has applied one.
  unsigned long loadsStarted_ = 0;
  unsigned long appliedLoad_ = 0;
  // Last: loads in flight end before the members they use.
  TaskScope scope_;
};

}  // namespace quorvel
