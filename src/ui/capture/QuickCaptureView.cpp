#include "ui/capture/QuickCaptureView.h"

#include <gtkmm/stringlist.h>

#include "base/MainQueue.h"
#include "base/Task.h"
#include "core/ShortcutText.h"
#include "core/Theme.h"
#include "ui/components/HandCursor.h"
#include "ui/components/LawButtons.h"
#include "ui/components/LawPrecisionIcon.h"
#include "ui/components/LawSheetHeader.h"
#include "ui/components/LawStyle.h"
#include "ui/components/WidgetHelpers.h"

namespace quorvel {
namespace QC = QuickCapture;

namespace {

std::string px(double v) { return cssPx(v); }

TimePoint now() { return std::chrono::system_clock::now(); }

// The post runs on after the view may have gone (the panel replaced meanwhile); `done`
// is bound to the view.
Task<void> postQuickTodo(std::shared_ptr<BrowserModel> model, std::map<std::string, std::string> fields,
                         std::function<void(const FormResult&)> done) {
  auto request = model->requests().postForm(QC::kPostPath, fields);
  FormResult result = co_await request;
  done(result);
}

}  // namespace

namespace {
std::string quickCaptureCss() {
  return
      ".law-capture { background-color: " + LawTheme::canvasBg.css() + "; }\n"
      ".law-capture-body { background-color: " + LawTheme::canvasBg.css() + "; }\n"
      ".law-capture-input { background-color: " + LawTheme::surface.css() + "; border-radius: 6px; border: 1.2px solid " +
      LawTheme::primary.opacity(0.4).css() + "; padding: 10px 12px; " + lawTransitionCss(LawMotion::hover) + " }\n"
      ".law-capture-input:focus-within { border-color: " + LawTheme::primary.opacity(0.7).css() + "; box-shadow: 0 0 0 3px " +
      LawTheme::primary.opacity(0.08).css() + "; }\n"
      ".law-capture-input entry, .law-capture-input text { background: none; border: none; box-shadow: none; outline: none;"
      " min-height: 0; padding: 0; font-size: 14px; color: " + LawTheme::textPrimary.css() + "; }\n"
      ".law-capture-input entry > text > placeholder { color: " + LawTheme::textMuted.css() + "; }\n"
      ".law-capture-caption { font-size: 11.5px; color: " + LawTheme::textSecondary.css() + "; }\n"
      ".law-capture-hint { font-size: 10.5px; color: " + LawTheme::success.css() + "; }\n"
      ".law-capture-rule { background-color: " + LawTheme::borderLight.css() + "; min-height: 1px; }\n"
      ".law-capture-footer { background-color: " + LawTheme::surface.css() + "; padding: 10px 14px; }\n"
      ".law-capture-keys { font-size: 11px; color: " + LawTheme::textMuted.css() + "; }\n"
      ".law-capture-feedback { font-size: 11.5px; }\n"
      ".law-capture-feedback.law-success { color: " + LawTheme::success.css() + "; }\n"
      ".law-capture-feedback.law-failure { color: " + LawTheme::danger.css() + "; }\n"
      ".law-capture-date { padding: 3px 9px; min-height: 0; font-size: 12px; font-feature-settings: \"tnum\"; }\n"
      ".law-capture-picker { min-height: 0; }\n"
      ".law-capture-picker > button { padding: 3px 9px; min-height: 0; font-size: 12px; border-radius: 6px;"
      " background: " + LawTheme::surface.css() + "; border: 1px solid " + LawTheme::border.css() +
      "; box-shadow: none; color: " + LawTheme::textPrimary.css() + "; }\n"
      "calendar.law-capture-calendar { border: none; background: none; color: " + LawTheme::textPrimary.css() + "; }\n"
      "calendar.law-capture-calendar > grid > label.day-number { border-radius: 6px; padding: 3px 6px; }\n"
      "calendar.law-capture-calendar > grid > label.day-number:hover { background-color: " + LawTheme::primarySoft.css() + "; }\n"
      "calendar.law-capture-calendar > grid > label.day-number:selected { background-color: " + LawTheme::primary.css() +
      "; color: " + LawTheme::surface.css() + "; }\n"
      "calendar.law-capture-calendar > grid > label.today { box-shadow: inset 0 -2px " + LawTheme::gold.css() + "; }\n"
      "calendar.law-capture-calendar > grid > label.day-name { color: " + LawTheme::textTertiary.css() + "; font-size: 11px; }\n"
      ".law-capture-picker > button:hover { border-color: " + LawTheme::primary.opacity(0.45).css() + "; }\n";
}
}  // namespace

void installQuickCaptureCss() {
  installLawStyle();
  addDisplayCssOnce("quick-capture", quickCaptureCss);
}

QuickCaptureView::QuickCaptureView(std::shared_ptr<BrowserModel> model, std::string initialText,
                                   std::optional<TimePoint> initialDate, std::function<void()> onDismiss,
                                   std::function<void()> onSaved)
    : Gtk::Box(Gtk::Orientation::VERTICAL, 0),
      model_(std::move(model)),
      onDismiss_(std::move(onDismiss)),
      onSaved_(std::move(onSaved)) {
  installQuickCaptureCss();
  add_css_class("law-capture");
  set_size_request(kWidth, kHeight);

  // Appearance: text, due date, the most recent proceeding; no hint yet.
  dueDate_ = QC::initialDueDate(initialDate, initialText, now());
  const auto& recents = model_->account().recents.get();
  choices_ = QC::proceedingChoices(recents);
  selectedProcID_ = QC::initialProcID(recents);

  auto* header = Gtk::make_managed<LawSheetHeader>(
      "快捷录入待办", "支持「明天 / 后天 / 下周五 / 12月5日」自动识别日期，保存后同步本机日历", "bolt.fill");
  append(*header);

  auto* body = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
  body->add_css_class("law-capture-body");
  body->set_margin(0);
  body->set_vexpand(true);
  auto* inner = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::VERTICAL, 12);
  inner->set_margin(14);
  inner->append(*buildInputRow());
  inner->append(*buildTypeRow());
  inner->append(*buildProceedingRow());
  body->append(*inner);
  append(*body);

