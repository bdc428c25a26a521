#include "ui/windows/MainWindowController.h"

#include <gdkmm/toplevel.h>
#include <gtkmm/dialog.h>

#include <algorithm>

#include "base/Log.h"
#include "base/LogTags.h"
#include "base/MainQueue.h"
#include "core/BrowserModel.h"

namespace quorvel {
namespace {
constexpr const char* kIdentifierKey = "quorvel-window-identifier";
constexpr const char* kPanelKey = "quorvel-window-panel";

// Every window of the process, hidden ones included: gtkmm takes a window out of its
// application's list when it is hidden, and a hidden main window must still be found.
std::vector<Gtk::Window*> applicationWindows() { return Gtk::Window::list_toplevels(); }

bool startsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Dialogs and alerts belong to another window; a window without content shows nothing.
bool canBeMain(Gtk::Window& w) {
  return !dynamic_cast<Gtk::Dialog*>(&w) && !w.get_modal() && !w.get_transient_for() && w.get_child() &&
         !windowIsPanel(w);
}

bool isOtherKnownWindow(Gtk::Window& w) {
  std::string id = windowIdentifier(w);
  if (startsWith(id, "floating:") || id == "desktop-calendar") return true;
  std::string title = w.get_title();
  return title == "墨衡台 · 桌面日历" || title == "快速归档到案件卷宗";
}

bool isMinimized(Gtk::Window& w) {
  auto toplevel = std::dynamic_pointer_cast<Gdk::Toplevel>(w.get_surface());
  return toplevel && (toplevel->get_state() & Gdk::Toplevel::State::MINIMIZED) == Gdk::Toplevel::State::MINIMIZED;
}
}  // namespace

void setWindowIdentifier(Gtk::Window& window, const std::string& identifier) {
  g_object_set_data_full(G_OBJECT(window.gobj()), kIdentifierKey, g_strdup(identifier.c_str()), g_free);
}

std::string windowIdentifier(const Gtk::Window& window) {
  auto* id = static_cast<const char*>(g_object_get_data(G_OBJECT(window.gobj()), kIdentifierKey));
  return id ? id : "";
}

void setWindowIsPanel(Gtk::Window& window, bool panel) {
  g_object_set_data(G_OBJECT(window.gobj()), kPanelKey, GINT_TO_POINTER(panel ? 1 : 0));
}

bool windowIsPanel(const Gtk::Window& window) {
  return GPOINTER_TO_INT(g_object_get_data(G_OBJECT(window.gobj()), kPanelKey)) != 0;
}

MainWindowController::MainWindowController(UserDefaults& defaults) : memory_(defaults, *this) {}

MainWindowController::~MainWindowController() = default;

Gtk::Window* MainWindowController::findMainWindow() {
  auto windows = applicationWindows();
  if (Gtk::Window* cached = cached_.get();
      cached && cached->get_child() && std::find(windows.begin(), windows.end(), cached) != windows.end())
    return cached;
  for (Gtk::Window* w : windows)
    if (windowIdentifier(*w) == kMainWindowIdentifier && w->get_child()) {
      cached_.set(w);
      return w;
    }
  for (Gtk::Window* w : windows) {
    if (!canBeMain(*w) || isOtherKnownWindow(*w)) continue;
    cached_.set(w);
    return w;
  }
  return nullptr;
}

void MainWindowController::showMainWindow() {
  if (Gtk::Window* w = findMainWindow()) {
    if (isMinimized(*w)) w->unminimize();
    w->present();
    memory_.attach();
    return;
  }
  if (!openMainScene_) return;
  logLine(tags::kWindow, "主窗口不存在，通过 openWindow(id: main) 重建");
  openMainScene_();
  postToMainAfter(250, scope_.guard([this] {
    memory_.attach();
    if (Gtk::Window* w = findMainWindow()) w->present();
  }));
}

void MainWindowController::hideMainWindowInsteadOfClosing() {
  if (auto model = model_.lock()) model->saveSession();
  Gtk::Window* w = findMainWindow();
  if (!w) return;
  memory_.storeFrame(*w);
  w->set_visible(false);
  logLine(tags::kWindow, "主窗口已隐藏至后台，点击任务栏图标或右上角菜单栏可随时恢复");
  if (onClosedToBackground_) onClosedToBackground_();
}

}  // namespace quorvel
