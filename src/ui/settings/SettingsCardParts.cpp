#include "ui/settings/SettingsCardParts.h"

#include <gtkmm/cssprovider.h>
#include <gtkmm/image.h>
#include <pango/pango.h>

#include <cmath>

#include "ui/components/LawSheetHeader.h"

namespace quorvel {

namespace {
void addCss(Gtk::Widget& widget, const std::string& css) {
  auto provider = Gtk::CssProvider::create();
  provider->load_from_data(css);
  widget.get_style_context()->add_provider(provider, GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
}

guint16 channel(double v) { return static_cast<guint16>(std::lround(std::clamp(v, 0.0, 1.0) * 65535)); }
}  // namespace

Gtk::Separator* makeSettingsDivider() {
  auto* line = Gtk::make_managed<Gtk::Separator>(Gtk::Orientation::HORIZONTAL);
  line->set_hexpand(true);
  addCss(*line, "separator { background-color: " + LawTheme::borderLight.css() + "; min-height: 1px; }");
  return line;
}

void styleSettingsLabel(Gtk::Label& label, double points, Pango::Weight weight, LawColor color, bool monospace) {
  Pango::AttrList attrs;
  auto size = Pango::Attribute::create_attr_size_absolute(static_cast<int>(std::lround(points * PANGO_SCALE)));
  attrs.insert(size);
  auto w = Pango::Attribute::create_attr_weight(weight);
  attrs.insert(w);
  auto fg = Pango::Attribute::create_attr_foreground(channel(color.r), channel(color.g), channel(color.b));
  attrs.insert(fg);
  if (color.a < 1) {
    auto alpha = Pango::Attribute::create_attr_foreground_alpha(channel(color.a));
    attrs.insert(alpha);
  }
  if (monospace) {
    auto family = Pango::Attribute::create_attr_family("monospace");
    attrs.insert(family);
  }
  label.set_attributes(attrs);
}

std::optional<LawColor> settingsLabelColor(Gtk::Label& label) {
  PangoAttrList* list = gtk_label_get_attributes(label.gobj());
  if (!list) return std::nullopt;
  std::optional<LawColor> found;
  GSList* all = pango_attr_list_get_attributes(list);
  for (GSList* it = all; it; it = it->next) {
    auto* attr = static_cast<PangoAttribute*>(it->data);
    if (attr->klass->type == PANGO_ATTR_FOREGROUND) {
      PangoColor c = reinterpret_cast<PangoAttrColor*>(attr)->color;
      found = LawColor::rgb8(c.red >> 8, c.green >> 8, c.blue >> 8);
    }
  }
  g_slist_free_full(all, reinterpret_cast<GDestroyNotify>(pango_attribute_destroy));
  return found;
}

Gtk::Box* makeSettingsRowTexts(Gtk::Label& title, Gtk::Label& note) {
  auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 2);
  column->set_hexpand(true);
  column->set_valign(Gtk::Align::CENTER);
  title.set_xalign(0);
  title.set_wrap(true);
  note.set_xalign(0);
  note.set_wrap(true);
  styleSettingsLabel(title, 12.5, Pango::Weight::MEDIUM, LawTheme::textPrimary);
  styleSettingsLabel(note, 11, Pango::Weight::NORMAL, LawTheme::textMuted);
  column->append(title);
  column->append(note);
  return column;
}

}  // namespace quorvel