  auto* rule = Gtk::make_managed<Gtk::Box>();
  rule->add_css_class("law-capture-rule");
  append(*rule);
  append(*buildFooter());

  entry_.set_text(initialText);
  entry_.signal_changed().connect([this] { textChanged(); });
  entry_.signal_activate().connect([this] { submit(); });
  refreshControls();
  signal_map().connect([this] {
    // The caret after the prefill, nothing selected: the user goes on typing.
    entry_.grab_focus_without_selecting();
    entry_.set_position(-1);
  });
}

QuickCaptureView::~QuickCaptureView() = default;

Gtk::Widget* QuickCaptureView::buildInputRow() {
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  row->add_css_class("law-capture-input");
  auto* bolt = Gtk::make_managed<LawPrecisionIcon>(LawIconKind::bolt, 13, LawTheme::gold);
  bolt->set_valign(Gtk::Align::CENTER);
  row->append(*bolt);
  entry_.set_has_frame(false);
  entry_.set_hexpand(true);
  entry_.set_placeholder_text("例如：明天前提交华盛案补充质证意见…");
  setAccessibleLabel(entry_, "待办内容");
  row->append(entry_);
  return row;
}

Gtk::Widget* QuickCaptureView::buildTypeRow() {
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 10);
  auto* chips = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 5);
  for (auto option : QC::kAllTodoTypeOptions) {
    auto* chip = Gtk::make_managed<LawSelectableChip>(QC::chipTitle(option), option == todoType_, QC::chipColor(option),
                                                      true, true, [this, option] { setTodoType(option); });
    chip->set_valign(Gtk::Align::CENTER);
    chips_.push_back(chip);
    chips->append(*chip);
  }
  row->append(*chips);
  auto* spacer = Gtk::make_managed<Gtk::Box>();
  spacer->set_hexpand(true);
  row->append(*spacer);

  // The day-only date picker: the day on a button, a month calendar in its popover.
  dateButton_ = Gtk::make_managed<Gtk::Button>();
  LawSecondaryButtonStyle{true}.apply(*dateButton_);
  dateButton_->add_css_class("law-capture-date");
  auto* face = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 6);
  face->append(*Gtk::make_managed<LawPrecisionIcon>(LawIconKind::calendar, 13, LawTheme::textTertiary));
  face->append(dateLabel_);
  dateButton_->set_child(*face);
  // Named by the day it shows, kept in step with it.
  labelBy(*dateButton_, dateLabel_);
  dateButton_->set_valign(Gtk::Align::CENTER);
  lawHandCursor(*dateButton_);
  calendar_ = Gtk::make_managed<Gtk::Calendar>();
  calendar_->add_css_class("law-capture-calendar");
  datePopover_ = Gtk::make_managed<Gtk::Popover>();
  datePopover_->set_child(*calendar_);
  datePopover_->set_parent(*dateButton_);
  datePopover_->set_position(Gtk::PositionType::BOTTOM);
  // A button does not know of a popover child: it goes with the button.
  dateButton_->signal_destroy().connect([popover = datePopover_] { popover->unparent(); });
  dateButton_->signal_clicked().connect([this] {
    QC::CivilDay d = QC::civilDay(dueDate_);
    syncingCalendar_ = true;
    calendar_->select_day(Glib::DateTime::create_local(d.year, d.month, d.day, 12, 0, 0));
    syncingCalendar_ = false;
    datePopover_->popup();
  });
  calendar_->signal_day_selected().connect([this] {
    if (syncingCalendar_) return;
    Glib::DateTime picked = calendar_->get_date();
    setDueDate(QC::withDay(dueDate_, {picked.get_year(), picked.get_month(), picked.get_day_of_month()}));
    datePopover_->popdown();
  });
  row->append(*dateButton_);
  return row;
}

