#include "ui/components/LawStyle.h"
#include "ui/calendar/DesktopCalendarView.h"

#include <gdkmm/clipboard.h>
#include <gtkmm/cssprovider.h>
#include <glibmm/main.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/native.h>
#include <gtkmm/popover.h>
#include <gtkmm/separator.h>
#include <gtkmm/spinner.h>
#include <gtkmm/stylecontext.h>

#include <cstdio>
#include <cstdlib>

#include "base/Log.h"
#include "base/LogTags.h"
#include "core/BrowserModel.h"
#include "core/Theme.h"
#include "ui/model/ThemeCss.h"
#include "features/calendar/DesktopCalendarModel.h"
#include "ui/calendar/DeskGlyph.h"
#include "ui/calendar/DesktopCalendarWindow.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawBadges.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawSelectableChip.h"
#include "ui/components/WidgetHelpers.h"

namespace quorvel {
namespace {

constexpr LawColor kOverdue = LawColor::rgb8(190, 18, 60);

LawColor accentOf(ICSEvent::Kind k) {
  switch (k) {
    case ICSEvent::Kind::hearing: return LawTheme::danger;
    case ICSEvent::Kind::deadline: return LawTheme::warning;
    case ICSEvent::Kind::routine: return LawTheme::primary;
    case ICSEvent::Kind::overdue: return kOverdue;
    case ICSEvent::Kind::other: return LawTheme::textSecondary;
  }
  return LawTheme::textSecondary;
}

const char* kindClass(ICSEvent::Kind k) { return kindRawValue(k); }

LawColor filterColor(DesktopFilterKind f) {
  switch (f) {
    case DesktopFilterKind::all: return LawTheme::primary;
    case DesktopFilterKind::hearing: return LawTheme::danger;
    case DesktopFilterKind::deadline: return LawTheme::warning;
    case DesktopFilterKind::overdue: return kOverdue;
  }
  return LawTheme::primary;
}

std::string rule(const std::string& sel, const std::string& body) { return sel + " { " + body + " }\n"; }

std::string desktopCalendarCss() {
  const std::string ease = " transition: all 140ms ease-out;";
  std::string c;
  c += rule("window.dc-window", "background: transparent;");
  c += rule(".dc-root", "background-color: " + LawTheme::canvasBg.css() +
                            "; border-radius: 16px; border: 1px solid rgba(0,0,0,0.14);");
  c += rule(".dc-root.dc-locked", "border-color: " + LawTheme::gold.opacity(0.45).css() + ";");
  // The glass on the wallpaper is drawn here: a compositor blur cannot be relied on.
  c += rule(".dc-root.dc-glass", "background-color: " + LawTheme::canvasBg.opacity(0.78).css() +
                                     "; background-image: linear-gradient(165deg, rgba(255,255,255,0.42), "
                                     "rgba(226,232,240,0.18) 55%, rgba(203,213,225,0.22));");
  c += rule(".dc-header", "background-image: " + lawGradientCss(LawTheme::sidebarGradient()) +
                              "; padding: 12px 13px 10px 13px;");
  c += rule(".dc-title", "font-size: 13px; font-weight: 700; color: white;");
  c += rule(".dc-subtitle", "font-size: 10px; color: " + LawTheme::sidebarTextMuted.css() + ";");
  c += rule(".dc-hbtn", "min-width: 24px; min-height: 24px; padding: 0; border: none; box-shadow: none; "
                        "border-radius: 6px; background: rgba(255,255,255,0.05); color: " +
                            LawTheme::sidebarText.css() + ";" + ease);
  c += rule(".dc-hbtn:hover", "background: rgba(255,255,255,0.14); color: " + LawTheme::goldLight.css() + ";");
  c += rule(".dc-hbtn.dc-highlighted", "background: " + LawTheme::goldLight.css() + "; color: " +
                                           LawTheme::ink.css() + ";");
  c += rule(".dc-mode", "padding: 3.5px 7.5px; border: none; box-shadow: none; border-radius: 999px; "
                        "background: rgba(255,255,255,0.06); color: " +
                            LawTheme::sidebarText.css() + "; font-size: 10.5px; font-weight: 500;" + ease);
  c += rule(".dc-mode:hover", "background: rgba(255,255,255,0.14); color: white;");
  c += rule(".dc-mode.dc-active", "background: " + LawTheme::goldLight.css() + "; color: " + LawTheme::ink.css() +
                                      "; font-weight: 600;");
  c += rule(".dc-full", "padding: 3.5px 7px; border-radius: 999px; background: " + LawTheme::goldSoft.css() +
                            "; border: 0.7px solid " + LawTheme::goldBorder.css() + "; box-shadow: none; color: " +
                            LawTheme::goldLight.css() + "; font-size: 10.5px; font-weight: 500;" + ease);
  c += rule(".dc-full:hover", "background: " + LawTheme::goldSoft.opacity(1.6).css() + ";");
  c += rule(".dc-month", "background-color: " + LawTheme::surface.css() + "; padding: 10px 12px;");
  c += rule(".dc-glass .dc-month", "background-color: " + LawTheme::surface.opacity(0.82).css() + ";");
  c += rule(".dc-month-title", "font-size: 14px; font-weight: 700; color: " + LawTheme::textPrimary.css() + ";");
  c += rule(".dc-nav", "min-width: 24px; min-height: 24px; padding: 0; border: none; box-shadow: none; "
                       "border-radius: 6px; background: " +
                           LawTheme::canvasBg.css() + "; color: " + LawTheme::textSecondary.css() + ";" + ease);
  c += rule(".dc-nav:hover", "background: " + LawTheme::primarySoft.css() + "; color: " + LawTheme::primary.css() + ";");
  c += rule(".dc-weekday", "font-size: 10.5px; font-weight: 600; padding: 2px 0; color: " +
                               LawTheme::textMuted.css() + ";");
  c += rule(".dc-weekend", "color: " + LawTheme::warning.css() + ";");
  c += rule(".dc-cell", "padding: 5px 0; min-height: 0; border-radius: 7px; border: 1px solid transparent; "
                        "box-shadow: none; background: transparent;" + ease);
  c += rule(".dc-cell:hover", "background: " + LawTheme::primarySoft.css() + "; border-color: " +
                                  LawTheme::primary.opacity(0.28).css() + ";");
  c += rule(".dc-cell.dc-today", "background: " + LawTheme::primarySoft.opacity(0.55).css() + "; border-color: " +
                                     LawTheme::primary.opacity(0.6).css() + ";");
  c += rule(".dc-cell.dc-today:hover", "background: " + LawTheme::primarySoft.css() + ";");
  c += rule(".dc-cell.dc-selected, .dc-cell.dc-selected:hover", "background: " + LawTheme::primary.css() +
                                                                    "; border-color: transparent;");
  c += rule(".dc-daynum", "font-size: 12px; font-weight: 500; font-feature-settings: \"tnum\"; color: " +
                              LawTheme::textPrimary.css() + ";");
  c += rule(".dc-outside .dc-daynum", "color: " + LawTheme::textMuted.opacity(0.45).css() + ";");
  c += rule(".dc-today .dc-daynum", "color: " + LawTheme::primary.css() + "; font-weight: 700;");
  c += rule(".dc-selected .dc-daynum", "color: white; font-weight: 700;");
  c += rule(".dc-dot", "min-width: 5px; min-height: 5px; border-radius: 3px;");
  c += rule(".dc-dot-hearing", "background: " + LawTheme::danger.css() + ";");
  c += rule(".dc-dot-overdue", "background: " + kOverdue.css() + ";");
  c += rule(".dc-dot-deadline", "background: " + LawTheme::warning.css() + ";");
  c += rule(".dc-selected .dc-dot-hearing", "background: white;");
  c += rule(".dc-selected .dc-dot-overdue", "background: " + LawTheme::goldPale.css() + ";");
  c += rule(".dc-selected .dc-dot-deadline", "background: rgba(255,255,255,0.85);");
  c += rule(".dc-total", "font-size: 8.5px; font-weight: 700; font-feature-settings: \"tnum\"; color: " +
                             LawTheme::textTertiary.css() + ";");
  c += rule(".dc-selected .dc-total", "color: " + LawTheme::goldPale.css() + ";");
  c += rule(".dc-divider", "min-height: 1px; background: " + LawTheme::borderLight.css() + ";");
  c += rule(".dc-filterbar", "background-color: " + LawTheme::surfaceMuted.css() + "; padding: 8px 12px;");
  c += rule(".dc-glass .dc-filterbar", "background-color: " + LawTheme::surfaceMuted.opacity(0.8).css() + ";");
  c += rule(".dc-list-title", "font-size: 12.5px; font-weight: 700; color: " + LawTheme::textPrimary.css() + ";");
  c += rule(".dc-count", "font-size: 10.5px; font-weight: 600; font-feature-settings: \"tnum\"; padding: 1.5px 6px; "
                         "border-radius: 999px; color: " +
                             LawTheme::primary.css() + "; background: " + LawTheme::primarySoft.css() + ";");
  c += rule(".dc-list scrollbar", "background: transparent;");
  c += rule(".dc-list, .dc-list > viewport", "background: transparent;");
  c += rule(".dc-card", "padding: 10px; border-radius: 8px; background: " + LawTheme::surface.css() +
                            "; border: 1px solid " + LawTheme::borderLight.css() +
                            "; box-shadow: 0 1px 2px rgba(15,23,42,0.025);" + ease);
  c += rule(".dc-card:hover", "background: rgb(250,251,253); box-shadow: 0 2px 6px rgba(15,23,42,0.08);");
  for (auto k : {ICSEvent::Kind::hearing, ICSEvent::Kind::deadline, ICSEvent::Kind::routine, ICSEvent::Kind::overdue,
                 ICSEvent::Kind::other}) {
    const std::string kc = std::string(".dc-kind-") + kindClass(k);
    const LawColor a = accentOf(k);
    c += rule(".dc-card" + kc + ":hover", "border-color: " + a.opacity(0.45).css() + ";");
    c += rule(kc + " .dc-accent", "background: " + a.css() + ";");
    c += rule(kc + " .dc-kind", "color: " + a.css() + "; background: " + a.opacity(0.12).css() + ";");
  }
  c += rule(".dc-accent", "min-width: 3px; min-height: 34px; border-radius: 2px;");
  c += rule(".dc-kind", "font-size: 9.5px; font-weight: 700; padding: 1px 5px; border-radius: 999px;");
  c += rule(".dc-time", "font-size: 10.5px; font-weight: 600; font-family: monospace; color: " +
                            LawTheme::textSecondary.css() + ";");
  c += rule(".dc-card-title", "font-size: 12.5px; font-weight: 600; color: " + LawTheme::textPrimary.css() + ";");
  c += rule(".dc-location", "font-size: 10.5px; color: " + LawTheme::textTertiary.css() + ";");
  c += rule(".dc-empty-title", "font-size: 12.5px; font-weight: 600; color: " + LawTheme::textSecondary.css() + ";");
  c += rule(".dc-empty-icon", "color: " + LawTheme::success.opacity(0.75).css() + ";");
  c += rule(".dc-error", "font-size: 11px; color: " + LawTheme::danger.css() + ";");
  c += rule(".dc-loading", "font-size: 12px; color: " + LawTheme::textMuted.css() + ";");
  c += rule(".dc-footer", "background-color: " + LawTheme::surface.css() + "; padding: 7px 12px; border-top: 1px solid " +
                              LawTheme::borderLight.css() + ";");
  c += rule(".dc-glass .dc-footer", "background-color: " + LawTheme::surface.opacity(0.82).css() + ";");
  c += rule(".dc-footer checkbutton", "font-size: 11px; color: " + LawTheme::textSecondary.css() + ";");
  c += rule(".dc-toast", "font-size: 11px; font-weight: 500; color: " + LawTheme::success.css() + ";");
  c += rule(".dc-footlock", "padding: 0 2px; border: none; box-shadow: none; background: transparent; "
                            "font-size: 10px; font-weight: 500; color: " +
                                LawTheme::textMuted.css() + ";" + ease);
  c += rule(".dc-footlock.dc-active", "color: " + LawTheme::primary.css() + ";");
  c += rule(".dc-menu button", "padding: 4px 10px; font-size: 12px; border: none; box-shadow: none; "
                               "background: transparent;");
  c += rule(".dc-menu button:hover", "background: " + LawTheme::primarySoft.css() + ";");
  return c;
}

// The workspace's font scale: the same rules' font sizes, scaled, under a class of the root.
std::string scaledFontCss(const std::string& css, double scale, const std::string& cls) {
  std::string out;
  size_t pos = 0;
  while (pos < css.size()) {
    size_t end = css.find('\n', pos);
    if (end == std::string::npos) end = css.size();
    const std::string line = css.substr(pos, end - pos);
    pos = end + 1;
    const size_t brace = line.find('{');
    const size_t fs = line.find("font-size: ");
    if (brace == std::string::npos || fs == std::string::npos) continue;
    const double size = std::strtod(line.c_str() + fs + 11, nullptr);
    std::string selectors, part;
    std::string head = line.substr(0, brace);
    size_t start = 0;
    while (start <= head.size()) {
      size_t comma = head.find(',', start);
      if (comma == std::string::npos) comma = head.size();
      part = head.substr(start, comma - start);
      while (!part.empty() && part.front() == ' ') part.erase(0, 1);
      while (!part.empty() && part.back() == ' ') part.pop_back();
      if (!part.empty()) selectors += (selectors.empty() ? "" : ", ") + ("." + cls + " " + part);
      start = comma + 1;
    }
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2fpx", size * scale);
    out += selectors + " { font-size: " + buf + "; }\n";
  }
  return out;
}

void installStyle() {
  addDisplayCssOnce(
      "desktop-calendar",
      [] {
        const std::string css = desktopCalendarCss();
        return css + scaledFontCss(css, 0.9, "dc-fs-small") + scaledFontCss(css, 1.15, "dc-fs-large");
      },
      1);
}

Gtk::Widget* divider() {
  auto* d = Gtk::make_managed<Gtk::Box>();
  d->add_css_class("dc-divider");
  return d;
}

Gtk::Widget* spacer(int minimum = 0) {
  auto* s = Gtk::make_managed<Gtk::Box>();
  s->set_hexpand(true);
  s->set_size_request(minimum, -1);
  return s;
}

void setupIconButton(Gtk::Button& b, DeskGlyph* glyph, const char* cls, const std::string& tip) {
  b.set_child(*glyph);
  b.add_css_class(cls);
  b.set_has_frame(false);
  b.set_tooltip_text(tip);
  if (!tip.empty()) setAccessibleLabel(b, tip);
  b.set_focus_on_click(false);
  lawHandCursor(b);
}

// The tooltip and, as a screen reader says it, the name of an icon button.
void setTipAndName(Gtk::Button& b, const std::string& tip) {
  b.set_tooltip_text(tip);
  setAccessibleLabel(b, tip);
}

std::string cardKey(const ICSEvent& e, bool showDate) {
  const auto seconds = [](ICSEvent::Date d) {
    return std::to_string(std::chrono::duration_cast<std::chrono::seconds>(d.time_since_epoch()).count());
  };
  std::string key = e.uid;
  for (const std::string* part : {&e.summary, &e.location, &e.urlString}) {
    key += '\x1f';
    key += *part;
  }
  key += '\x1f' + seconds(e.startDate) + '\x1f' + seconds(e.endDate) + (e.isAllDay ? "\x1fA" : "\x1f-") +
         (showDate ? "\x1fD" : "\x1f-") + '\x1f' + std::to_string(std::hash<std::string>{}(e.description));
  return key;
}

}  // namespace

// One event's card, built once and shown other events as the list scrolls: the kind's
// accent and label, the time, title and place, the open buttons and "完成" for an
// event with a to-do; a click opens it, a right click offers the same and a copy.
class DeskEventCard : public Gtk::Box, public ListRow {
 public:
  explicit DeskEventCard(DesktopCalendarView& view)
      : Gtk::Box(Gtk::Orientation::VERTICAL, 6), view_(view), col_(Gtk::Orientation::VERTICAL, 3),
        meta_(Gtk::Orientation::HORIZONTAL, 5), location_(Gtk::Orientation::HORIZONTAL, 3) {
    add_css_class("dc-card");
    // The column's side margins and the gap between cards (margins of the list itself
    // would raise the panel's minimum height).
    set_margin_start(10);
    set_margin_end(10);
    set_margin_top(5);
    set_margin_bottom(2);
    auto* row1 = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    auto* accent = Gtk::make_managed<Gtk::Box>();
    accent->add_css_class("dc-accent");
    accent->set_valign(Gtk::Align::START);
    row1->append(*accent);
    col_.set_hexpand(true);
    kind_.add_css_class("dc-kind");
    time_.add_css_class("dc-time");
    meta_.append(kind_);
    meta_.append(time_);
    col_.append(meta_);
    title_.add_css_class("dc-card-title");
    title_.set_xalign(0);
    title_.set_wrap(true);
    title_.set_wrap_mode(Pango::WrapMode::WORD_CHAR);
    title_.set_lines(2);
    title_.set_ellipsize(Pango::EllipsizeMode::END);
    col_.append(title_);
    location_.add_css_class("dc-location");
    location_.append(*Gtk::make_managed<DeskGlyph>("mappin.and.ellipse", 10, 1.3));
    place_.set_ellipsize(Pango::EllipsizeMode::END);
    place_.set_xalign(0);
    location_.append(place_);
    col_.append(location_);
    row1->append(col_);
    append(*row1);

    auto* row2 = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
    auto* open = makeLawSecondaryButton("进入案件 →", true);
    open->signal_clicked().connect([this] { view_.openEvent(event_, false); });
    auto* newTab = makeLawSecondaryButton("+ 新标签", true);
    newTab->signal_clicked().connect([this] { view_.openEvent(event_, true); });
    row2->append(*open);
    row2->append(*newTab);
    row2->append(*spacer());
    done_ = makeLawSecondaryButton("", true);
    auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 3);
    content->append(*Gtk::make_managed<DeskGlyph>("checkmark", 9.5, 1.9));
    content->append(*Gtk::make_managed<Gtk::Label>("完成"));
    done_->set_child(*content);
    done_->set_tooltip_text("直接标记完成并回写系统");
    setAccessibleLabel(*done_, "完成");
    done_->set_name("dc-mark-done");
    done_->signal_clicked().connect([this] { view_.markDone(event_); });
    row2->append(*done_);
    for (auto* w = row2->get_first_child(); w; w = w->get_next_sibling())
      if (dynamic_cast<Gtk::Button*>(w)) lawHandCursor(*w);
    append(*row2);
    lawHandCursor(*this);

