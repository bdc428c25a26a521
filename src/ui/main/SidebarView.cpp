#include "ui/components/LawStyle.h"
#include "ui/main/SidebarView.h"

#include <gdkmm/display.h>
#include <gtkmm/cssprovider.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/gestureclick.h>
#include <gtkmm/stylecontext.h>
#include <pangomm/attrlist.h>

#include <cmath>
#include <numbers>

#include "ui/components/HandCursor.h"
#include "ui/components/LawBadges.h"
#include "ui/components/WidgetHelpers.h"

namespace quorvel {

namespace {

// Sizes at scale 1; those multiplied by the scale are marked in the calls below.
constexpr double kBrandTitleSize = 14.5;
constexpr double kBrandSubtitleSize = 9.5;
constexpr double kSectionSize = 10.5;
constexpr double kRowTitleSize = 13;
constexpr double kRowIconSize = 16.5;
constexpr double kCardTitleSize = 10.5;
constexpr double kCardTimeSize = 9.5;
constexpr double kPillTitleSize = 11;
constexpr double kSmallPillTitleSize = 9.5;
constexpr double kCountSize = 11.5;
constexpr double kLoginHintSize = 10.5;
constexpr double kKeySize = 9.5;
constexpr double kInitialSize = 11.5;
constexpr double kNameSize = 12;
constexpr double kSubtitleSize = 9.5;
constexpr double kVersionSize = 9;  // fixed
constexpr double kBellSize = 10;    // fixed
constexpr double kFooterIconSize = 12;  // fixed

// Font size (and tracking, digits, family) set on the label itself, so the CSS keeps
// colours and weights only and the scale needs no style sheet of its own.
void setFont(Gtk::Label& label, double size, double tracking = 0, bool tabularDigits = false,
             const char* family = nullptr) {
  Pango::AttrList attrs;
  auto sizeAttr = Pango::Attribute::create_attr_size_absolute(static_cast<int>(std::lround(size * PANGO_SCALE)));
  attrs.insert(sizeAttr);
  if (tracking != 0) {
    auto t = Pango::Attribute::create_attr_letter_spacing(static_cast<int>(std::lround(tracking * PANGO_SCALE)));
    attrs.insert(t);
  }
  if (tabularDigits) {
    auto f = Pango::Attribute::create_attr_font_features("tnum");
    attrs.insert(f);
  }
  if (family) {
    auto f = Pango::Attribute::create_attr_family(family);
    attrs.insert(f);
  }
  label.set_attributes(attrs);
}

void setText(Gtk::Label& label, const std::string& text) {
  if (label.get_text().raw() != text) label.set_text(text);
}

// One line, cut at the end. `maxChars` bounds the natural width, so a long title
// never widens the fixed column (labels that fill their row pass 1).
void oneLine(Gtk::Label& label, int maxChars = 1) {
  label.set_single_line_mode(true);
  label.set_ellipsize(Pango::EllipsizeMode::END);
  label.set_xalign(0);
  label.set_max_width_chars(maxChars);
}

void makeDivider(Gtk::Box& box) {
  box.add_css_class("law-sidebar-divider");
  box.set_size_request(-1, 1);
}

// Glyphs the drawn icon set lacks, in the widget's CSS colour (or a fixed one).
class SidebarGlyph : public Gtk::DrawingArea {
 public:
  enum class Shape { key, switchArrows };
  SidebarGlyph(Shape shape, double size, std::optional<LawColor> color = std::nullopt)
      : shape_(shape), color_(color) {
    setSize(size);
    set_halign(Gtk::Align::CENTER);
    set_valign(Gtk::Align::CENTER);
    set_can_target(false);
    set_draw_func(sigc::mem_fun(*this, &SidebarGlyph::draw));
  }
  void setSize(double size) {
    size_ = size;
    const int px = std::max(1, static_cast<int>(std::ceil(size)));
    set_content_width(px);
    set_content_height(px);
    queue_draw();
  }