Gtk::Widget* QuickCaptureView::buildProceedingRow() {
  auto* row = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  auto* caption = Gtk::make_managed<Gtk::Label>("关联程序：");
  caption->add_css_class("law-capture-caption");
  row->append(*caption);

  std::vector<Glib::ustring> titles;
  for (const auto& c : choices_) titles.push_back(c.title);
  picker_ = Gtk::make_managed<Gtk::DropDown>(Gtk::StringList::create(titles));
  picker_->add_css_class("law-capture-picker");
  picker_->set_size_request(150, -1);
  picker_->set_halign(Gtk::Align::START);
  picker_->set_hexpand(false);
  lawHandCursor(*picker_);
  nameIconControl(*picker_, "关联程序");
  picker_->set_tooltip_text("");
  for (size_t i = 0; i < choices_.size(); ++i)
    if (choices_[i].id == selectedProcID_) picker_->set_selected(guint(i));
  picker_->property_selected().signal_changed().connect([this] {
    guint i = picker_->get_selected();
    if (i < choices_.size()) selectedProcID_ = choices_[i].id;
  });
  row->append(*picker_);

  auto* spacer = Gtk::make_managed<Gtk::Box>();
  spacer->set_hexpand(true);
  row->append(*spacer);
  hint_.add_css_class("law-capture-hint");
  hint_.set_visible(false);
  row->append(hint_);
  return row;
}

