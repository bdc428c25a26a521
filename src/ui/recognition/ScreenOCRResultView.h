#pragma once
// The content of the screen-recognition result window: the case numbers, waybill
// numbers and dates found as coloured chips with one follow-up each, and the whole
// recognised text with copy and to-do buttons. Fixed at 540 x 420.
#include <gtkmm/box.h>
#include <gtkmm/button.h>
#include <gtkmm/label.h>

#include <functional>
#include <string>
#include <vector>

#include "features/recognition/LegalOCRSignals.h"

namespace quorvel {

class ScreenOCRResultView : public Gtk::Box {
 public:
  static constexpr int kWidth = 540;
  static constexpr int kHeight = 420;
  static constexpr const char* kEmptyNotice = "（未识别到清晰文字，请尝试放大选区后重试）";

  explicit ScreenOCRResultView(LegalOCRSignals signals);

  // Hides the window ("关闭", Escape).
  std::function<void()> onClose;
  // A section's button on one of its items ("搜案件", "查签收", "建待办").
  std::function<void(OCRSignalSection::Kind kind, const std::string& item)> onSectionAction;
  // "复制全部文字"; the view then reads "已复制" for its lifetime.
  std::function<void()> onCopyAll;
  // "转为待办".
  std::function<void()> onTextToTodo;

  const LegalOCRSignals& signals() const { return signals_; }
  bool copied() const { return copied_; }

  // The pieces, for tests and renders.
  struct Row {
    OCRSignalSection::Kind kind;
    std::string item;
    Gtk::Label* chip = nullptr;
    Gtk::Button* button = nullptr;
  };
  const std::vector<Row>& rows() const { return rows_; }
  Gtk::Widget* signalsCard() const { return signalsCard_; }
  Gtk::Button& closeButton() { return *close_; }
  Gtk::Button& copyButton() { return *copy_; }
  Gtk::Button& todoButton() { return *todo_; }
  Gtk::Label& textBlock() { return *text_; }

 private:
  Gtk::Widget* makeSignalsCard();
  Gtk::Widget* makeTextCard();
  void copyAll();

  LegalOCRSignals signals_;
  bool copied_ = false;
  std::vector<Row> rows_;
  Gtk::Widget* signalsCard_ = nullptr;
  Gtk::Button* close_ = nullptr;
  Gtk::Button* copy_ = nullptr;
  Gtk::Button* todo_ = nullptr;
  Gtk::Label* text_ = nullptr;
};

}  // namespace quorvel