 private:
  void draw(const Cairo::RefPtr<Cairo::Context>& cr, int, int) {
    LawColor c = color_.value_or(LawColor{});
    if (!color_) {
      const Gdk::RGBA rgba = get_style_context()->get_color();
      c = LawColor{rgba.get_red(), rgba.get_green(), rgba.get_blue(), rgba.get_alpha()};
    }
    cairo_t* ct = cr->cobj();
    const double u = size_ / 24.0;
    cairo_scale(ct, u, u);
    lawSetSourceColor(ct, c);
    cairo_set_line_cap(ct, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(ct, CAIRO_LINE_JOIN_ROUND);
    constexpr double pi = std::numbers::pi;
    if (shape_ == Shape::key) {
      // A solid bow with a hole, the shaft and two bits.
      cairo_set_fill_rule(ct, CAIRO_FILL_RULE_EVEN_ODD);
      cairo_arc(ct, 7.5, 12, 5.2, 0, 2 * pi);
      cairo_new_sub_path(ct);
      cairo_arc(ct, 6.6, 12, 1.7, 0, 2 * pi);
      cairo_fill(ct);
      cairo_set_line_width(ct, 2.6);
      cairo_move_to(ct, 12, 12);
      cairo_line_to(ct, 21.5, 12);
      cairo_move_to(ct, 17.5, 12);
      cairo_line_to(ct, 17.5, 15.5);
      cairo_move_to(ct, 21, 12);
      cairo_line_to(ct, 21, 14.8);
      cairo_stroke(ct);
    } else {
      // Two arcs chasing each other round a circle, each ending in an arrowhead.
      cairo_set_line_width(ct, 2.1);
      const double r = 7.5;
      for (int half = 0; half < 2; ++half) {
        const double start = half == 0 ? pi * 1.12 : pi * 0.12;
        const double end = start + pi * 0.66;
        cairo_new_path(ct);
        cairo_arc(ct, 12, 12, r, start, end);
        cairo_stroke(ct);
        const double ex = 12 + r * std::cos(end), ey = 12 + r * std::sin(end);
        const double tx = -std::sin(end), ty = std::cos(end);  // direction of travel
        const double nx = std::cos(end), ny = std::sin(end);
        cairo_move_to(ct, ex + tx * 4.6, ey + ty * 4.6);
        cairo_line_to(ct, ex + nx * 3.6, ey + ny * 3.6);
        cairo_line_to(ct, ex - nx * 3.6, ey - ny * 3.6);
        cairo_close_path(ct);
        cairo_fill(ct);
      }
    }
  }

  Shape shape_;
  std::optional<LawColor> color_;
  double size_ = 12;
};

}  // namespace

void installSidebarStyle() {
  addDisplayCssOnce("sidebar", sidebarCss);
}

// ---- Row -----------------------------------------------------------------------------

SidebarView::Row::Row(const NavItem& item, bool muted, double scale)
    : item_(item),
      muted_(muted),
      content_(Gtk::Orientation::HORIZONTAL, 10),
      icon_(lawIconKindForPath(item.path), kRowIconSize * scale, std::nullopt, 0.14),
      title_(item.title) {
  add_css_class("law-sidebar-row");
  if (muted) add_css_class("law-muted");
  content_.add_css_class("law-sidebar-row-content");
  iconFrame_.set_size_request(18, -1);
  iconFrame_.set_valign(Gtk::Align::CENTER);
  iconFrame_.set_hexpand(false);  // the icon's own expansion centres it in the frame only
  icon_.set_hexpand(true);
  iconFrame_.append(icon_);
  content_.append(iconFrame_);
  oneLine(title_);
  title_.add_css_class("law-sidebar-row-title");
  title_.set_hexpand(true);
  setFont(title_, kRowTitleSize * scale);
  content_.append(title_);
  set_child(content_);

  accent_.add_css_class("law-sidebar-accent");
  accent_.set_halign(Gtk::Align::START);
  accent_.set_valign(Gtk::Align::CENTER);
  accent_.set_can_target(false);
  accent_.set_visible(false);
  add_overlay(accent_);

  set_focusable(false);
  setAccessibleLabel(*this, item.title);
  lawHandCursor(*this, true);
  auto click = Gtk::GestureClick::create();
  click->set_button(GDK_BUTTON_PRIMARY);
  click->signal_released().connect([this](int presses, double x, double y) {
    if (presses == 1 && contains(x, y)) activate_.emit();
  });
  add_controller(click);
}

void SidebarView::Row::setSelected(bool selected) {
  if (selected == selected_) return;
  selected_ = selected;
  setCssClass(*this, "law-selected", selected);
  accent_.set_visible(selected);
  icon_.setDuotoneOpacity(sidebarRowLook(selected, muted_, false).duotoneOpacity);
}

// ---- Pill ----------------------------------------------------------------------------

SidebarView::Pill::Pill(TodoKind kind, bool large)
    : kind_(kind),
      large_(large),
      content_(large ? Gtk::Orientation::HORIZONTAL : Gtk::Orientation::VERTICAL, large ? 5 : 2) {
  add_css_class("law-sidebar-pill");
  add_css_class(large ? "law-large" : "law-small");
  add_css_class("law-kind-" + TodoKinds::rawValue(kind));
  set_hexpand(true);
  title_.add_css_class("law-sidebar-pill-title");
  title_.set_single_line_mode(true);
  title_.set_ellipsize(Pango::EllipsizeMode::END);
  count_.add_css_class("law-sidebar-count");
  if (large) {
    title_.set_text(TodoKinds::title(kind));
    title_.set_xalign(0);
    dot_.add_css_class("law-sidebar-pill-dot");
    dot_.add_css_class("law-kind-" + TodoKinds::rawValue(kind));
    dot_.set_valign(Gtk::Align::CENTER);
    spacer_.set_hexpand(true);
    spacer_.set_size_request(2, -1);
    content_.append(dot_);
    content_.append(title_);
    content_.append(spacer_);
    content_.append(count_);
  } else {
    title_.set_text(sidebarPillShortTitle(kind).value_or(TodoKinds::title(kind)));
    content_.set_halign(Gtk::Align::CENTER);
    content_.append(count_);
    content_.append(title_);
  }
  set_child(content_);
  set_tooltip_text(sidebarPillTip(kind));
  lawHandCursor(*this, true);
}

void SidebarView::Pill::set(long long value, bool loaded, double scale) {
  setText(count_, sidebarCountText(value, loaded));
  setCssClass(*this, "law-has-count", value >= 1);
  if (scale != scale_) {
    scale_ = scale;
    setFont(count_, kCountSize * scale, 0, true);
    setFont(title_, (large_ ? kPillTitleSize : kSmallPillTitleSize) * scale);
  }
  setAccessibleLabel(*this, TodoKinds::title(kind_) + " " + count_.get_text());
}

// ---- SidebarView ---------------------------------------------------------------------

SidebarView::SidebarView() : Gtk::Box(Gtk::Orientation::VERTICAL, 0) {
  installSidebarStyle();
  build();
}

SidebarView::SidebarView(const SidebarInput& input) : SidebarView() { update(input); }

SidebarView::~SidebarView() = default;

void SidebarView::build() {
  add_css_class("law-sidebar");
  add_css_class("law-sidebar-backdrop");
  set_size_request(static_cast<int>(kSidebarWidth), -1);
  set_hexpand(false);
  set_vexpand(true);

  // Brand header.
  brand_.add_css_class("law-sidebar-brand");
  brand_.append(trafficBand_);
  brandRow_.set_margin_start(14);
  brandRow_.set_margin_end(14);
  brandRow_.set_margin_bottom(13);
  auto* badge = Gtk::make_managed<BrandBadge>(32, 18);
  badge->set_valign(Gtk::Align::CENTER);
  brandRow_.append(*badge);
  auto* brandText = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  brandText->set_valign(Gtk::Align::CENTER);
  brandText->set_hexpand(true);
  brandTitle_.set_text(kSidebarBrandTitle);
  brandTitle_.add_css_class("law-sidebar-brand-title");
  oneLine(brandTitle_);
  brandSubtitle_.set_text(kSidebarBrandSubtitle);
  brandSubtitle_.add_css_class("law-sidebar-brand-subtitle");
  oneLine(brandSubtitle_);
  brandText->append(brandTitle_);
  brandText->append(brandSubtitle_);
  brandRow_.append(*brandText);
  brand_.append(brandRow_);
  append(brand_);

  // Navigation.
  navSlot_.set_vexpand(true);
  scroller_.set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::EXTERNAL);
  scroller_.set_vexpand(true);
  viewport_.set_scroll_to_focus(false);
  scroller_.set_child(viewport_);
  navSpacer_.set_vexpand(true);
  navSpacer_.set_size_request(-1, 8);
  append(navSlot_);

