#include "ui/recognition/ScreenOCRResultView.h"

#include <gtkmm/scrolledwindow.h>
#include <gtkmm/shortcutcontroller.h>

#include "core/Theme.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawCard.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/components/LawStyle.h"

namespace quorvel {

namespace {

const char* toneClass(OCRSignalSection::Kind kind) {
  switch (kind) {
    case OCRSignalSection::Kind::caseNumbers: return "law-ocr-tone-case";
    case OCRSignalSection::Kind::trackingNumbers: return "law-ocr-tone-tracking";
    case OCRSignalSection::Kind::dates: break;
  }
  return "law-ocr-tone-date";
}

std::string resultCss() {
  std::string css =
      ".law-ocr-scroller, .law-ocr-scroller > viewport { background-color: " + LawTheme::canvasBg.css() + "; }\n"
      // Always shown, as the window asks, but slim and quiet.
      ".law-ocr-scroller scrollbar { background: transparent; border: none; }\n"
      ".law-ocr-scroller scrollbar slider { min-width: 6px; min-height: 24px; border: none; border-radius: 3px; "
      "background-color: " + LawTheme::textMuted.opacity(0.5).css() + "; }\n"
      ".law-ocr-scroller scrollbar slider:hover { background-color: " + LawTheme::textMuted.css() + "; }\n"
      // The window's own title bar (ScreenOCRResultWindow): flat, on the surface colour.
      "headerbar.law-ocr-titlebar { background: " + LawTheme::surface.css() + "; box-shadow: none; "
      "border-bottom: 1px solid " + LawTheme::borderLight.css() + "; min-height: 32px; }\n"
      "headerbar.law-ocr-titlebar .title { font-size: 12px; font-weight: 600; color: " +
      LawTheme::textSecondary.css() + "; }\n"
      ".law-ocr-heading { font-size: 12.5px; font-weight: 700; color: " + LawTheme::textPrimary.css() + "; }\n"
      ".law-ocr-section-label { font-size: 11px; font-weight: 600; color: " + LawTheme::textSecondary.css() +
      "; }\n"
      ".law-ocr-chip { font-family: monospace; font-size: 12px; font-weight: 600; padding: 3px 8px; "
      "border-radius: 4px; }\n"
      ".law-ocr-text { font-size: 12px; color: " + LawTheme::textPrimary.css() + "; padding: 10px; "
      "border-radius: 6px; background-color: " + LawTheme::surfaceMuted.css() + "; }\n"
      ".law-ocr-text.law-ocr-empty { color: " + LawTheme::textMuted.css() + "; }\n"
      ".law-ocr-text selection { background-color: " + LawTheme::primary.opacity(0.18).css() + "; color: " +
      LawTheme::textPrimary.css() + "; }\n";
  for (const auto& section : ocrSignalSections())
    css += std::string(".law-ocr-chip.") + toneClass(section.kind) + " { color: " + section.color.css() +
           "; background-color: " + section.color.opacity(0.1).css() + "; }\n";
  return css;
}

void installResultCss() { addDisplayCssOnce("ocr-result", resultCss); }

Gtk::Label* makeLabel(const std::string& text, const char* cssClass) {
  auto* label = Gtk::make_managed<Gtk::Label>(text);
  label->add_css_class(cssClass);
  label->set_xalign(0);
  return label;
}

}  // namespace

ScreenOCRResultView::ScreenOCRResultView(LegalOCRSignals signals)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0), signals_(std::move(signals)) {
  installResultCss();
  set_size_request(kWidth, kHeight);
  add_css_class("law-canvas");

  auto* header = Gtk::make_managed<LawSheetHeader>("屏幕 OCR 智能提取", "已通过本机识别离线识别，自动抽取高频办案要素",
                                                   "text.viewfinder");
  close_ = makeLawSecondaryButton("关闭", true);
  close_->signal_clicked().connect([this] {
    if (onClose) onClose();
  });
  header->addTrailing(*close_);
  append(*header);

  // Escape is the cancel key wherever the focus is in the window.
  auto shortcuts = Gtk::ShortcutController::create();
  shortcuts->set_scope(Gtk::ShortcutScope::GLOBAL);
  shortcuts->add_shortcut(Gtk::Shortcut::create(Gtk::KeyvalTrigger::create(GDK_KEY_Escape),
                                                Gtk::CallbackAction::create([this](Gtk::Widget&, const Glib::VariantBase&) {
                                                  if (onClose) onClose();
                                                  return true;
                                                })));
  add_controller(shortcuts);

  auto* scroller = Gtk::make_managed<Gtk::ScrolledWindow>();
  scroller->add_css_class("law-ocr-scroller");
  scroller->set_policy(Gtk::PolicyType::NEVER, Gtk::PolicyType::AUTOMATIC);
  scroller->set_overlay_scrolling(false);
  scroller->set_vexpand(true);
  auto* column = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
  column->set_margin(14);
  if (signals_.hasSignals()) column->append(*(signalsCard_ = makeSignalsCard()));
  column->append(*makeTextCard());
  scroller->set_child(*column);
  append(*scroller);
}

