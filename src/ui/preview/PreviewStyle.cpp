#include "ui/preview/PreviewStyle.h"

#include <gtkmm.h>

#include "core/Theme.h"
#include "ui/model/ThemeCss.h"
#include "ui/components/LawStyle.h"

namespace quorvel {

namespace {
std::string previewCss() {
  std::string css;
  css += cssRule("window.law-hud", "background: transparent; box-shadow: none;");
  css += cssRule(".law-hud-body",
                 "background: alpha(@law_sidebarBg, 0.95); border: 1px solid @law_goldBorder; border-radius: 8px;"
                 "padding: 12px 16px; box-shadow: 0 6px 18px alpha(black, 0.28);");
  css += cssRule(".law-hud-text", "color: @law_sidebarTextBright; font-size: 12.5px; font-weight: 500;");
  css += cssRule(".law-hud-body spinner", "color: @law_sidebarTextBright;");
  css += cssRule(".law-preview-stage", "background: @law_canvasBg;");
  css += cssRule(".law-preview-page", "background: white; box-shadow: 0 2px 10px alpha(black, 0.16);");
  css += cssRule(".law-preview-text", "font-family: monospace; font-size: 12.5px; padding: 14px 18px;");
  css += cssRule(".law-preview-pager", "color: @law_textSecondary; font-size: 12.5px;");
  css += cssRule(".law-form-label", "color: @law_textSecondary; font-size: 12.5px;");
  css += cssRule(".law-form-error", "color: @law_danger; font-size: 12.5px;");
  css += cssRule(".law-status-line", "color: @law_textSecondary; font-size: 12.5px;");
  return css;
}
}  // namespace

void installPreviewStyle() {
  installLawStyle();
  addDisplayCssOnce("preview", previewCss, 1);
}

}  // namespace quorvel