    auto click = Gtk::GestureClick::create();
    click->set_button(0);
    click->signal_released().connect([this, weak = click.get()](int n, double x, double y) {
      const unsigned button = weak->get_current_button();
      if (button == GDK_BUTTON_PRIMARY && n == 1) {
        view_.openEvent(event_, false);
        return;
      }
      if (button == GDK_BUTTON_SECONDARY) showMenu(x, y);
    });
    add_controller(click);
  }

  void bind(const DesktopCalendarView::CardRow& row) {
    event_ = row.event();
    for (auto k : {ICSEvent::Kind::hearing, ICSEvent::Kind::deadline, ICSEvent::Kind::routine,
                   ICSEvent::Kind::overdue, ICSEvent::Kind::other})
      setCssClass(*this, (std::string("dc-kind-") + kindClass(k)).c_str(), k == event_.kind());
    kind_.set_text(desktopKindLabel(event_.kind()));
    time_.set_text(desktopTimeText(event_, row.showDate));
    title_.set_text(desktopDisplayTitle(event_.summary));
    location_.set_visible(!event_.location.empty());
    place_.set_text(event_.location);
    done_->set_visible(event_.logID().has_value());
    setAccessibleLabel(*this, desktopDisplayTitle(event_.summary));
  }

 private:
  void showMenu(double x, double y) {
    const ICSEvent event = event_;
    DesktopCalendarView& view = view_;
    auto* pop = Gtk::make_managed<Gtk::Popover>();
    pop->add_css_class("dc-menu");
    auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
    auto item = [pop, box](const char* text, std::function<void()> fn) {
      auto* b = Gtk::make_managed<Gtk::Button>(text);
      b->set_has_frame(false);
      if (auto* l = dynamic_cast<Gtk::Label*>(b->get_child())) l->set_xalign(0);
      b->signal_clicked().connect([pop, fn] {
        pop->popdown();
        fn();
      });
      box->append(*b);
    };
    item("当前页打开案件", [&view, event] { view.openEvent(event, false); });
    item("在新标签页打开", [&view, event] { view.openEvent(event, true); });
    if (event.logID()) {
      box->append(*Gtk::make_managed<Gtk::Separator>());
      item("标记为已完成", [&view, event] { view.markDone(event); });
    }
    box->append(*Gtk::make_managed<Gtk::Separator>());
    item("复制事项详情", [this, event] { get_clipboard()->set_text(desktopCopyText(event)); });
    pop->set_child(*box);
    pop->set_parent(*this);
    pop->set_has_arrow(false);
    Gdk::Rectangle at(static_cast<int>(x), static_cast<int>(y), 1, 1);
    pop->set_pointing_to(at);
    pop->signal_closed().connect([pop] { Glib::signal_idle().connect_once([pop] { pop->unparent(); }); });
    pop->popup();
  }