  // Pinned to-do card.
  makeDivider(cardDivider_);
  append(cardDivider_);
  card_.add_css_class("law-sidebar-card");
  card_.set_margin_start(10);
  card_.set_margin_end(10);
  card_.set_margin_top(9);
  card_.set_margin_bottom(9);
  auto* header = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 5);
  auto* bell = Gtk::make_managed<LawPrecisionIcon>(LawIconKind::bell, kBellSize, LawTheme::gold, 0.35);
  header->append(*bell);
  cardTitle_.set_text(kSidebarTodoCardTitle);
  cardTitle_.add_css_class("law-sidebar-card-title");
  cardTitle_.set_hexpand(true);
  oneLine(cardTitle_);
  header->append(cardTitle_);
  updatedAt_.add_css_class("law-sidebar-card-time");
  oneLine(updatedAt_, 20);
  header->append(updatedAt_);
  card_.append(*header);
  // A failed refresh: why, and a retry; the pills keep the last good counts.
  failureText_.add_css_class("law-sidebar-card-failure");
  // One line (a wrapping label would widen the fixed column); the tooltip has it all.
  oneLine(failureText_);
  failureText_.set_hexpand(true);
  failure_.append(failureText_);
  retryButton_ = Gtk::make_managed<Gtk::Button>();
  auto* retryLabel = Gtk::make_managed<Gtk::Label>(kSidebarRetryTitle);
  retryButton_->set_child(*retryLabel);
  retryButton_->add_css_class("law-sidebar-retry");
  retryButton_->set_valign(Gtk::Align::START);
  retryButton_->signal_clicked().connect([this] { retry_.emit(); });
  lawHandCursor(*retryButton_);
  failure_.append(*retryButton_);
  failure_.set_visible(false);
  card_.append(failure_);
  auto* largeRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  auto* smallRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 5);
  largeRow->set_homogeneous(true);
  smallRow->set_homogeneous(true);
  for (TodoKind kind : TodoKinds::allCases) {
    const bool large = !sidebarPillShortTitle(kind);
    auto* pill = Gtk::make_managed<Pill>(kind, large);
    pill->signal_clicked().connect([this, kind] { todo_.emit(kind); });
    (large ? largeRow : smallRow)->append(*pill);
    pills_.push_back(pill);
  }
  card_.append(*largeRow);
  card_.append(*smallRow);
  append(card_);

  // Account footer.
  makeDivider(footerDivider_);
  append(footerDivider_);
  footer_.add_css_class("law-sidebar-footer");
  loginHint_.add_css_class("law-sidebar-login-hint");
  loginHint_.set_margin_start(14);
  loginHint_.set_margin_end(14);
  loginHint_.set_margin_top(8);
  auto* key = Gtk::make_managed<SidebarGlyph>(SidebarGlyph::Shape::key, kKeySize, kSidebarAmber);
  keyGlyph_ = key;
  loginHint_.append(*key);
  loginHintText_.set_text(kSidebarLoginHint);
  oneLine(loginHintText_);
  loginHintText_.set_hexpand(true);
  loginHint_.append(loginHintText_);
  footer_.append(loginHint_);

  auto* account = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 9);
  account->set_margin_start(12);
  account->set_margin_end(12);
  account->set_margin_top(10);
  account->set_margin_bottom(10);
  auto* avatar = Gtk::make_managed<Gtk::Box>();
  avatar->add_css_class("law-sidebar-avatar");
  avatar->set_size_request(28, 28);
  avatar->set_valign(Gtk::Align::CENTER);
  avatar->set_hexpand(false);  // the centred initial must not widen the circle
  initial_.add_css_class("law-sidebar-avatar-initial");
  initial_.set_hexpand(true);
  initial_.set_halign(Gtk::Align::CENTER);
  avatar->append(initial_);
  account->append(*avatar);

  auto* texts = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 1);
  texts->set_valign(Gtk::Align::CENTER);
  texts->set_hexpand(true);
  auto* nameRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 5);
  statusDot_.add_css_class("law-sidebar-status-dot");
  statusDot_.set_valign(Gtk::Align::CENTER);
  nameRow->append(statusDot_);
  name_.add_css_class("law-sidebar-name");
  oneLine(name_, 16);
  nameRow->append(name_);
  texts->append(*nameRow);
  auto* subRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 5);
  subtitle_.add_css_class("law-sidebar-subtitle");
  oneLine(subtitle_, 14);
  subRow->append(subtitle_);
  version_.set_text(sidebarVersionText());
  version_.add_css_class("law-sidebar-version");
  version_.set_valign(Gtk::Align::CENTER);
  setFont(version_, kVersionSize, 0, false, "monospace");
  subRow->append(version_);
  texts->append(*subRow);
  account->append(*texts);

  switchAccountButton_ = makeFooterButton(
      *Gtk::make_managed<SidebarGlyph>(SidebarGlyph::Shape::switchArrows, kFooterIconSize), kSidebarSwitchAccountTip);
  switchAccountButton_->signal_clicked().connect([this] { switchAccount_.emit(); });
  account->append(*switchAccountButton_);
  settingsButton_ = makeFooterButton(*Gtk::make_managed<LawPrecisionIcon>(LawIconKind::gear, kFooterIconSize),
                                     kSidebarSettingsTip);
  settingsButton_->signal_clicked().connect([this] { settings_.emit(); });
  account->append(*settingsButton_);
  footer_.append(*account);
  append(footer_);
}

