#include "ui/windows/LockCurtain.h"

#include <optional>
#include <string>

#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/PrivacyLock.h"
#include "platform/OffscreenWindow.h"
#include "ui/windows/MainWindowController.h"
#include "ui/windows/WindowFrame.h"

namespace quorvel {

namespace {
// Where a window stood and how it was kept, as the window manager knows it.
struct Standing {
  Rect frame;
  bool above = false;
  bool below = false;
  bool allWorkspaces = false;
  bool skipTaskbar = false;
};

Gtk::Window& wrapped(GtkWindow* window) { return *Glib::wrap(window); }

// The main window carries the cover; a window nobody sees (an off-screen render)
// serves work that goes on under the lock.
bool staysUp(GtkWindow* window) {
  if (g_object_get_data(G_OBJECT(window), OffscreenWindow::kObjectDataKey)) return true;
  return windowIdentifier(wrapped(window)) == kMainWindowIdentifier;
}

std::optional<Standing> standingOf(GtkWindow* window) {
  auto placement = placementFor(wrapped(window));
  if (!placement || !placement->canPosition()) return std::nullopt;
  Standing s;
  s.frame = placement->frame();
  s.above = placement->keptAbove();
  s.below = placement->keptBelow();
  s.allWorkspaces = placement->onAllWorkspaces();
  s.skipTaskbar = placement->skipsTaskbar();
  if (s.frame.width <= 0 || s.frame.height <= 0) return std::nullopt;
  return s;
}

// A window manager forgets the states of a window it saw withdrawn and places it
// anew: both come back as they were.
void restoreStanding(GtkWindow* window, const Standing& s) {
  auto placement = placementFor(wrapped(window));
  if (!placement || !placement->canPosition()) return;
  placement->setFrame(s.frame);
  placement->setKeepAbove(s.above);
  placement->setKeepBelow(s.below);
  placement->setOnAllWorkspaces(s.allWorkspaces);
  placement->setSkipTaskbar(s.skipTaskbar);
  // The cover was brought forward meanwhile: what stood above the main window does again.
  if (!s.below) placement->raise();
}

std::string nameOf(GtkWindow* window) {
  std::string id = windowIdentifier(wrapped(window));
  if (!id.empty()) return id;
  const char* title = gtk_window_get_title(window);
  return title && *title ? title : "无标题窗口";
}
}  // namespace

struct LockCurtain::Held {
  Held() { g_weak_ref_init(&window, nullptr); }
  ~Held() { g_weak_ref_clear(&window); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;

  GWeakRef window;
  // A modal window off the screen would still keep the input from the cover.
  bool wasModal = false;
  std::optional<Standing> standing;
};

LockCurtain::LockCurtain(PrivacyLock& lock) : lock_(lock), toplevels_(gtk_window_get_toplevels()) {
  const guint n = g_list_model_get_n_items(toplevels_);
  for (guint i = 0; i < n; ++i) {
    auto* window = static_cast<GtkWindow*>(g_list_model_get_item(toplevels_, i));
    watch(window);
    g_object_unref(window);
  }
  toplevelsChanged_ =
      SignalHandler(toplevels_, g_signal_connect(toplevels_, "items-changed", G_CALLBACK(onToplevelsChanged), this));
  lockChanged_ = ScopedConnection(lock_.isLocked.changed().connect([this] { lockChanged(); }));
  lockChanged();
}

LockCurtain::~LockCurtain() {
  scope_.end();
  // Before the held windows go: nothing reaches this object while it ends.
  toplevelsChanged_.disconnect();
  mapHandlers_.clear();
}

void LockCurtain::watch(GtkWindow* window) {
  // After GTK's own handler: the window is mapped when this runs, and a modal one has
  // not yet taken the input.
  // Handlers of windows destroyed meanwhile are dropped first.
  std::erase_if(mapHandlers_, [](const SignalHandler& h) { return !h.connected(); });
  mapHandlers_.emplace_back(window, g_signal_connect_after(window, "map", G_CALLBACK(onMapped), this));
}

void LockCurtain::onToplevelsChanged(GListModel* list, guint position, guint, guint added, gpointer self) {
  for (guint i = position; i < position + added; ++i) {
    auto* window = static_cast<GtkWindow*>(g_list_model_get_item(list, i));
    static_cast<LockCurtain*>(self)->watch(window);
    g_object_unref(window);
  }
}

void LockCurtain::onMapped(GtkWidget* widget, gpointer data) {
  auto* self = static_cast<LockCurtain*>(data);
  if (!self->locked_ || staysUp(GTK_WINDOW(widget))) return;
  self->takeOff(GTK_WINDOW(widget), true);
  // Showing goes on after the map and tells assistive technology the window is there:
  // said otherwise once it is done.
  postToMain(self->scope_.guard([self, window = GObjectPtr<GtkWindow>::retain(GTK_WINDOW(widget))] {
    if (!self->locked_ || gtk_widget_get_mapped(GTK_WIDGET(window.get()))) return;
    gtk_accessible_update_state(GTK_ACCESSIBLE(window.get()), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
  }));
}

void LockCurtain::lockChanged() {
  bool locked = lock_.isLocked.get();
  if (locked == locked_) return;  // locking again changes nothing here
  locked_ = locked;
  if (!locked) {
    putBack();
    return;
  }
  const guint n = g_list_model_get_n_items(toplevels_);
  std::vector<GtkWindow*> shown;
  for (guint i = 0; i < n; ++i) {
    auto* window = static_cast<GtkWindow*>(g_list_model_get_item(toplevels_, i));
    if (gtk_widget_get_mapped(GTK_WIDGET(window)) && !staysUp(window)) shown.push_back(window);
    g_object_unref(window);  // the list keeps it
  }
  for (auto* window : shown) takeOff(window, false);
  if (!shown.empty()) logLine(tags::kLock, "锁定期间隐藏 " + std::to_string(shown.size()) + " 个窗口");
}

void LockCurtain::takeOff(GtkWindow* window, bool appearedWhileLocked) {
  Held* entry = nullptr;
  for (auto& h : held_) {
    GObject* w = static_cast<GObject*>(g_weak_ref_get(&h->window));
    if (w) g_object_unref(w);
    if (w == G_OBJECT(window)) entry = h.get();
  }
  if (!entry) {
    held_.push_back(std::make_unique<Held>());
    entry = held_.back().get();
    g_weak_ref_set(&entry->window, window);
  }
  // Its owner may have shown it again at another place meanwhile.
  entry->standing = standingOf(window);
  if (gtk_window_get_modal(window)) {
    entry->wasModal = true;
    gtk_window_set_modal(window, FALSE);
  }
  gtk_widget_unmap(GTK_WIDGET(window));
  // Off the screen is out of reach of assistive technology too: it still counts as
  // shown by its owner, and would otherwise read out what the cover hides.
  gtk_accessible_update_state(GTK_ACCESSIBLE(window), GTK_ACCESSIBLE_STATE_HIDDEN, TRUE, -1);
  if (appearedWhileLocked) logLine(tags::kLock, "工作区已锁定，「" + nameOf(window) + "」解锁后显示");
}

void LockCurtain::putBack() {
  auto held = std::move(held_);
  held_.clear();
  size_t shown = 0;
  for (auto& h : held) {
    auto* window = static_cast<GtkWindow*>(g_weak_ref_get(&h->window));
    if (!window) continue;  // gone meanwhile
    if (h->wasModal) gtk_window_set_modal(window, TRUE);
    const bool visible = gtk_widget_get_visible(GTK_WIDGET(window));
    gtk_accessible_update_state(GTK_ACCESSIBLE(window), GTK_ACCESSIBLE_STATE_HIDDEN, !visible, -1);
    // Hidden by its owner meanwhile: it stays hidden.
    if (visible && !gtk_widget_get_mapped(GTK_WIDGET(window))) {
      gtk_widget_map(GTK_WIDGET(window));
      if (h->standing) restoreStanding(window, *h->standing);
      ++shown;
    }
    g_object_unref(window);
  }
  if (shown) logLine(tags::kLock, "解锁后恢复 " + std::to_string(shown) + " 个窗口");
}

}  // namespace quorvel