  DesktopCalendarView& view_;
  ICSEvent event_;
  Gtk::Box col_, meta_;
  Gtk::Label kind_, time_, title_;
  Gtk::Box location_;
  Gtk::Label place_;
  Gtk::Button* done_ = nullptr;
};

DesktopCalendarView::DesktopCalendarView(std::shared_ptr<BrowserModel> browser, DesktopCalendarModel& model,
                                         DesktopCalendarWindow& window)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      browser_(std::move(browser)),
      model_(model),
      win_(window),
      vm_(DesktopCalendarViewModel::startingOn(localDay(model.now()))),
      rows_([](const CardRow& r) { return cardKey(r.event(), r.showDate); }, /*rebaseKept=*/true) {
  installStyle();
  add_css_class("dc-root");
  set_overflow(Gtk::Overflow::HIDDEN);
  buildHeader();
  buildMonth();
  append(*divider());
  buildFilterBar();
  append(*divider());
  buildList();
  buildFooter();

  auto later = [this] { scheduleSync(); };
  connections_.push_back(model_.events.changed().connect(later));
  connections_.push_back(model_.loading.changed().connect(later));
  connections_.push_back(model_.error.changed().connect(later));
  connections_.push_back(model_.updatedAtText.changed().connect(later));
  connections_.push_back(model_.toastText.changed().connect(later));
  connections_.push_back(win_.placement.changed().connect(later));
  connections_.push_back(win_.positionLocked.changed().connect(later));
  connections_.push_back(win_.autoShowOnLaunch.changed().connect(later));
  if (auto* scale = win_.fontScale()) connections_.push_back(scale->changed().connect(later));
  syncNow();
}

