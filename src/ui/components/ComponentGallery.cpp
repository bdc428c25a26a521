#include "ui/components/ComponentGallery.h"

#include <gtkmm/box.h>
#include <gtkmm/drawingarea.h>
#include <gtkmm/grid.h>
#include <gtkmm/label.h>

#include <cmath>
#include <cstdio>

#include "core/LawIcons.h"
#include "core/Theme.h"
#include "ui/components/LawStyle.h"
#include "ui/components/WidgetRender.h"
#include "ui/components/LawBadges.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawCard.h"
#include "ui/components/LawPrecisionIcon.h"
#include "ui/components/LawSelectableChip.h"
#include "ui/components/LawSheetHeader.h"

namespace quorvel {

namespace {

// Page furniture of the gallery itself, in palette names.
const char* kGalleryCss = R"CSS(
.law-gallery { padding: 24px; }
.law-gallery-section { font-size: 15px; font-weight: 700; color: @law_textPrimary; margin-top: 18px; }
.law-gallery-caption { font-size: 10.5px; color: @law_textTertiary; }
.law-gallery-dark { padding: 16px; border-radius: 12px; }
.law-gallery-dark .law-gallery-caption { color: @law_sidebarTextMuted; }
.law-gallery-frame { border: 1px solid @law_borderLight; border-radius: 10px; background-color: @law_canvasBg; }
.law-gallery-tile { background-color: @law_surface; border: 1px solid @law_borderLight; border-radius: 8px; padding: 8px; }
)CSS";

void installGalleryCss() {
  installLawStyle();
  addDisplayCssOnce("gallery", [] { return std::string(kGalleryCss); });
}

enum class Shown { normal, hover, pressed, disabled, focused, selected, selectedHover };

const char* shownName(Shown s) {
  switch (s) {
    case Shown::normal: return "正常";
    case Shown::hover: return "悬停";
    case Shown::pressed: return "按下";
    case Shown::disabled: return "禁用";
    case Shown::focused: return "键盘焦点";
    case Shown::selected: return "选中";
    case Shown::selectedHover: return "选中 + 悬停";
  }
  return "";
}

void showState(Gtk::Widget& w, Shown s) {
  switch (s) {
    case Shown::hover:
    case Shown::selectedHover:
      w.set_state_flags(Gtk::StateFlags::PRELIGHT, false);
      break;
    case Shown::pressed:
      w.set_state_flags(Gtk::StateFlags::PRELIGHT | Gtk::StateFlags::ACTIVE, false);
      break;
    case Shown::disabled:
      w.set_sensitive(false);
      break;
    case Shown::focused:
      w.set_state_flags(Gtk::StateFlags::FOCUSED | Gtk::StateFlags::FOCUS_VISIBLE, false);
      break;
    default:
      break;
  }
}

Gtk::Label* caption(const Glib::ustring& text) {
  auto* l = Gtk::make_managed<Gtk::Label>(text);
  l->add_css_class("law-gallery-caption");
  l->set_xalign(0);
  return l;
}

Gtk::Label* sectionTitle(const Glib::ustring& text) {
  auto* l = Gtk::make_managed<Gtk::Label>(text);
  l->add_css_class("law-gallery-section");
  l->set_xalign(0);
  return l;
}

Gtk::Grid* stateGrid() {
  auto* g = Gtk::make_managed<Gtk::Grid>();
  g->set_row_spacing(12);
  g->set_column_spacing(18);
  return g;
}

// A cell that keeps its control at natural size (and its shadow visible).
Gtk::Widget* cell(Gtk::Widget& w) {
  w.set_halign(Gtk::Align::START);
  w.set_valign(Gtk::Align::CENTER);
  auto* box = Gtk::make_managed<Gtk::Box>();
  box->set_margin(4);
  box->append(w);
  return box;
}

// ---- Sections ---------------------------------------------------------------------

Gtk::Widget* paletteSection() {
  auto* grid = Gtk::make_managed<Gtk::Grid>();
  grid->set_row_spacing(10);
  grid->set_column_spacing(10);
  int i = 0;
  for (const auto& nc : LawTheme::namedColors()) {
    auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
    auto* swatch = Gtk::make_managed<Gtk::DrawingArea>();
    swatch->set_content_width(88);
    swatch->set_content_height(34);
    const LawColor color = nc.color;
    swatch->set_draw_func([color](const Cairo::RefPtr<Cairo::Context>& cr, int w, int h) {
      cairo_t* c = cr->cobj();
      // A checkerboard shows the opacity of translucent colours.
      for (int y = 0; y < h; y += 6)
        for (int x = 0; x < w; x += 6) {
          lawSetSourceColor(c, ((x + y) / 6) % 2 ? LawTheme::border : LawTheme::surface);
          cairo_rectangle(c, x, y, 6, 6);
          cairo_fill(c);
        }
      lawSetSourceColor(c, color);
      cairo_rectangle(c, 0, 0, w, h);
      cairo_fill(c);
      lawSetSourceColor(c, LawTheme::borderLight);
      cairo_set_line_width(c, 1);
      cairo_rectangle(c, 0.5, 0.5, w - 1, h - 1);
      cairo_stroke(c);
    });
    box->append(*swatch);
    box->append(*caption(nc.name));
    char detail[48];
    std::snprintf(detail, sizeof detail, "%s  %.3g", color.hex().c_str(), color.a);
    box->append(*caption(detail));
    grid->attach(*box, i % 11, i / 11);
    ++i;
  }
  return grid;
}

Gtk::Widget* gradientSection() {
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 18);
  struct G { const char* cls; const char* name; int w, h; };
  for (const G& g : {G{"law-sidebar-backdrop", "sidebarGradient", 120, 160},
                     G{"law-sidebar-active", "sidebarActiveGradient（置于 sidebarGradient 上）", 240, 36}}) {
    auto* col = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 4);
    auto* back = Gtk::make_managed<Gtk::Box>();
    back->add_css_class("law-sidebar-backdrop");
    back->set_halign(Gtk::Align::START);
    auto* sample = Gtk::make_managed<Gtk::Box>();
    sample->add_css_class(g.cls);
    sample->set_size_request(g.w, g.h);
    back->append(*sample);
    col->append(*back);
    col->append(*caption(g.name));
    row->append(*col);
  }
  auto* col = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 4);
  char text[160];
  std::snprintf(text, sizeof text, "LawMotion.hover %s\nLawMotion.press %s\nLawMotion.panel %s",
                LawMotion::hover.cssTiming().c_str(), LawMotion::press.cssTiming().c_str(),
                LawMotion::panel.cssTiming().c_str());
  col->append(*caption(text));
  row->append(*col);
  return row;
}

