#include "ui/lists/RowList.h"

#include "ui/components/LawStyle.h"

namespace quorvel {

namespace {
// The toolkit's grid look (cell fill, hover, focus ring, padding, and the theme's margin
// and spacing for every box in a cell) off: each row is one of the design system's
// cards and draws itself. The box rule keeps the theme's weight, so the design
// system's own classes still win over it.
std::string plainRowListCss() {
  return "gridview.law-row-list, gridview.law-row-list > child { background: none; padding: 0; margin: 0; "
         "border: none; box-shadow: none; outline: none; }\n"
         "gridview.law-row-list > child:hover, gridview.law-row-list > child:selected, "
         "gridview.law-row-list > child:focus, gridview.law-row-list > child:focus-visible { background: none; "
         "outline: none; box-shadow: none; }\n"
         "gridview > child box { margin: 0; border-spacing: 0; }\n";
}
}  // namespace

void preparePlainRowList(Gtk::GridView& view, const char* cssClass) {
  addDisplayCssOnce("plain-row-list", plainRowListCss);
  view.add_css_class("law-row-list");
  if (cssClass && *cssClass) view.add_css_class(cssClass);
}

int rowWidgetCount(Gtk::Widget& view) {
  int n = 0;
  for (auto* child = view.get_first_child(); child; child = child->get_next_sibling())
    if (child->get_first_child()) ++n;
  return n;
}

}  // namespace quorvel