DesktopCalendarView::~DesktopCalendarView() {
  for (auto& c : connections_) c.disconnect();
}

CivilDay DesktopCalendarView::today() const { return localDay(model_.now()); }

void DesktopCalendarView::scheduleSync() {
  if (idle_) return;
  idle_ = SourceId(g_idle_add(
      +[](gpointer self) -> gboolean {
        auto* v = static_cast<DesktopCalendarView*>(self);
        v->idle_.forget();
        v->syncNow();
        return G_SOURCE_REMOVE;
      },
      this));
}

void DesktopCalendarView::syncNow() {
  idle_.reset();
  const bool glass = win_.placement.get() == DesktopCalendarPlacement::desktop;
  if (glass) add_css_class("dc-glass"); else remove_css_class("dc-glass");
  if (win_.positionLocked.get()) add_css_class("dc-locked"); else remove_css_class("dc-locked");
  const double scale = win_.fontScale() ? win_.fontScale()->get() : 1.0;
  if (scale < 0.95) add_css_class("dc-fs-small"); else remove_css_class("dc-fs-small");
  if (scale > 1.05) add_css_class("dc-fs-large"); else remove_css_class("dc-fs-large");
  syncHeader();
  syncGrid();
  // Filtered once for the count and the cards.
  auto listed = std::make_shared<const std::vector<ICSEvent>>(listedEvents());
  syncFilterBar(listed->size());
  syncList(std::move(listed));
  syncFooter();
}

