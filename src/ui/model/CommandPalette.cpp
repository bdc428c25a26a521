#include "ui/model/CommandPalette.h"

#include "base/AppError.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/BrowserModel.h"
#include "core/ShortcutText.h"
#include "ui/model/UnicodeText.h"

namespace quorvel {

namespace {

// The query's words: trimmed, lower-cased, split at the plain space only.
std::vector<std::string> queryWords(const std::string& query) {
  const std::string text = lowercased(trimmedWhitespace(query));
  std::vector<std::string> words;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find(' ', start);
    if (end == std::string::npos) end = text.size();
    if (end > start) words.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  return words;
}

bool matches(std::string_view folded, const std::vector<std::string>& words) {
  for (const auto& w : words)
    if (folded.find(w) == std::string::npos) return false;
  return true;
}

}  // namespace

std::string CommandPalette::rawValue(Category category) {
  switch (category) {
    case Category::all: return "全部";
    case Category::action: return "功能";
    case Category::contract: return "合同";
    case Category::client: return "客户";
  }
  return {};
}

std::optional<CommandPalette::Category> CommandPalette::categoryFromRawValue(std::string_view raw) {
  for (Category c : allCategories)
    if (rawValue(c) == raw) return c;
  return std::nullopt;
}

CommandPalette::Services CommandPalette::servicesOver(const std::shared_ptr<BrowserModel>& browser,
                                                      std::function<void()> showMainWindow) {
  std::weak_ptr<BrowserModel> weak = browser;
  Services s;
  s.visibleNavItems = [weak] {
    auto model = weak.lock();
    return model ? model->account().visibleNavItems() : std::vector<NavItem>{};
  };
  if (browser) {
    s.navItemsChanged = {&browser->account().navItems.changed(), &browser->account().forbiddenPaths.changed()};
  }
  s.fetchNodesCached = [weak](bool force) -> Task<std::string> {
    auto model = weak.lock();
    if (!model) throw AppError(errors::kQuorvel, errors::kNoPage, "没有打开的页面（请先登录）");
    co_return co_await model->reads().fetchNodesCached(force);
  };
  s.showMainWindow = std::move(showMainWindow);
  s.newTab = [weak](const std::string& path, const std::string& title) {
    if (auto model = weak.lock()) model->newTab(path, title);
  };
  s.loadInActive = [weak](const std::string& path) {
    if (auto model = weak.lock()) model->loadInActive(path);
  };
  return s;
}

CommandPalette::CommandPalette(Services services, Actions actions, std::function<void()> close)
    : services_(std::move(services)), actions_(std::move(actions)), close_(std::move(close)) {
  if (!services_.later) services_.later = [](std::function<void()> fn) { postToMain(std::move(fn)); };
  for (auto* signal : services_.navItemsChanged)
    navConnections_.emplace_back(signal->connect([this] {
      invalidate(true);
      entriesChanged_.emit();
    }));
}

CommandPalette::~CommandPalette() = default;

namespace {

CommandPalette::Entry contractEntry(const MirrorNode& c) {
  const std::string id = std::to_string(c.id);
  return {"contract:" + id,
          CommandPalette::Category::contract,
          c.no,
          "合同 · " + std::to_string(c.clients) + " 位客户 · " + std::to_string(c.procs) + " 个程序",
          "doc.text",
          "/contract_detail/" + id,
          {}};
}

CommandPalette::Entry clientEntry(const MirrorClientNode& c) {
  const std::string id = std::to_string(c.id);
  const std::string procs = std::to_string(c.procs) + " 个程序";
  return {"client:" + id,
          CommandPalette::Category::client,
          c.name,
          c.contract.empty() ? "客户 · " + procs : "合同 " + c.contract + " · " + procs,
          "person.crop.circle",
          "/client_detail/" + id,
          {}};
}

}  // namespace

std::string_view CommandPalette::Indexed::key(std::size_t i) const {
  const std::size_t start = i == 0 ? 0 : keyEnds[i - 1];
  return std::string_view(keys).substr(start, keyEnds[i] - start);
}

CommandPalette::Indexed CommandPalette::indexEntries(const std::vector<NavItem>& navItems, const Actions& actions,
                                                    const std::vector<MirrorNode>& contracts,
                                                    const std::vector<MirrorClientNode>& clients) {
  Indexed index;
  auto& fixed = index.fixed;
  const auto& pages = navItems.empty() ? defaultSideItems() : navItems;
  fixed.reserve(6 + pages.size());
  for (const auto& item : pages)
    fixed.push_back(Entry{"nav:" + item.path, Category::action, item.title, item.path, item.symbol, item.path, {}});

  auto action = [&](const char* id, const char* title, const char* subtitle, const char* symbol,
                    const std::function<void()>& run) {
    fixed.push_back(Entry{id, Category::action, title, linuxShortcutText(subtitle), symbol, std::nullopt,
                          run ? run : std::function<void()>([] {})});
  };
  action("act:todo", "打开我的待办", "快捷键 ⌘⇧D", "checklist", actions.showTodo);
  action("act:desktop_cal", "打开桌面交互日历", "快捷键 ⌘⇧C · 可贴桌面 / 置顶", "calendar",
         actions.toggleDesktopCalendar);
  action("act:mirror", "打开本地卷宗镜像", "快捷键 ⌘⇧M", "externaldrive.connected.to.line.below", actions.showMirror);
  action("act:ocr", "扫描件识别（生成可搜索 PDF）", "快捷键 ⌘⇧S", "doc.viewfinder", actions.recogniseScans);
  action("act:settings", "打开客户端设置", "账号、字号、卷宗盘与缓存", "gearshape", actions.showSettings);
  action("act:volume", "在文件管理器中打开卷宗目录", "快捷键 ⌘⇧O", "folder", actions.openVolumeFolder);

  index.contracts = contracts.size();
  index.clients = clients.size();
  index.keyEnds.reserve(fixed.size() + contracts.size() + clients.size());
  auto addKey = [&index](const Entry& e) {
    index.keys += lowercased(e.title + " " + e.subtitle);
    index.keyEnds.push_back(static_cast<std::uint32_t>(index.keys.size()));
  };
  for (const auto& e : fixed) addKey(e);
  for (const auto& c : contracts) addKey(contractEntry(c));
  for (const auto& c : clients) addKey(clientEntry(c));
  index.keys.shrink_to_fit();
  return index;
}

std::vector<CommandPalette::Entry> CommandPalette::filterEntries(const Indexed& index,
                                                                 const std::vector<MirrorNode>& contracts,
                                                                 const std::vector<MirrorClientNode>& clients,
                                                                 Category category, const std::string& query,
                                                                 std::size_t* matched) {
  const auto words = queryWords(query);
  const std::size_t firstContract = index.fixed.size();
  const std::size_t firstClient = firstContract + index.contracts;
  auto categoryAt = [&](std::size_t i) {
    return i < firstContract ? index.fixed[i].category : i < firstClient ? Category::contract : Category::client;
  };
  std::vector<Entry> kept;
  std::size_t count = 0;
  for (std::size_t i = 0; i < index.size(); ++i) {
    if (category != Category::all && categoryAt(i) != category) continue;
    if (!matches(index.key(i), words)) continue;
    ++count;
    if (kept.size() < kMaxEntries) {
      if (i < firstContract) kept.push_back(index.fixed[i]);
      else if (i < firstClient) kept.push_back(contractEntry(contracts[i - firstContract]));
      else kept.push_back(clientEntry(clients[i - firstClient]));
    } else if (!matched) {
      break;
    }
  }
  if (matched) *matched = count;
  return kept;
}

std::vector<CommandPalette::Entry> CommandPalette::buildEntries(const std::vector<NavItem>& navItems,
                                                                const Actions& actions,
                                                                const std::vector<MirrorNode>& contracts,
                                                                const std::vector<MirrorClientNode>& clients,
                                                                Category category, const std::string& query) {
  return filterEntries(indexEntries(navItems, actions, contracts, clients), contracts, clients, category, query,
                       nullptr);
}

const std::vector<CommandPalette::Entry>& CommandPalette::entries() const {
  // The index reads the nodes where they are: it is made again whenever they change.
  if (!index_ || index_->contracts != contracts->size() || index_->clients != clients->size()) {
    index_ = indexEntries(services_.visibleNavItems ? services_.visibleNavItems() : std::vector<NavItem>{}, actions_,
                          contracts.get(), clients.get());
    shown_.reset();
  }
  if (!shown_) shown_ = filterEntries(*index_, contracts.get(), clients.get(), category.get(), query.get(), &matched_);
  return *shown_;
}

std::size_t CommandPalette::matchCount() const {
  entries();
  return matched_;
}

std::string CommandPalette::countText(std::size_t shown, std::size_t matched) {
  if (matched <= shown) return "共 " + std::to_string(shown) + " 项";
  return "显示前 " + std::to_string(shown) + " 项（共 " + std::to_string(matched) + " 项，输入关键词缩小范围）";
}

void CommandPalette::invalidate(bool base) {
  if (base) index_.reset();
  shown_.reset();
}

void CommandPalette::resetForOpening() {
  invalidate(true);
  // The pill before the query: an observer of the query may read the entries at once,
  // and must find the whole list, not the last pill's.
  category.setIfChanged(Category::all);
  selectedIndex.set(0);
  query.setIfChanged("");
  invalidate(false);
  entriesChanged_.emit();
}

void CommandPalette::setQuery(const std::string& text) {
  query.set(text);
  invalidate(false);
  selectedIndex.set(0);
  entriesChanged_.emit();
}

void CommandPalette::chooseCategory(Category c) {
  category.set(c);
  invalidate(false);
  selectedIndex.set(0);
  entriesChanged_.emit();
}

void CommandPalette::selectNext() {
  const int count = static_cast<int>(entries().size());
  if (count == 0) return;
  selectedIndex.set((selectedIndex.get() + 1) % count);
}

void CommandPalette::selectPrevious() {
  const int count = static_cast<int>(entries().size());
  if (count == 0) return;
  selectedIndex.set((selectedIndex.get() + count - 1) % count);
}

std::optional<std::size_t> CommandPalette::badgeCount(Category c) const {
  std::size_t n = 0;
  if (c == Category::contract) n = contracts->size();
  else if (c == Category::client) n = clients->size();
  return n > 0 ? std::optional<std::size_t>(n) : std::nullopt;
}

void CommandPalette::openSelected(bool newTab) {
  const auto& list = entries();
  const int index = selectedIndex.get();
  if (index < 0 || index >= static_cast<int>(list.size())) return;
  execute(list[static_cast<std::size_t>(index)], newTab);
}

void CommandPalette::execute(const Entry& chosen, bool newTab) {
  // A copy: the rows it may come from are rebuilt when the window closes or reopens.
  const Entry entry = chosen;
  // Closed first, so an action's own window or panel comes up over the workspace.
  closeWindow();
  if (entry.action) return services_.later(entry.action);
  if (!entry.path) return;
  if (services_.showMainWindow) services_.showMainWindow();
  if (newTab) {
    if (services_.newTab) services_.newTab(*entry.path, entry.title);
  } else if (services_.loadInActive) {
    services_.loadInActive(*entry.path);
  }
}

void CommandPalette::closeWindow() {
  if (close_) close_();
}

std::string CommandPalette::loadFailureText(const std::optional<AppError>& failure) {
  return failure ? kLoadFailurePrefix + describe(*failure) : std::string();
}

Task<void> CommandPalette::loadNodes(bool force) {
  const unsigned long load = ++loadsStarted_;
  ++runningLoads_;
  loading.setIfChanged(true);
  std::optional<MirrorNodes> nodes;
  std::optional<AppError> failure;
  try {
    auto fetch = services_.fetchNodesCached(force);
    std::string bytes = co_await fetch;
    nodes = decodeMirrorNodes(bytes);
    if (!nodes) failure = AppError(errors::kQuorvel, errors::kPageReadFailed, "服务器回复不是合同与客户列表");
  } catch (...) {
    failure = asAppError(std::current_exception());
  }
  if (load > appliedLoad_) {
    if (nodes) {
      appliedLoad_ = load;
      contracts.set(std::move(nodes->contracts));
      clients.set(std::move(nodes->clients));
      loadFailure.setIfChanged(std::nullopt);
      invalidate(true);
      entriesChanged_.emit();
    } else {
      // Said in the window and the log: an empty list is never passed off as a firm
      // without contracts.
      logLine(tags::kPalette, loadFailureText(failure), LogLevel::warning);
      loadFailure.set(std::move(failure));
      entriesChanged_.emit();
    }
  }
  if (--runningLoads_ == 0) loading.set(false);
}

}  // namespace quorvel