Gtk::Button* SidebarView::makeFooterButton(Gtk::Widget& glyph, const char* tip) {
  auto* button = makeIconButton(glyph, tip);
  button->add_css_class("law-sidebar-footer-button");
  button->set_size_request(26, 26);
  button->set_valign(Gtk::Align::CENTER);
  lawHandCursor(*button, true);
  return button;
}

void SidebarView::update(const SidebarInput& in) {
  const bool first = !shown_;
  if (first || in.scale != input_.scale || in.trafficLightPadding != input_.trafficLightPadding) updateBrand(in);
  if (first || in.scrollable != input_.scrollable) placeNav(in.scrollable);
  if (first || in.items != input_.items || in.recents != input_.recents || in.scale != input_.scale)
    rebuildNav(in);
  else if (in.selectedPath != input_.selectedPath)
    updateSelection(in.selectedPath);
  const bool rescale = first || in.scale != input_.scale;
  updateCard(in, rescale);
  updateFooter(in, rescale);
  input_ = in;
  shown_ = true;
}

void SidebarView::updateBrand(const SidebarInput& in) {
  const bool band = in.trafficLightPadding > 0;
  trafficBand_.set_visible(band);
  trafficBand_.set_size_request(-1, band ? static_cast<int>(std::lround(in.trafficLightPadding)) : 0);
  brandRow_.set_margin_top(band ? 6 : 14);
  setFont(brandTitle_, kBrandTitleSize * in.scale, 0.5);
  setFont(brandSubtitle_, kBrandSubtitleSize * in.scale);
}

