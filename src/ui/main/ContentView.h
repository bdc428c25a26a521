#pragma once
// The root of the main window: the sidebar column and the workspace column (top bar,
// hairline, the page area with one layer per tab and the loading bar), and a slot
// above everything for the lock overlay. Every tab's layer stays alive while the tab
// exists, so switching tabs never reloads a page or loses its scroll and form state.
#include <gtkmm.h>

#include <map>
#include <memory>
#include <string>

#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "core/BrowserModel.h"

#include "ui/main/WorkspaceTopBar.h"
#include "ui/model/WorkspaceViewState.h"

namespace quorvel {

class EmptyStateView;
class FloatingWindowManager;
class LockOverlayView;
class PrivacyLock;
class WebViewBox;
class SidebarView;

class ContentView : public Gtk::Overlay {
 public:
  // `toolWindows`: where the view state's tool-window flags open their windows.
  // `lock`: the privacy lock whose cover this view shows (may be nullptr).
  // `tools`: the subsystems' entry points the top bar's buttons reach.
  ContentView(std::shared_ptr<BrowserModel> browser, std::shared_ptr<WorkspaceViewState> view,
              FloatingWindowManager& toolWindows, PrivacyLock* lock, TopBarTools tools = {});

  // The pieces other parts build; each slot takes a managed widget.
  void setSidebar(Gtk::Widget& sidebar);
  void setTopBar(Gtk::Widget& topBar);

  bool sidebarShown() const { return sidebarShown_; }
  void setSidebarShown(bool shown);

  // For tests and renders: the layer shown now ("empty", "none" or a tab id).
  std::string visibleLayer() const;
  Gtk::Widget* layerOf(const std::string& tabID) const;
  EmptyStateView* emptyState() const { return empty_; }
  bool loadingBarShown() const { return loadingBar_.get_visible(); }
  LockOverlayView* lockOverlay() const { return lockOverlay_; }
  SidebarView* sidebar() const { return sidebar_; }
  WorkspaceTopBar* topBar() const { return topBar_; }

 private:
  void syncLayers();
  void showActive();
  void syncLoading();
  void syncLock();
  void rememberFocus();
  void restoreFocus();
  void buildSidebar();
  void buildTopBar();
  void syncSidebar();
  void watchToolFlags();

  std::shared_ptr<BrowserModel> browser_;
  std::shared_ptr<WorkspaceViewState> view_;
  TopBarTools tools_;
  FloatingWindowManager& toolWindows_;
  Gtk::Box row_{Gtk::Orientation::HORIZONTAL};
  Gtk::Box sidebarSlot_{Gtk::Orientation::VERTICAL};
  Gtk::Box workspace_{Gtk::Orientation::VERTICAL};
  Gtk::Box topSlot_{Gtk::Orientation::VERTICAL};
  Gtk::Box hairline_;
  Gtk::Overlay pageArea_;
  Gtk::Stack pages_;
  Gtk::ProgressBar loadingBar_;
  EmptyStateView* empty_ = nullptr;
  SidebarView* sidebar_ = nullptr;
  WorkspaceTopBar* topBar_ = nullptr;
  PrivacyLock* lock_ = nullptr;
  LockOverlayView* lockOverlay_ = nullptr;
  bool covered_ = false;
  // Where the keyboard focus was when the cover came: it goes back there after the unlock.
  GWeakPtr<GtkWidget> focusBeforeLock_;
  std::map<std::string, WebViewBox*> layers_;
  bool sidebarShown_ = true;
  SourceId pulse_;
  std::vector<ScopedConnection> connections_;
};

}  // namespace quorvel
