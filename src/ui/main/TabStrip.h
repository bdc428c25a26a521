#pragma once
// The tab strip of the top bar: one chip per tab of the workspace model, in model
// order, then the new-tab button. Chips are made, removed and moved one by one as the
// tab list changes; a chip redraws from its own tab's fields.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/centerbox.h>
#include <gtkmm/image.h>
#include <gtkmm/label.h>
#include <gtkmm/overlay.h>
#include <gtkmm/popovermenu.h>
#include <gtkmm/scrolledwindow.h>
#include <gtkmm/spinner.h>
#include <giomm/menu.h>
#include <giomm/simpleactiongroup.h>

#include <memory>
#include <string>
#include <vector>

#include "base/GLibPtr.h"
#include "core/BrowserModel.h"
#include "ui/model/TabStripRules.h"
#include "ui/components/LawPrecisionIcon.h"

namespace quorvel {

class TopIconBtn;

// A one-line title between a minimum and a maximum width, ellipsized beyond it.
class TabTitleLabel : public Gtk::Label {
 public:
  TabTitleLabel(int minWidth, int maxWidth);

 protected:
  void measure_vfunc(Gtk::Orientation orientation, int forSize, int& minimum, int& natural,
                     int& minimumBaseline, int& naturalBaseline) const override;

 private:
  int minWidth_;
  int maxWidth_;
};

// One tab: glyph (spinner, moon or the page's line icon), title and close button,
// the active mark, a tooltip, a context menu, and drag-to-reorder.
class TabChip : public Gtk::Box {
 public:
  explicit TabChip(std::shared_ptr<BrowserTab> tab);
  ~TabChip() override;

  const std::shared_ptr<BrowserTab>& tab() const { return tab_; }
  bool isActive() const { return active_; }
  void setActive(bool active);
  // Takes the glyph, title and tooltip from the tab again.
  void refresh();

  TabStripRules::ChipGlyph glyph() const { return glyph_; }
  std::string tooltipText() const;
  Gtk::Label& titleLabel() { return title_; }
  Gtk::Button& closeButton() { return close_; }
  LawPrecisionIcon& pathIcon() { return icon_; }

  // The context menu for the chip's current state (rebuilt before each opening).
  Glib::RefPtr<Gio::Menu> buildMenu();
  // Runs a context-menu entry, as choosing it does.
  void runMenuAction(TabStripRules::ChipMenuAction action);
  // A drop of `dropped` strings on this chip: true when accepted.
  bool handleDrop(const std::vector<std::string>& dropped);
  // The payload a drag of this chip carries.
  std::string dragPayload() const;

  sigc::signal<void()>& signalSelect() { return select_; }
  sigc::signal<void()>& signalClose() { return closeSignal_; }
  sigc::signal<void(TabStripRules::ChipMenuAction)>& signalMenu() { return menu_; }
  // A tab id dropped on this chip: move it before this chip's tab.
  sigc::signal<void(const std::string& droppedID)>& signalDropped() { return dropped_; }

 private:
  void openMenu(double x, double y);

  std::shared_ptr<BrowserTab> tab_;
  bool active_ = false;
  TabStripRules::ChipGlyph glyph_ = TabStripRules::ChipGlyph::pathIcon;
  Gtk::Overlay overlay_;
  Gtk::Box row_;
  Gtk::CenterBox glyphSlot_;
  Gtk::Box glyphBox_;
  Gtk::Spinner spinner_;
  Gtk::Image moon_;
  LawPrecisionIcon icon_;
  TabTitleLabel title_;
  Gtk::Button close_;
  Gtk::Image closeGlyph_;
  Gtk::Box activeBar_;
  Gtk::PopoverMenu popover_;
  Glib::RefPtr<Gio::SimpleActionGroup> actions_;
  std::vector<ScopedConnection> tabConnections_;
  sigc::signal<void()> select_;
  sigc::signal<void()> closeSignal_;
  sigc::signal<void(TabStripRules::ChipMenuAction)> menu_;
  sigc::signal<void(const std::string&)> dropped_;
};

// The strip: a sideways-scrolling row of chips and the new-tab button, acting on the
// workspace model.
class TabStrip : public Gtk::ScrolledWindow {
 public:
  explicit TabStrip(std::shared_ptr<BrowserModel> model);
  ~TabStrip() override;

  // The chips in strip order.
  const std::vector<std::unique_ptr<TabChip>>& chips() const { return chips_; }
  TabChip* chipFor(const std::string& tabID) const;
  TopIconBtn& newTabButton() { return *newTab_; }

 private:
  // Brings the chips in line with the model's tabs, keeping every chip whose tab stayed.
  void syncChips();
  void syncActive();
  void onMenu(const std::shared_ptr<BrowserTab>& tab, TabStripRules::ChipMenuAction action);
  void copyLink(const std::shared_ptr<BrowserTab>& tab);

  std::shared_ptr<BrowserModel> model_;
  Gtk::Box row_;
  std::unique_ptr<TopIconBtn> newTab_;
  std::vector<std::unique_ptr<TabChip>> chips_;
  std::vector<std::unique_ptr<TabChip>> retired_;
  SourceId retireSource_;
  SourceId revealSource_;
  void scheduleReveal();
  void revealActive();
  std::vector<ScopedConnection> connections_;
};

}  // namespace quorvel