void SidebarView::placeNav(bool scrollable) {
  if (nav_.get_parent() == &viewport_) viewport_.unset_child();
  if (nav_.get_parent() == &navSlot_) navSlot_.remove(nav_);
  if (scroller_.get_parent()) navSlot_.remove(scroller_);
  if (navSpacer_.get_parent()) navSlot_.remove(navSpacer_);
  if (scrollable) {
    viewport_.set_child(nav_);
    navSlot_.append(scroller_);
  } else {
    navSlot_.append(nav_);
    navSlot_.append(navSpacer_);
  }
}

void SidebarView::rebuildNav(const SidebarInput& in) {
  while (Gtk::Widget* child = nav_.get_first_child()) nav_.remove(*child);
  sections_.clear();
  rows_.clear();

  auto addSection = [&](const std::string& title) {
    auto* label = Gtk::make_managed<Gtk::Label>(title);
    label->add_css_class("law-sidebar-section");
    oneLine(*label);
    setFont(*label, kSectionSize * in.scale, 0.5);
    nav_.append(*label);
    sections_.push_back(label);
    auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
    box->set_margin_start(10);
    box->set_margin_end(10);
    nav_.append(*box);
    return box;
  };
  auto addRow = [&](Gtk::Box* box, const NavItem& item, bool muted, bool selected) {
    auto* row = Gtk::make_managed<Row>(item, muted, in.scale);
    row->setSelected(selected);
    row->signalActivate().connect([this, path = item.path] { select_.emit(path); });
    box->append(*row);
    rows_.push_back(row);
  };

  for (const auto& group : sidebarGroups(in.items)) {
    Gtk::Box* box = addSection(group.title);
    for (const auto& item : group.items) addRow(box, item, false, sidebarNavRowSelected(item.path, in.selectedPath));
  }
  if (!in.recents.empty()) {
    Gtk::Box* box = addSection(kSidebarRecentsTitle);
    for (const auto& recent : in.recents) {
      NavItem entry = sidebarRecentEntry(recent);
      const bool selected = entry.path == in.selectedPath;
      addRow(box, entry, true, selected);
    }
  }
  auto* tail = Gtk::make_managed<Gtk::Box>();
  tail->set_size_request(-1, 10);
  nav_.append(*tail);
}