// ---- Header ----

void DesktopCalendarView::buildHeader() {
  header_.add_css_class("dc-header");
  auto* row1 = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  row1->append(*Gtk::make_managed<BrandBadge>(24, 13));
  auto* titles = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 0);
  auto* title = classedLabel(kDesktopCalendarTitle, "dc-title");
  title->set_xalign(0);
  subtitle_.add_css_class("dc-subtitle");
  subtitle_.set_xalign(0);
  subtitle_.set_ellipsize(Pango::EllipsizeMode::END);
  titles->append(*title);
  titles->append(subtitle_);
  titles->set_valign(Gtk::Align::CENTER);
  row1->append(*titles);
  row1->append(*spacer(4));
  auto* buttons = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 4);
  lockGlyph_ = Gtk::make_managed<DeskGlyph>("lock.open", 11, 1.6);
  setupIconButton(lockBtn_, lockGlyph_, "dc-hbtn", "");
  lockBtn_.signal_clicked().connect([this] { toggleLock(true); });
  setupIconButton(plusBtn_, Gtk::make_managed<DeskGlyph>("plus", 11, 1.6), "dc-hbtn", "");
  plusBtn_.signal_clicked().connect([this] { captureOnSelectedDay(); });
  refreshBtn_.add_css_class("dc-hbtn");
  refreshBtn_.set_has_frame(false);
  setTipAndName(refreshBtn_, "立即刷新日程");
  refreshBtn_.set_child(refreshContent_);
  refreshBtn_.set_focus_on_click(false);
  lawHandCursor(refreshBtn_);
  refreshBtn_.signal_clicked().connect([this] { model_.refresh(false).detach(); });
  setupIconButton(closeBtn_, Gtk::make_managed<DeskGlyph>("xmark", 11, 1.6), "dc-hbtn", "隐藏桌面日历（可随时再开）");
  closeBtn_.signal_clicked().connect([this] { hideCalendar(); });
  for (auto* b : {&lockBtn_, &plusBtn_, &refreshBtn_, &closeBtn_}) {
    b->set_valign(Gtk::Align::CENTER);
    buttons->append(*b);
  }
  row1->append(*buttons);
  header_.append(*row1);

  auto* row2 = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 5);
  for (auto p : kAllDesktopPlacements) {
    auto* chip = Gtk::make_managed<Gtk::Button>();
    auto* content = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 3);
    const char* symbol = p == DesktopCalendarPlacement::desktop   ? "rectangle.on.rectangle.angled"
                         : p == DesktopCalendarPlacement::normal ? "macwindow"
                                                                 : "pin.fill";
    content->append(*Gtk::make_managed<DeskGlyph>(symbol, 10, 1.4));
    content->append(*Gtk::make_managed<Gtk::Label>(placementLabel(p)));
    chip->set_child(*content);
    chip->add_css_class("dc-mode");
    chip->set_has_frame(false);
    chip->set_tooltip_text(placementTooltip(p));
    setAccessibleLabel(*chip, placementLabel(p));
    chip->set_focus_on_click(false);
    lawHandCursor(*chip);
    chip->signal_clicked().connect([this, p] { win_.setPlacement(p); });
    modeChips_.push_back(chip);
    row2->append(*chip);
  }
  row2->append(*spacer(4));
  auto* full = Gtk::make_managed<Gtk::Button>();
  auto* fullContent = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 3);
  fullContent->append(*Gtk::make_managed<Gtk::Label>("网页大日历"));
  fullContent->append(*Gtk::make_managed<DeskGlyph>("arrow.up.right", 9, 1.8));
  full->set_child(*fullContent);
  full->add_css_class("dc-full");
  full->set_has_frame(false);
  full->set_tooltip_text("在主窗口打开完整日历与待办页");
  setAccessibleLabel(*full, "网页大日历");
  lawHandCursor(*full);
  full->signal_clicked().connect([this] { openFullCalendar(); });
  row2->append(*full);
  header_.append(*row2);
  append(header_);
}