Gtk::Widget* QuickCaptureView::buildFooter() {
  auto* footer = Gtk::make_managed<Gtk::Box>(Gtk::Orientation::HORIZONTAL, 8);
  footer->add_css_class("law-capture-footer");
  footer_.set_xalign(0);
  // A failure's 40 characters of explanation take a second line rather than an ellipsis.
  footer_.set_wrap(true);
  footer_.set_wrap_mode(Pango::WrapMode::WORD_CHAR);
  footer_.set_lines(2);
  footer_.set_ellipsize(Pango::EllipsizeMode::END);
  footer_.set_hexpand(true);
  footer_.set_max_width_chars(40);
  footer->append(footer_);
  cancel_ = makeLawSecondaryButton("取消", true);
  lawHandCursor(*cancel_);
  cancel_->signal_clicked().connect([this] { dismiss(); });
  save_ = makeLawPrimaryButton("保存并同步", true);
  lawHandCursor(*save_);
  save_->signal_clicked().connect([this] { submit(); });
  for (auto* b : {cancel_, save_}) {
    b->set_valign(Gtk::Align::CENTER);
    footer->append(*b);
  }
  return footer;
}

std::string QuickCaptureView::content() const { return entry_.get_text(); }

void QuickCaptureView::setTodoType(QC::TodoTypeOption option) {
  todoType_ = option;
  for (size_t i = 0; i < chips_.size(); ++i) chips_[i]->setActive(QC::kAllTodoTypeOptions[i] == option);
}

void QuickCaptureView::setDueDate(TimePoint date) {
  dueDate_ = date;
  dateLabel_.set_text(QC::dayText(date));
}

void QuickCaptureView::selectProceeding(long long procID) {
  for (size_t i = 0; i < choices_.size(); ++i)
    if (choices_[i].id == procID) picker_->set_selected(guint(i));
}

// A recognised date replaces the due date and its hint; text without one leaves both.
void QuickCaptureView::textChanged() {
  if (auto found = QC::detectDate(content(), now())) {
    setDueDate(*found);
    hint_.set_text(QC::dateHint(*found));
    hint_.set_visible(true);
  }
  refreshControls();
}

void QuickCaptureView::refreshControls() {
  setDueDate(dueDate_);
  save_->set_label(submitting_ ? "保存中…" : "保存并同步");
  save_->set_sensitive(QC::canSubmit(content(), submitting_));
  footer_.remove_css_class("law-capture-keys");
  footer_.remove_css_class("law-capture-feedback");
  footer_.remove_css_class("law-success");
  footer_.remove_css_class("law-failure");
  if (feedback_.text.empty()) {
    footer_.set_text(linuxShortcutText("按 ⏎ 保存 · Esc 关闭"));
    footer_.add_css_class("law-capture-keys");
  } else {
    footer_.set_text(feedback_.text);
    footer_.add_css_class("law-capture-feedback");
    footer_.add_css_class(feedback_.success ? "law-success" : "law-failure");
  }
}

void QuickCaptureView::dismiss() {
  if (onDismiss_) onDismiss_();
}

void QuickCaptureView::submit() {
  const std::string text = QC::trimmedText(content());
  if (text.empty() || submitting_) return;
  submitting_ = true;
  feedback_ = {};
  refreshControls();
  auto fields = QC::formFields(text, dueDate_, todoType_, selectedProcID_);
  spawn(postQuickTodo(model_, std::move(fields), scope_.guard([this](const FormResult& r) { finishSave(r); })));
}

void QuickCaptureView::finishSave(const FormResult& result) {
  submitting_ = false;
  if (!result.ok) {
    // The panel stays with everything as typed, for a correction and a retry.
    feedback_ = QC::failureFeedback(result.error ? describe(*result.error) : describe(nullptr));
    refreshControls();
    return;
  }
  feedback_ = QC::savedFeedback();
  refreshControls();
  model_->reads().refreshBadges();
  if (onSaved_) onSaved_();
  postToMainAfter(unsigned(QC::kCloseDelaySeconds * 1000), scope_.guard([this] { dismiss(); }));
}

}  // namespace quorvel
