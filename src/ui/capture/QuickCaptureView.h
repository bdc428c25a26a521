#pragma once
// The quick to-do form: one line of text whose due date is recognised while typing,
// the to-do type chips, a date picker, the proceeding picker from the recents and the
// save that posts to the service.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/calendar.h>
#include <gtkmm/dropdown.h>
#include <gtkmm/entry.h>
#include <gtkmm/label.h>
#include <gtkmm/popover.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/Task.h"
#include "core/BrowserModel.h"
#include "ui/model/QuickCapture.h"
#include "ui/components/LawSelectableChip.h"

namespace quorvel {

class QuickCaptureView : public Gtk::Box {
 public:
  static constexpr int kWidth = 540;
  static constexpr int kHeight = 270;

  // `onDismiss` closes the panel; `onSaved` runs after a successful save, before the
  // delayed close (badges are refreshed here already).
  QuickCaptureView(std::shared_ptr<BrowserModel> model, std::string initialText, std::optional<TimePoint> initialDate,
                   std::function<void()> onDismiss, std::function<void()> onSaved = {});
  ~QuickCaptureView() override;

  // Return in the text field and the primary button.
  void submit();
  // Escape and the cancel button.
  void dismiss();

  // The form's state, for its tests and renders.
  std::string content() const;
  TimePoint dueDate() const { return dueDate_; }
  QuickCapture::TodoTypeOption todoType() const { return todoType_; }
  long long selectedProcID() const { return selectedProcID_; }
  bool submitting() const { return submitting_; }
  const QuickCapture::Feedback& feedback() const { return feedback_; }
  std::string detectedHint() const { return hint_.get_text(); }
  Gtk::Entry& entry() { return entry_; }
  Gtk::Button& saveButton() { return *save_; }
  Gtk::Button& cancelButton() { return *cancel_; }
  Gtk::Button& dateButton() { return *dateButton_; }
  Gtk::DropDown& proceedingPicker() { return *picker_; }
  Gtk::Label& footerText() { return footer_; }
  void setTodoType(QuickCapture::TodoTypeOption option);
  void setDueDate(TimePoint date);
  void selectProceeding(long long procID);

 private:
  Gtk::Widget* buildInputRow();
  Gtk::Widget* buildTypeRow();
  Gtk::Widget* buildProceedingRow();
  Gtk::Widget* buildFooter();
  void textChanged();
  void refreshControls();
  void finishSave(const FormResult& result);

  std::shared_ptr<BrowserModel> model_;
  std::function<void()> onDismiss_;
  std::function<void()> onSaved_;

  TimePoint dueDate_;
  QuickCapture::TodoTypeOption todoType_ = QuickCapture::TodoTypeOption::routine;
  long long selectedProcID_ = 0;
  bool submitting_ = false;
  QuickCapture::Feedback feedback_;
  std::vector<QuickCapture::ProceedingChoice> choices_;

  Gtk::Entry entry_;
  std::vector<LawSelectableChip*> chips_;
  Gtk::Button* dateButton_ = nullptr;
  Gtk::Label dateLabel_;
  Gtk::Popover* datePopover_ = nullptr;
  Gtk::Calendar* calendar_ = nullptr;
  Gtk::DropDown* picker_ = nullptr;
  Gtk::Label hint_;
  Gtk::Label footer_;
  Gtk::Button* cancel_ = nullptr;
  Gtk::Button* save_ = nullptr;
  bool syncingCalendar_ = false;
  // Ends when the view goes, so a reply arriving later touches nothing.
  TaskScope scope_;
};

// Adds the form's style sheet to the display once.
void installQuickCaptureCss();

}  // namespace quorvel