void DesktopCalendarView::syncHeader() {
  const auto& at = model_.updatedAtText.get();
  subtitle_.set_text(at.empty() ? "实时同步案件排期" : "已同步 " + at + " · 点条目直达案件");
  const bool locked = win_.positionLocked.get();
  lockGlyph_->setSymbol(locked ? "lock.fill" : "lock.open");
  setTipAndName(lockBtn_, locked ? "已固定在当前位置（点击解锁后可拖动）" : "拖动到理想位置后，点此固定在桌面");
  if (locked) lockBtn_.add_css_class("dc-highlighted"); else lockBtn_.remove_css_class("dc-highlighted");
  setTipAndName(plusBtn_, "在 " + selectedDateTitle(vm_.selectedDate) + " 新建待办");
  // The spinning refresh button stays clickable; its content changes only with loading.
  if (headerBuilt_ && headerLoading_ == model_.loading.get()) {
    for (size_t i = 0; i < modeChips_.size(); ++i)
      setCssClass(*modeChips_[i], "dc-active", kAllDesktopPlacements[i] == win_.placement.get());
    return;
  }
  headerBuilt_ = true;
  headerLoading_ = model_.loading.get();
  while (auto* child = refreshContent_.get_first_child()) refreshContent_.remove(*child);
  if (model_.loading.get()) {
    auto* spinner = Gtk::make_managed<Gtk::Spinner>();
    spinner->set_size_request(11, 11);
    spinner->start();
    refreshContent_.append(*spinner);
  } else {
    refreshContent_.append(*Gtk::make_managed<DeskGlyph>("arrow.clockwise", 11, 1.6));
  }
  refreshContent_.set_halign(Gtk::Align::CENTER);
  refreshContent_.set_valign(Gtk::Align::CENTER);
  for (size_t i = 0; i < modeChips_.size(); ++i) {
    if (kAllDesktopPlacements[i] == win_.placement.get()) modeChips_[i]->add_css_class("dc-active");
    else modeChips_[i]->remove_css_class("dc-active");
  }
}

// ---- Month ----

void DesktopCalendarView::buildMonth() {
  auto* section = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
  section->add_css_class("dc-month");
  auto* nav = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  auto navButton = [this](const char* symbol, const char* tip, int delta) {
    auto* b = Gtk::make_managed<Gtk::Button>();
    setupIconButton(*b, Gtk::make_managed<DeskGlyph>(symbol, 11, 1.7), "dc-nav", tip);
    b->signal_clicked().connect([this, delta] { shiftMonth(delta); });
    return b;
  };
  nav->append(*navButton("chevron.left", "上个月", -1));
  monthTitle_.add_css_class("dc-month-title");
  monthTitle_.set_size_request(96, -1);
  nav->append(monthTitle_);
  nav->append(*navButton("chevron.right", "下个月", 1));
  nav->append(*spacer());
  auto* todayBtn = makeLawSecondaryButton("今天", true);
  todayBtn->signal_clicked().connect([this] { jumpToToday(); });
  lawHandCursor(*todayBtn);
  nav->append(*todayBtn);
  section->append(*nav);

  auto* weekdays = Gtk::make_managed<Gtk::Grid>();
  weekdays->set_column_homogeneous(true);
  weekdays->set_column_spacing(2);
  const char* names[] = {"一", "二", "三", "四", "五", "六", "日"};
  for (int i = 0; i < 7; ++i) {
    auto* l = classedLabel(names[i], "dc-weekday");
    if (i >= 5) l->add_css_class("dc-weekend");
    weekdays->attach(*l, i, 0);
  }
  section->append(*weekdays);
  days_.set_column_homogeneous(true);
  days_.set_column_spacing(3);
  days_.set_row_spacing(3);
  section->append(days_);
  append(*section);
}

