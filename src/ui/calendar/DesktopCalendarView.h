#pragma once
// The desktop calendar's content: the dark header with the placement chips, the
// month grid with per-day markers, the filter and scope bar, the event cards and the
// footer with the auto-show toggle, the toast and the lock.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/checkbutton.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>
#include <gtkmm/scrolledwindow.h>

#include <functional>
#include <memory>
#include <vector>

#include "base/GLibPtr.h"
#include "features/calendar/DesktopCalendarRules.h"

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

  // What is shown (tests).
  int cardCount() const { return static_cast<int>(cards_.size()); }
  Gtk::Widget* cardAt(int i) const { return cards_.at(static_cast<size_t>(i)); }
  std::vector<ICSEvent> listedEvents() const;

 private:
  void buildHeader();
  void buildMonth();
  void buildFilterBar();
  void buildList();
  void buildFooter();
  void scheduleSync();
  void syncHeader();
  void syncGrid();
  void syncFilterBar();
  void syncList();
  void syncFooter();
  Gtk::Widget* makeCard(const ICSEvent& event, bool showDate);
  CivilDay today() const;

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
  Gtk::Box listBox_{Gtk::Orientation::VERTICAL, 0};
  std::vector<Gtk::Widget*> cards_;

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