Gtk::Widget* buttonSection() {
  auto* grid = stateGrid();
  const Shown states[] = {Shown::normal, Shown::hover, Shown::pressed, Shown::disabled, Shown::focused};
  for (int c = 0; c < 5; ++c) grid->attach(*caption(shownName(states[c])), c + 1, 0);
  struct Row {
    const char* name;
    std::function<Gtk::Button*()> make;
  };
  const Row rows[] = {
      {"LawPrimaryButtonStyle", [] { return makeLawPrimaryButton("保存"); }},
      {"  compact", [] { return makeLawPrimaryButton("保存", true); }},
      {"  图标 + 文字", [] { return makeLawPrimaryButton("上传文件", false, LawIconKind::upload); }},
      {"LawSecondaryButtonStyle", [] { return makeLawSecondaryButton("取消"); }},
      {"  compact", [] { return makeLawSecondaryButton("取消", true); }},
      {"  图标 + 文字", [] { return makeLawSecondaryButton("刷新", false, false, LawIconKind::clock); }},
      {"  destructive", [] { return makeLawSecondaryButton("删除", false, true); }},
      {"  destructive compact", [] { return makeLawSecondaryButton("删除", true, true, LawIconKind::trash); }},
  };
  int r = 1;
  for (const auto& row : rows) {
    grid->attach(*caption(row.name), 0, r);
    for (int c = 0; c < 5; ++c) {
      Gtk::Button* b = row.make();
      showState(*b, states[c]);
      grid->attach(*cell(*b), c + 1, r);
    }
    ++r;
  }
  return grid;
}

Gtk::Widget* chipSection() {
  auto* grid = stateGrid();
  const Shown states[] = {Shown::normal, Shown::hover,    Shown::pressed, Shown::selected,
                          Shown::selectedHover, Shown::disabled, Shown::focused};
  for (int c = 0; c < 7; ++c) grid->attach(*caption(shownName(states[c])), c + 1, 0);
  struct Row {
    const char* name;
    bool pill, compact;
    LawColor color;
  };
  const Row rows[] = {{"LawSelectableChip", false, false, LawTheme::primary},
                      {"  pill", true, false, LawTheme::primary},
                      {"  compact", false, true, LawTheme::primary},
                      {"  pill compact", true, true, LawTheme::primary},
                      {"  activeColor success", true, false, LawTheme::success},
                      {"  activeColor warning", false, false, LawTheme::warning}};
  int r = 1;
  for (const auto& row : rows) {
    grid->attach(*caption(row.name), 0, r);
    for (int c = 0; c < 7; ++c) {
      const bool active = states[c] == Shown::selected || states[c] == Shown::selectedHover;
      auto* chip = Gtk::make_managed<LawSelectableChip>("本周", active, row.color, row.pill, row.compact);
      showState(*chip, states[c]);
      grid->attach(*cell(*chip), c + 1, r);
    }
    ++r;
  }
  return grid;
}