void DesktopCalendarView::syncGrid() {
  monthTitle_.set_text(monthTitle(vm_.displayedMonth));
  const auto cells = vm_.cells(model_.events.get(), today());
  std::string key;
  for (const auto& c : cells)
    key += std::to_string(c.dayNumber) + (c.inMonth ? "m" : "-") + (c.isToday ? "t" : "-") + (c.isSelected ? "s" : "-") +
           std::to_string(c.hearingCount) + "," + std::to_string(c.overdueCount) + "," +
           std::to_string(c.deadlineCount) + "," + std::to_string(c.totalCount) + ";";
  if (key == gridKey_) return;
  gridKey_ = std::move(key);
  ++gridBuilds_;
  while (auto* child = days_.get_first_child()) days_.remove(*child);
  for (size_t i = 0; i < cells.size(); ++i) {
    const auto& c = cells[i];
    auto* b = Gtk::make_managed<Gtk::Button>();
    b->add_css_class("dc-cell");
    b->set_has_frame(false);
    b->set_focus_on_click(false);
    if (!c.inMonth) b->add_css_class("dc-outside");
    if (c.isToday) b->add_css_class("dc-today");
    if (c.isSelected) b->add_css_class("dc-selected");
    auto* col = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
    col->append(*classedLabel(std::to_string(c.dayNumber), "dc-daynum"));
    auto* markers = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 2);
    markers->set_size_request(-1, 9);
    markers->set_halign(Gtk::Align::CENTER);
    auto dot = [markers](const char* cls) {
      auto* d = Gtk::make_managed<Gtk::Box>();
      d->add_css_class("dc-dot");
      d->add_css_class(cls);
      d->set_valign(Gtk::Align::CENTER);
      markers->append(*d);
    };
    if (c.hearingCount >= 1) dot("dc-dot-hearing");
    if (c.overdueCount >= 1) dot("dc-dot-overdue");
    if (c.deadlineCount >= 1) dot("dc-dot-deadline");
    if (c.totalCount >= 4) markers->append(*classedLabel(std::to_string(c.totalCount), "dc-total"));
    col->append(*markers);
    b->set_child(*col);
    lawHandCursor(*b);
    const CivilDay day = c.date;
    setAccessibleLabel(*b, selectedDateTitle(day) + (c.totalCount > 0 ? "，" + std::to_string(c.totalCount) + " 项" : ""));
    b->signal_clicked().connect([this, day] { selectDay(day); });
    days_.attach(*b, static_cast<int>(i % 7), static_cast<int>(i / 7));
  }
}

// ---- Filter and scope ----

void DesktopCalendarView::buildFilterBar() {
  auto* section = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
  section->add_css_class("dc-filterbar");
  auto* row1 = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  listTitle_.add_css_class("dc-list-title");
  countBadge_.add_css_class("dc-count");
  countBadge_.set_valign(Gtk::Align::CENTER);
  row1->append(listTitle_);
  row1->append(countBadge_);
  row1->append(*spacer());
  row1->append(scopeChips_);
  section->append(*row1);
  auto* row2 = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 5);
  row2->append(filterChips_);
  row2->append(*spacer());
  section->append(*row2);
  for (auto s : kAllDesktopScopes) {
    auto* chip = Gtk::make_managed<LawSelectableChip>(scopeRawValue(s), false, LawTheme::primary, false, true,
                                                      [this, s] { setScope(s); });
    scopeChips_.append(*chip);
  }
  for (auto f : kAllDesktopFilters) {
    auto* chip = Gtk::make_managed<LawSelectableChip>(filterRawValue(f), false, filterColor(f), true, true,
                                                      [this, f] { setFilter(f); });
    filterChips_.append(*chip);
  }
  append(*section);
}

void DesktopCalendarView::syncFilterBar(std::size_t listedCount) {
  listTitle_.set_text(vm_.scope == DesktopListScope::upcoming ? "近期全部排期" : selectedDateTitle(vm_.selectedDate));
  countBadge_.set_text(std::to_string(listedCount) + " 项");
  int i = 0;
  for (auto* w = scopeChips_.get_first_child(); w; w = w->get_next_sibling(), ++i)
    static_cast<LawSelectableChip*>(w)->setActive(kAllDesktopScopes[i] == vm_.scope);
  i = 0;
  for (auto* w = filterChips_.get_first_child(); w; w = w->get_next_sibling(), ++i)
    static_cast<LawSelectableChip*>(w)->setActive(kAllDesktopFilters[i] == vm_.filter);
}

// ---- List ----

void DesktopCalendarView::buildList() {
  auto* area = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 0);
  area->set_vexpand(true);
  placeholderScroll_.add_css_class("dc-list");
  placeholderScroll_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  placeholderScroll_.set_vexpand(true);
  placeholderScroll_.set_child(placeholder_);
  area->append(placeholderScroll_);
  list_ = makeRowListView<CardRow, DeskEventCard>(
      rows_, [this] { return Gtk::make_managed<DeskEventCard>(*this); }, "dc-cards");
  scroller_.add_css_class("dc-list");
  scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroller_.set_vexpand(true);
  scroller_.set_child(*list_);
  area->append(scroller_);
  append(*area);
}

std::vector<ICSEvent> DesktopCalendarView::listedEvents() const {
  return vm_.displayedListEvents(model_.events.get(), today());
}

Gtk::Widget* DesktopCalendarView::cardAt(int i) {
  for (auto& [at, card] : boundRows<DeskEventCard>(*list_))
    if (static_cast<int>(at) == i) return card;
  return nullptr;
}

void DesktopCalendarView::syncList(std::shared_ptr<const std::vector<ICSEvent>> listed) {
  const bool loadingShown = model_.loading.get() && model_.events->empty();
  const bool listShown = !loadingShown && !listed->empty();
  const bool showDate = vm_.scope == DesktopListScope::upcoming;
  std::vector<CardRow> rows;
  if (listShown) {
    rows.reserve(listed->size());
    for (std::size_t at = 0; at < listed->size(); ++at) rows.push_back(CardRow{listed, at, showDate});
  }
  rows_.assign(rows);
  scroller_.set_visible(listShown);
  syncPlaceholder(loadingShown, listShown);
}