void SidebarView::updateSelection(const std::string& selectedPath) {
  for (Row* row : rows_)
    row->setSelected(row->muted() ? row->path() == selectedPath : sidebarNavRowSelected(row->path(), selectedPath));
}

void SidebarView::updateCard(const SidebarInput& in, bool rescale) {
  const bool shown = !in.items.empty();
  cardDivider_.set_visible(shown);
  card_.set_visible(shown);
  setText(updatedAt_, in.updatedAt);
  updatedAt_.set_visible(!in.updatedAt.empty());
  if (rescale) {
    setFont(cardTitle_, kCardTitleSize * in.scale);
    setFont(updatedAt_, kCardTimeSize * in.scale, 0, true);
  }
  for (Pill* pill : pills_) pill->set(in.count(pill->kind()), in.badgesLoaded, in.scale);
  const bool failed = !in.refreshFailure.empty();
  failure_.set_visible(failed);
  setText(failureText_, in.refreshFailure);
  failureText_.set_tooltip_text(in.refreshFailure);
  setCssClass(card_, "law-stale", failed);
  if (rescale) {
    setFont(failureText_, kCardTimeSize * in.scale);
    setFont(*static_cast<Gtk::Label*>(retryButton_->get_child()), kCardTimeSize * in.scale);
  }
}

void SidebarView::updateFooter(const SidebarInput& in, bool rescale) {
  loginHint_.set_visible(in.loginRequired);
  setCssClass(statusDot_, "law-signed-out", in.loginRequired);
  setText(initial_, sidebarInitial(in.userName));
  setText(name_, sidebarDisplayName(in.userName));
  setText(subtitle_, sidebarSubtitle(in.userName, in.userRole));
  if (rescale) {
    setFont(loginHintText_, kLoginHintSize * in.scale);
    static_cast<SidebarGlyph*>(keyGlyph_)->setSize(kKeySize * in.scale);
    setFont(initial_, kInitialSize * in.scale);
    setFont(name_, kNameSize * in.scale);
    setFont(subtitle_, kSubtitleSize * in.scale);
  }
}

std::vector<std::string> SidebarView::sectionTitles() const {
  std::vector<std::string> out;
  for (auto* label : sections_) out.push_back(label->get_text());
  return out;
}

SidebarView::Row* SidebarView::row(const std::string& path) const {
  for (Row* r : rows_)
    if (r->path() == path) return r;
  return nullptr;
}

SidebarView::Pill& SidebarView::pill(TodoKind kind) {
  for (Pill* p : pills_)
    if (p->kind() == kind) return *p;
  return *pills_.front();
}

bool SidebarView::todoCardShown() const { return card_.get_visible(); }
bool SidebarView::loginHintShown() const { return loginHint_.get_visible(); }
bool SidebarView::navScrolls() const { return nav_.get_parent() == &viewport_; }

}  // namespace quorvel
