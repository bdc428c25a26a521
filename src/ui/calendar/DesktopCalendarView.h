#pragma once
// The desktop calendar's content: the dark header with the placement chips, the
// month grid with per-day markers, the filter and scope bar, the event cards and the
// footer with the auto-show toggle, the toast and the lock. The cards are rows of a
// list view (widgets only for those on screen); a refresh splices what changed, and
// a sync that finds nothing changed rebuilds nothing.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>
#include <gtkmm/gridview.h>
#include <gtkmm/scrolledwindow.h>

#include <functional>
#include <memory>
#include <vector>

#include "base/GLibPtr.h"
#include "features/calendar/DesktopCalendarRules.h"
#include "ui/lists/RowList.h"

namespace quorvel {

class BrowserModel;
class DesktopCalendarModel;
class DesktopCalendarWindow;
class DeskGlyph;

class DesktopCalendarView : public Gtk::Box {
 public:
  DesktopCalendarView(std::shared_ptr<BrowserModel> browser, DesktopCalendarModel& model,
                      DesktopCalendarWindow& window);
  ~DesktopCalendarView() override;

  const DesktopCalendarViewModel& state() const { return vm_; }
  // Redraws from the calendar's data and the window now (otherwise on the next idle turn).
  void syncNow();

  // Actions (the controls call these; tests too).
  void shiftMonth(int months);
  void jumpToToday();
  void selectDay(CivilDay day);
  void setFilter(DesktopFilterKind f);
  void setScope(DesktopListScope s);
  void toggleLock(bool withToast);
  void captureOnSelectedDay();
  void hideCalendar();
  void openFullCalendar();
  void openEvent(const ICSEvent& event, bool newTab);
  void markDone(const ICSEvent& event);

  // What is shown (tests). The cards listed; the widget of card i while it is on screen.
  int cardCount() const { return static_cast<int>(rows_.size()); }
  Gtk::Widget* cardAt(int i);
  Gtk::GridView& list() { return *list_; }
  std::vector<ICSEvent> listedEvents() const;
  // How often the day grid and the placeholder were built, and the cards' splices:
  // a sync with nothing changed adds to none of them.
  int gridBuilds() const { return gridBuilds_; }
  int placeholderBuilds() const { return placeholderBuilds_; }
  std::size_t listSplices() const { return rows_.splices(); }

 private:
  void buildHeader();
  void buildMonth();
  void buildFilterBar();
  void buildList();
  void buildFooter();
  void scheduleSync();
  void syncHeader();
  void syncGrid();
  void syncFilterBar(std::size_t listedCount);
  void syncList(std::shared_ptr<const std::vector<ICSEvent>> listed);
  void syncFooter();
  void syncPlaceholder(bool loadingShown, bool listShown);
  CivilDay today() const;
  friend class DeskEventCard;

  std::shared_ptr<BrowserModel> browser_;
  DesktopCalendarModel& model_;
  DesktopCalendarWindow& win_;
  DesktopCalendarViewModel vm_;

  Gtk::Box header_{Gtk::Orientation::VERTICAL, 8};
  Gtk::Label subtitle_;
  Gtk::Button lockBtn_, plusBtn_, refreshBtn_, closeBtn_;
  DeskGlyph* lockGlyph_ = nullptr;
  Gtk::Box refreshContent_;
  std::vector<Gtk::Button*> modeChips_;

  Gtk::Label monthTitle_;
  Gtk::Grid days_;
  Gtk::Label listTitle_, countBadge_;
  Gtk::Box scopeChips_{Gtk::Orientation::HORIZONTAL, 3};
  Gtk::Box filterChips_{Gtk::Orientation::HORIZONTAL, 5};
  Gtk::ScrolledWindow scroller_;
  Gtk::Box placeholder_{Gtk::Orientation::VERTICAL, 0};
  // The placeholder scrolls in a window of its own, so its height never raises the
  // panel's minimum.
  Gtk::ScrolledWindow placeholderScroll_;
  Gtk::GridView* list_ = nullptr;
  // A card's event in the listed events, which all rows share (one copy of a long list).
  struct CardRow {
    std::shared_ptr<const std::vector<ICSEvent>> listed;
    std::size_t at = 0;
    bool showDate = false;
    const ICSEvent& event() const { return (*listed)[at]; }
  };
  RowStore<CardRow> rows_;
  // What the grid and the placeholder were last built from.
  std::string gridKey_, placeholderKey_;
  bool headerLoading_ = false;
  bool headerBuilt_ = false;
  int gridBuilds_ = 0;
  int placeholderBuilds_ = 0;

  Gtk::Box footerLead_{Gtk::Orientation::HORIZONTAL, 5};
  Gtk::CheckButton autoShow_;
  Gtk::Box toast_{Gtk::Orientation::HORIZONTAL, 5};
  Gtk::Label toastLabel_;
  Gtk::Button footerLock_;
  DeskGlyph* footerLockGlyph_ = nullptr;
  Gtk::Label footerLockLabel_;

  std::vector<sigc::connection> connections_;
  SourceId idle_;
  bool syncingFooter_ = false;
};

}  // namespace quorvel