Gtk::Widget* ScreenOCRResultView::makeSignalsCard() {
  auto* card = Gtk::make_managed<LawCard>(12);
  card->addContent(*makeLabel("智能识别到的办案要素", "law-ocr-heading"));
  for (const auto& section : ocrSignalSections()) {
    const auto& items = sectionItems(signals_, section.kind);
    if (items.empty()) continue;
    auto* box = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 5);
    box->set_hexpand(true);
    box->append(*makeLabel(section.label, "law-ocr-section-label"));
    for (const auto& item : items) {
      auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
      auto* chip = makeLabel(item, "law-ocr-chip");
      chip->add_css_class(toneClass(section.kind));
      chip->set_valign(Gtk::Align::CENTER);
      chip->set_wrap(true);
      chip->set_wrap_mode(Pango::WrapMode::WORD_CHAR);
      row->append(*chip);
      auto* spacer = Gtk::make_managed<Gtk::Box>();
      spacer->set_hexpand(true);
      row->append(*spacer);
      auto* button = makeLawSecondaryButton(section.button, true);
      button->set_valign(Gtk::Align::CENTER);
      button->signal_clicked().connect([this, kind = section.kind, item] {
        if (onSectionAction) onSectionAction(kind, item);
      });
      row->append(*button);
      box->append(*row);
      rows_.push_back({section.kind, item, chip, button});
    }
    card->addContent(*box);
  }
  return card;
}

Gtk::Widget* ScreenOCRResultView::makeTextCard() {
  auto* card = Gtk::make_managed<LawCard>(12);
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  row->set_hexpand(true);
  auto* heading = makeLabel("识别全文", "law-ocr-heading");
  heading->set_valign(Gtk::Align::CENTER);
  heading->set_hexpand(true);
  row->append(*heading);
  const bool empty = signals_.rawText.empty();
  copy_ = makeLawPrimaryButton("复制全部文字", true);
  copy_->set_sensitive(!empty);
  copy_->signal_clicked().connect([this] { copyAll(); });
  row->append(*copy_);
  todo_ = makeLawSecondaryButton("转为待办", true);
  todo_->set_sensitive(!empty);
  todo_->signal_clicked().connect([this] {
    if (onTextToTodo) onTextToTodo();
  });
  row->append(*todo_);
  card->addContent(*row);

  text_ = makeLabel(empty ? kEmptyNotice : signals_.rawText, "law-ocr-text");
  if (empty) text_->add_css_class("law-ocr-empty");
  text_->set_wrap(true);
  text_->set_wrap_mode(Pango::WrapMode::WORD_CHAR);
  text_->set_selectable(!empty);
  text_->set_hexpand(true);
  text_->set_yalign(0);
  card->addContent(*text_);
  return card;
}

void ScreenOCRResultView::copyAll() {
  if (onCopyAll) onCopyAll();
  copied_ = true;
  copy_->set_label("已复制");
}

}  // namespace quorvel