Gtk::Widget* cardSection() {
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 24);
  for (double padding : {14.0, 20.0}) {
    auto* card = Gtk::make_managed<LawCard>(padding);
    card->set_size_request(320, -1);
    card->set_hexpand(false);
    card->set_valign(Gtk::Align::START);
    auto* title = Gtk::make_managed<Gtk::Label>("卷宗镜像");
    title->add_css_class("law-sheet-header-title");
    card->addContent(*title);
    char text[64];
    std::snprintf(text, sizeof text, "LawCard(padding: %g)，内容左对齐，间距 10", padding);
    card->addContent(*caption(text));
    card->addContent(*makeLawSecondaryButton("打开文件夹", true));
    row->append(*card);
  }
  return row;
}

Gtk::Widget* sheetHeaderSection() {
  auto* col = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 10);
  struct H {
    const char* note;
    const char* title;
    const char* subtitle;
    std::string icon;
    std::optional<LawIconKind> duo;
    bool trailing;
  };
  const H headers[] = {
      {"duotoneIcon: sparkles", "快速记录", "输入一句话，自动识别日期", "", LawIconKind::sparkles, true},
      {"icon: \"gearshape\" → gear", "设置", "账户、外观、系统集成与存储", "gearshape", std::nullopt, true},
      {"icon: 未映射的符号 → 符号底板", "扫描结果", "识别出的案号与日期", "edit-copy-symbolic", std::nullopt, false},
      {"无图标", "键盘快捷键", "所有快捷键一览", "", std::nullopt, false},
      {"副标题为空", "冲突处理", "", "lock.fill", std::nullopt, true},
  };
  for (const auto& h : headers) {
    col->append(*caption(h.note));
    auto* frame = Gtk::make_managed<Gtk::Box>();
    frame->add_css_class("law-gallery-frame");
    frame->set_size_request(620, -1);
    frame->set_halign(Gtk::Align::START);
    auto* header = Gtk::make_managed<LawSheetHeader>(h.title, h.subtitle, h.icon, h.duo);
    if (h.trailing) {
      header->addTrailing(*makeLawSecondaryButton("取消", true));
      header->addTrailing(*makeLawPrimaryButton("完成", true));
    }
    frame->append(*header);
    col->append(*frame);
  }
  return col;
}

Gtk::Widget* badgeSection() {
  auto* col = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);

  // Brand marks on the dark sidebar backdrop.
  auto* dark = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 22);
  dark->add_css_class("law-sidebar-backdrop");
  dark->add_css_class("law-gallery-dark");
  dark->set_halign(Gtk::Align::START);
  struct B { double box, icon; };
  for (const B& b : {B{28, 16}, B{34, 20}, B{44, 26}, B{56, 34}}) {
    auto* c = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
    c->append(*Gtk::make_managed<BrandBadge>(b.box, b.icon));
    char text[40];
    std::snprintf(text, sizeof text, "BrandBadge %g/%g", b.box, b.icon);
    c->append(*caption(text));
    dark->append(*c);
  }
  for (double size : {16.0, 24.0, 40.0}) {
    auto* c = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
    c->append(*Gtk::make_managed<BrandScaleIcon>(size, LawTheme::goldLight));
    char text[40];
    std::snprintf(text, sizeof text, "BrandScaleIcon %g", size);
    c->append(*caption(text));
    dark->append(*c);
  }
  col->append(*dark);

  // Icon tiles, every tone.
  auto* tones = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 22);
  for (LawIconBadgeTone t : kAllLawIconBadgeTones) {
    auto* c = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
    row->append(*Gtk::make_managed<LawIconBadge>(LawIconKind::calendar, t, 30, 16));
    row->append(*Gtk::make_managed<LawIconBadge>(LawIconKind::shield, t, 40, 22));
    c->append(*row);
    c->append(*caption(std::string("LawIconBadge .") + lawIconBadgeToneName(t)));
    tones->append(*c);
  }
  col->append(*tones);
  return col;
}

