#include "ui/main/ContentView.h"

#include <set>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/Dialogs.h"
#include "ui/model/Sidebar.h"
#include "ui/model/WorkspaceViewState.h"
#include "ui/components/LawButtons.h"
#include "ui/floating/FloatingWindowManager.h"
#include "ui/main/SidebarView.h"
#include "ui/main/WorkspaceTopBar.h"
#include "core/PrivacyLock.h"
#include "ui/main/LockOverlayView.h"
#include "ui/main/Placeholders.h"
#include "ui/main/WebViewBox.h"


namespace quorvel {
namespace {
constexpr unsigned kPulseMs = 80;
constexpr const char* kEmpty = "empty";
constexpr const char* kNone = "none";
}  // namespace

ContentView::ContentView(std::shared_ptr<BrowserModel> browser, std::shared_ptr<WorkspaceViewState> view,
                         FloatingWindowManager& toolWindows, PrivacyLock* lock, TopBarTools tools)
    : browser_(std::move(browser)),
      view_(std::move(view)),
      tools_(std::move(tools)),
      toolWindows_(toolWindows),
      lock_(lock) {
  add_css_class("law-canvas");
  set_child(row_);
  row_.set_hexpand(true);
  row_.set_vexpand(true);
  sidebarSlot_.set_size_request(kSidebarWidth, -1);
  sidebarSlot_.set_visible(false);  // until a sidebar is set
  row_.append(sidebarSlot_);
  row_.append(workspace_);
  workspace_.set_hexpand(true);
  workspace_.set_vexpand(true);
  workspace_.append(topSlot_);
  hairline_.add_css_class("law-hairline");
  hairline_.set_size_request(-1, 1);
  workspace_.append(hairline_);
  workspace_.append(pageArea_);
  pageArea_.set_hexpand(true);
  pageArea_.set_vexpand(true);
  pageArea_.add_css_class("law-canvas");
  pageArea_.set_child(pages_);
  pages_.set_transition_type(Gtk::StackTransitionType::NONE);
  pages_.set_hhomogeneous(false);
  pages_.set_vhomogeneous(false);

  empty_ = Gtk::make_managed<EmptyStateView>(*browser_);
  pages_.add(*empty_, kEmpty);
  pages_.add(*Gtk::make_managed<Gtk::Box>(), kNone);

  loadingBar_.add_css_class("law-loading-bar");
  loadingBar_.set_valign(Gtk::Align::START);
  loadingBar_.set_hexpand(true);
  loadingBar_.set_pulse_step(0.12);
  loadingBar_.set_can_target(false);
  loadingBar_.set_visible(false);
  pageArea_.add_overlay(loadingBar_);

  connections_.emplace_back(browser_->tabs().changed().connect([this] { syncLayers(); }));
  connections_.emplace_back(browser_->changed().connect([this] { syncLayers(); }));
  connections_.emplace_back(browser_->activeID().changed().connect([this] { showActive(); }));
  connections_.emplace_back(browser_->activeLoading().changed().connect([this] { syncLoading(); }));
  buildSidebar();
  buildTopBar();
  watchToolFlags();

  if (lock_) {
    lockOverlay_ = Gtk::make_managed<LockOverlayView>(*lock_);
    add_overlay(*lockOverlay_);
    connections_.emplace_back(lock_->isLocked.changed().connect([this] { syncLock(); }));
  }
  syncLayers();
  syncLoading();
  syncLock();
}

void ContentView::buildSidebar() {
  sidebar_ = Gtk::make_managed<SidebarView>();
  std::weak_ptr<BrowserModel> weak = browser_;
  sidebar_->signalSelect().connect([weak](const std::string& path) {
    if (auto m = weak.lock()) m->loadInActive(path);
  });
  std::weak_ptr<WorkspaceViewState> weakView = view_;
  sidebar_->signalTodo().connect([weakView](TodoKind kind) {
    if (auto v = weakView.lock()) {
      v->todoKind.set(kind);
      v->showTodo.set(true);
    }
  });
  sidebar_->signalSettings().connect([weakView] {
    if (auto v = weakView.lock()) v->showSettings.set(true);
  });
  sidebar_->signalSwitchAccount().connect([this] {
    if (tools_.switchAccount) tools_.switchAccount();
  });
  sidebar_->signalRetry().connect([weak] {
    if (auto m = weak.lock()) m->reads().refreshBadges();
  });
  auto refresh = [this] { syncSidebar(); };
  connections_.emplace_back(browser_->activePath().changed().connect(refresh));
  connections_.emplace_back(browser_->account().navItems.changed().connect(refresh));
  connections_.emplace_back(browser_->account().forbiddenPaths.changed().connect(refresh));
  connections_.emplace_back(browser_->account().recents.changed().connect(refresh));
  connections_.emplace_back(browser_->account().badges.changed().connect(refresh));
  connections_.emplace_back(browser_->account().badgeFailure.changed().connect(refresh));
  connections_.emplace_back(view_->fontScale.changed().connect(refresh));
  syncSidebar();
  setSidebar(*sidebar_);
}

void ContentView::buildTopBar() {
  TopBarTools tools = tools_;
  if (lock_ && !tools.lockWorkspace) tools.lockWorkspace = [lock = lock_] { lock->lock(); };
  topBar_ = Gtk::make_managed<WorkspaceTopBar>(browser_, view_, std::move(tools));
  topBar_->signalSidebarToggled().connect([this](bool shown) { setSidebarShown(shown); });
  setTopBar(*topBar_);
}

void ContentView::syncSidebar() {
  SidebarInput input = sidebarInputFrom(*browser_, *view_);
  // The window controls sit at the end of our own top bar, not over the sidebar.
  input.trafficLightPadding = 0;
  sidebar_->update(input);
}

void ContentView::watchToolFlags() {
  // Each flag opens or hides its floating tool window. Their contents arrive with their
  // own subsystems; until then a window says what it will hold (a registered content
  // has no such text).
  struct Tool {
    Published<bool>* flag;
    const char* name;
    const char* promise;  // none where the application always registers the content
  };
  const Tool tools[] = {
      {&view_->showSettings, "settings", "客户端设置（服务器地址、字号、隐私锁定、卷宗盘等）将在这里调整。"},
      {&view_->showTodo, "todo", "超期、今日到期、3天内、待核实的待办与开庭预警将在这里列出。"},
      {&view_->showPalette, "palette", nullptr},
      {&view_->showShortcuts, "shortcuts", nullptr},
      {&view_->showMirror, "mirror", "本地卷宗盘与离线镜像的文件将在这里管理。"},
  };
  for (const Tool& tool : tools) {
    Published<bool>* flag = tool.flag;
    std::string name = tool.name;
    std::string promise = tool.promise ? tool.promise : "";
    std::weak_ptr<BrowserModel> weak = browser_;
    std::weak_ptr<WorkspaceViewState> weakView = view_;
    // The flag lives in the view state; the window and its content may outlive both
    // this view and the state.
    auto dropFlag = [flag, weakView] {
      if (auto state = weakView.lock()) flag->set(false);
    };
    // The manager outlives this view; the content it keeps lives in its windows.
    FloatingWindowManager* manager = &toolWindows_;
    connections_.emplace_back(flag->changed().connect([flag, name, promise, weak, dropFlag, manager] {
      if (!flag->get()) {
        manager->close(name);
        return;
      }
      // The content's own close action: the flag drops, then the window hides.
      auto close = [name, dropFlag, manager] {
        dropFlag();
        manager->close(name);
      };
      // Made once, the first time the window opens; later opens show the same content.
      auto makeContent = [name, promise, weak, close, manager]() -> Gtk::Widget* {
        if (const auto& factory = manager->contents().factory(name); factory)
          if (auto model = weak.lock()) return factory(model, close);
        auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
        box->set_margin(28);
        box->set_valign(Gtk::Align::CENTER);
        if (!promise.empty()) {
          auto* text = Gtk::make_managed<Gtk::Label>(promise);
          text->add_css_class("law-empty-hint");
          text->set_wrap(true);
          box->append(*text);
        }
        auto* note = Gtk::make_managed<Gtk::Label>("此窗口的内容将在后续版本提供。");
        note->add_css_class("law-placeholder-note");
        box->append(*note);
        auto* done = makeLawSecondaryButton("关闭", true);
        done->set_halign(Gtk::Align::CENTER);
        done->signal_clicked().connect(close);
        box->append(*done);
        return box;
      };
      manager->open(name, makeContent, dropFlag);
    }));
  }
}

void ContentView::syncLock() {
  bool locked = lock_ && lock_->isLocked.get();
  if (locked && !covered_) rememberFocus();
  if (lockOverlay_) lockOverlay_->set_visible(locked);
  // Under the cover nothing takes input: no page, no control, no shortcut; and a screen
  // reader (or any program reading the accessibility tree) finds only the cover.
  row_.set_sensitive(!locked);
  gtk_accessible_update_state(GTK_ACCESSIBLE(row_.gobj()), GTK_ACCESSIBLE_STATE_HIDDEN, locked, -1);
  if (locked && lockOverlay_) lockOverlay_->focusPassword();
  if (!locked && covered_) restoreFocus();
  covered_ = locked;
}

void ContentView::rememberFocus() {
  GtkWidget* focus = nullptr;
  if (GtkRoot* root = gtk_widget_get_root(GTK_WIDGET(gobj()))) focus = gtk_root_get_focus(root);
  bool inWorkspace = focus && gtk_widget_is_ancestor(focus, GTK_WIDGET(row_.gobj()));
  focusBeforeLock_.set(inWorkspace ? focus : nullptr);
}

void ContentView::restoreFocus() {
  GtkWidget* focus = focusBeforeLock_.get();
  focusBeforeLock_.set(nullptr);
  bool restored = focus && gtk_widget_is_ancestor(focus, GTK_WIDGET(row_.gobj())) && gtk_widget_is_visible(focus) &&
                  gtk_widget_is_sensitive(focus) && gtk_widget_grab_focus(focus);
  // Nothing to go back to (locked since the start, or that control is gone): the page shown.
  if (!restored)
    if (Gtk::Widget* page = pages_.get_visible_child()) page->child_focus(Gtk::DirectionType::TAB_FORWARD);
}

void ContentView::setSidebar(Gtk::Widget& sidebar) {
  while (auto* c = sidebarSlot_.get_first_child()) sidebarSlot_.remove(*c);
  sidebar.set_vexpand(true);
  sidebarSlot_.append(sidebar);
  sidebarSlot_.set_visible(sidebarShown_);
}

void ContentView::setTopBar(Gtk::Widget& topBar) {
  while (auto* c = topSlot_.get_first_child()) topSlot_.remove(*c);
  topSlot_.append(topBar);
}

void ContentView::setSidebarShown(bool shown) {
  sidebarShown_ = shown;
  if (topBar_ && topBar_->sidebarShown() != shown) topBar_->setSidebarShown(shown);
  sidebarSlot_.set_visible(shown && sidebarSlot_.get_first_child());
}

std::string ContentView::visibleLayer() const { return pages_.get_visible_child_name(); }

Gtk::Widget* ContentView::layerOf(const std::string& tabID) const {
  auto it = layers_.find(tabID);
  return it == layers_.end() ? nullptr : it->second;
}

void ContentView::syncLayers() {
  std::set<std::string> present;
  for (const auto& tab : browser_->tabs().get()) {
    present.insert(tab->id());
    auto [it, added] = layers_.try_emplace(tab->id(), nullptr);
    if (added) {
      it->second = Gtk::make_managed<WebViewBox>();
      std::weak_ptr<BrowserModel> weakModel = browser_;
      it->second->setOnWake([weakModel](const std::shared_ptr<BrowserTab>& t) {
        if (auto m = weakModel.lock()) m->activate(t);
      });
      pages_.add(*it->second, tab->id());
    }
    // Shows the live page, or the placeholder of a released tab.
    it->second->showTab(tab);
  }
  for (auto it = layers_.begin(); it != layers_.end();) {
    if (present.count(it->first)) {
      ++it;
      continue;
    }
    it->second->showTab(nullptr);  // lets go of a page that is still attached
    pages_.remove(*it->second);
    it = layers_.erase(it);
  }
  showActive();
}

void ContentView::showActive() {
  if (browser_->tabs()->empty()) {
    pages_.set_visible_child(kEmpty);
    return;
  }
  const auto& id = browser_->activeID().get();
  if (id && layers_.count(*id)) pages_.set_visible_child(*id);
  else pages_.set_visible_child(kNone);
}

void ContentView::syncLoading() {
  bool loading = browser_->activeLoading().get();
  loadingBar_.set_visible(loading);
  if (!loading) {
    pulse_.reset();
    // A pulsed bar animates on every frame until it leaves activity mode, hidden or not.
    loadingBar_.set_fraction(0.0);
    return;
  }
  if (pulse_) return;
  pulse_ = SourceId(g_timeout_add(
      kPulseMs,
      +[](gpointer bar) -> gboolean {
        gtk_progress_bar_pulse(GTK_PROGRESS_BAR(bar));
        return G_SOURCE_CONTINUE;
      },
      loadingBar_.gobj()));
}

}  // namespace quorvel