void DesktopCalendarView::syncPlaceholder(bool loadingShown, bool listShown) {
  const bool upcoming = vm_.scope == DesktopListScope::upcoming;
  const std::optional<AppError>& failed = model_.error.get();
  const std::string errorText = failed ? describe(*failed) : std::string();
  const std::string key = listShown ? "list" : loadingShown ? "loading" : std::string(upcoming ? "u" : "d") + '\x1f' + errorText;
  placeholderScroll_.set_visible(!listShown);
  if (key == placeholderKey_) return;
  placeholderKey_ = key;
  ++placeholderBuilds_;
  while (auto* child = placeholder_.get_first_child()) placeholder_.remove(*child);
  if (listShown) return;
  if (loadingShown) {
    auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 8);
    box->set_margin_top(48);
    box->set_margin_bottom(48);
    auto* spinner = Gtk::make_managed<Gtk::Spinner>();
    spinner->start();
    box->append(*spinner);
    box->append(*classedLabel("正在拉取实时排期…", "dc-loading"));
    placeholder_.append(*box);
    return;
  }
  auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 8);
  box->set_margin_top(36);
  box->set_margin_bottom(36);
  auto* icon = Gtk::make_managed<DeskGlyph>("calendar.badge.checkmark", 24, 1.4);
  icon->add_css_class("dc-empty-icon");
  box->append(*icon);
  box->append(*classedLabel(upcoming ? "近期暂无匹配日程" : "当日暂无匹配日程", "dc-empty-title"));
  if (!errorText.empty()) {
    auto* err = classedLabel(errorText, "dc-error");
    err->set_wrap(true);
    err->set_justify(Gtk::Justification::CENTER);
    err->set_margin_start(16);
    err->set_margin_end(16);
    box->append(*err);
  } else {
    auto* b = makeLawSecondaryButton("+ 在这一天新建待办", true);
    b->set_halign(Gtk::Align::CENTER);
    lawHandCursor(*b);
    b->signal_clicked().connect([this] { captureOnSelectedDay(); });
    box->append(*b);
  }
  placeholder_.append(*box);
}

// ---- Footer ----

void DesktopCalendarView::buildFooter() {
  auto* footer = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  footer->add_css_class("dc-footer");
  autoShow_.set_label("开机自动显示桌面日历");
  autoShow_.signal_toggled().connect([this] {
    if (!syncingFooter_) win_.setAutoShowOnLaunch(autoShow_.get_active());
  });
  auto* check = Gtk::make_managed<DeskGlyph>("checkmark.circle.fill", 11, 1.5);
  check->add_css_class("dc-toast");
  toast_.append(*check);
  toastLabel_.add_css_class("dc-toast");
  toastLabel_.set_ellipsize(Pango::EllipsizeMode::END);
  toast_.append(toastLabel_);
  footerLead_.append(autoShow_);
  footerLead_.append(toast_);
  footer->append(footerLead_);
  footer->append(*spacer());
  auto* lockContent = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 3);
  footerLockGlyph_ = Gtk::make_managed<DeskGlyph>("hand.draw", 9.5, 1.4);
  lockContent->append(*footerLockGlyph_);
  lockContent->append(footerLockLabel_);
  footerLock_.set_child(*lockContent);
  footerLock_.add_css_class("dc-footlock");
  footerLock_.set_has_frame(false);
  lawHandCursor(footerLock_);
  footerLock_.signal_clicked().connect([this] { toggleLock(false); });
  footer->append(footerLock_);
  append(*footer);
}

void DesktopCalendarView::syncFooter() {
  const bool toast = !model_.toastText->empty();
  toastLabel_.set_text(model_.toastText.get());
  toast_.set_visible(toast);
  autoShow_.set_visible(!toast);
  syncingFooter_ = true;
  autoShow_.set_active(win_.autoShowOnLaunch.get());
  syncingFooter_ = false;
  const bool locked = win_.positionLocked.get();
  footerLockGlyph_->setSymbol(locked ? "lock.fill" : "hand.draw");
  footerLockLabel_.set_text(locked ? "已固定位置" : "可拖动 · 点此固定");
  setAccessibleLabel(footerLock_, footerLockLabel_.get_text());
  if (locked) footerLock_.add_css_class("dc-active"); else footerLock_.remove_css_class("dc-active");
}

// ---- Actions ----

void DesktopCalendarView::shiftMonth(int months) {
  vm_.shiftMonth(months);
  scheduleSync();
}

void DesktopCalendarView::jumpToToday() {
  vm_.jumpToToday(today());
  scheduleSync();
}

void DesktopCalendarView::selectDay(CivilDay day) {
  vm_.selectDay(day);
  scheduleSync();
}

void DesktopCalendarView::setFilter(DesktopFilterKind f) {
  vm_.filter = f;
  scheduleSync();
}

void DesktopCalendarView::setScope(DesktopListScope s) {
  vm_.scope = s;
  scheduleSync();
}

void DesktopCalendarView::toggleLock(bool withToast) {
  const bool locked = !win_.positionLocked.get();
  win_.setPositionLocked(locked);
  if (withToast) model_.showToast(locked ? "已固定在桌面当前位置" : "已解锁，可拖动调整位置与大小");
}

void DesktopCalendarView::captureOnSelectedDay() {
  if (win_.actions().captureOnDay) win_.actions().captureOnDay(localMidnight(vm_.selectedDate));
}

void DesktopCalendarView::hideCalendar() { win_.hide(); }

void DesktopCalendarView::openFullCalendar() {
  if (win_.actions().showMainWindow) win_.actions().showMainWindow();
  if (browser_) browser_->loadInActive("/calendar");
}

void DesktopCalendarView::openEvent(const ICSEvent& event, bool newTab) {
  const auto target = desktopEventTarget(event);
  if (win_.actions().showMainWindow) win_.actions().showMainWindow();
  if (!browser_) return;
  if (newTab) browser_->newTab(target.path, target.title);
  else browser_->loadInActive(target.path);
}

void DesktopCalendarView::markDone(const ICSEvent& event) { model_.markDone(event).detach(); }

}  // namespace quorvel