Gtk::Widget* iconSection() {
  auto* col = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
  const double sizes[] = {14, 16, 18, 24, 32, 48};

  auto* grid = Gtk::make_managed<Gtk::Grid>();
  grid->set_row_spacing(10);
  grid->set_column_spacing(10);
  int i = 0;
  for (LawIconKind kind : kAllLawIconKinds) {
    auto* tile = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 6);
    tile->add_css_class("law-gallery-tile");
    tile->append(*caption(std::string(lawIconKindRawValue(kind))));
    auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
    for (double s : sizes) {
      auto* icon = Gtk::make_managed<LawPrecisionIcon>(kind, s, LawTheme::primary, 0.16);
      icon->set_valign(Gtk::Align::END);
      row->append(*icon);
    }
    tile->append(*row);
    grid->attach(*tile, i % 5, i / 5);
    ++i;
  }
  col->append(*caption("LawPrecisionIcon，primary，duotone 0.16；尺寸 14 16 18 24 32 48"));
  col->append(*grid);

  // Every kind as the sheet header shows it, and in the sidebar's colours.
  auto* badges = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  auto* plain0 = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  for (LawIconKind kind : kAllLawIconKinds) {
    badges->append(*Gtk::make_managed<LawIconBadge>(kind, LawIconBadgeTone::gold, 30, 16));
    plain0->append(*Gtk::make_managed<LawPrecisionIcon>(kind, 24, LawTheme::textSecondary, 0.0));
  }
  col->append(*caption("LawIconBadge .gold 30/16（LawSheetHeader 所用）"));
  col->append(*badges);
  col->append(*caption("duotoneOpacity 0：只有线条"));
  col->append(*plain0);

  auto* dark = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 8);
  dark->add_css_class("law-sidebar-backdrop");
  dark->add_css_class("law-gallery-dark");
  dark->set_halign(Gtk::Align::START);
  auto* darkRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  for (LawIconKind kind : kAllLawIconKinds)
    darkRow->append(*Gtk::make_managed<LawPrecisionIcon>(kind, 18, LawTheme::sidebarText, 0.16));
  dark->append(*caption("侧栏：sidebarText，18"));
  dark->append(*darkRow);
  auto* goldRow = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  for (LawIconKind kind : kAllLawIconKinds)
    goldRow->append(*Gtk::make_managed<LawPrecisionIcon>(kind, 18, LawTheme::goldLight, 0.24));
  dark->append(*caption("选中行：goldLight，18"));
  dark->append(*goldRow);
  col->append(*dark);

  // The menu-bar template glyph at 1x and 2x, on light and dark.
  auto* menu = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 16);
  struct M { double size; LawColor color; LawColor back; };
  for (const M& m : {M{18, LawColor{0, 0, 0, 1}, LawTheme::surface}, M{36, LawColor{0, 0, 0, 1}, LawTheme::surface},
                     M{18, LawTheme::surface, LawTheme::ink}, M{36, LawTheme::surface, LawTheme::ink}}) {
    auto* area = Gtk::make_managed<Gtk::DrawingArea>();
    const int px = static_cast<int>(m.size) + 12;
    area->set_content_width(px);
    area->set_content_height(px);
    area->set_valign(Gtk::Align::CENTER);
    area->set_draw_func([m](const Cairo::RefPtr<Cairo::Context>& cr, int w, int h) {
      cairo_t* c = cr->cobj();
      lawSetSourceColor(c, m.back);
      lawAppendRoundedRect(c, 0, 0, w, h, 6);
      cairo_fill(c);
      cairo_translate(c, 6, 6);
      MenuBarScaleImage::draw(c, m.size, m.size, m.color);
    });
    menu->append(*area);
  }
  col->append(*caption("MenuBarScaleImage（模板图，18 与 36）"));
  col->append(*menu);
  return col;
}

}  // namespace

Gtk::Widget* makeComponentGallery() {
  installGalleryCss();
  auto* page = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 10);
  page->add_css_class("law-canvas");
  page->add_css_class("law-gallery");
  auto* title = Gtk::make_managed<Gtk::Label>("墨衡台 · 组件一览（浅色方案，唯一方案）");
  title->add_css_class("law-sheet-header-title");
  title->set_xalign(0);
  page->append(*title);
  page->append(*sectionTitle("LawTheme 调色板"));
  page->append(*paletteSection());
  page->append(*sectionTitle("渐变与动效"));
  page->append(*gradientSection());
  page->append(*sectionTitle("按钮"));
  page->append(*buttonSection());
  page->append(*sectionTitle("可选标签"));
  page->append(*chipSection());
  page->append(*sectionTitle("卡片"));
  page->append(*cardSection());
  page->append(*sectionTitle("表单页眉 LawSheetHeader"));
  page->append(*sheetHeaderSection());
  page->append(*sectionTitle("徽标与品牌标记"));
  page->append(*badgeSection());
  page->append(*sectionTitle("线条图标 LawPrecisionIcon"));
  page->append(*iconSection());
  return page;
}

Result<void> renderComponentGalleryPng(const std::string& path) {
  installLawStyle();
  ScopedAnimationsOff noAnimations;
  Gtk::Widget* gallery = makeComponentGallery();
  return renderWidgetToPng(*gallery, path);
}

}  // namespace quorvel
