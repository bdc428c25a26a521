#pragma once
// What a law office acts on in recognised screen text: court case numbers, courier
// waybill numbers and dates. Pure and thread-safe, so the capture's worker, the
// result window and the diagnostics share it.
#include <array>
#include <string>
#include <vector>

#include "core/Theme.h"

namespace quorvel {

struct LegalOCRSignals {
  std::string rawText;  // trimmed at both ends
  std::vector<std::string> caseNumbers;
  std::vector<std::string> trackingNumbers;
  std::vector<std::string> dates;

  bool hasSignals() const { return !caseNumbers.empty() || !trackingNumbers.empty() || !dates.empty(); }
  friend bool operator==(const LegalOCRSignals&, const LegalOCRSignals&) = default;
};

// Scans `text` for the three kinds; each item is the matched substring as it stands
// in the text (case numbers without their spaces); each list keeps the first
// appearance of an item and drops later equal ones.
LegalOCRSignals extractSignals(const std::string& text);

// All non-overlapping matches of an ICU pattern, in order, each trimmed; a pattern
// that does not compile gives none.
std::vector<std::string> regexMatches(const std::string& text, const std::string& pattern);
// The list without items equal to an earlier one, order kept.
std::vector<std::string> uniqueOrdered(const std::vector<std::string>& items);

// The recognised text with each "\n" made a space, cut to its first n user-perceived
// characters.
std::string textSnippet(const std::string& rawText, size_t n);

// The three sections of the result window, in their order.
struct OCRSignalSection {
  enum class Kind { caseNumbers, trackingNumbers, dates };
  Kind kind;
  const char* label;
  LawColor color;
  const char* button;
  const char* route;  // the page opened in the active tab; empty: a to-do instead
};
const std::array<OCRSignalSection, 3>& ocrSignalSections();
const std::vector<std::string>& sectionItems(const LegalOCRSignals& signals, OCRSignalSection::Kind kind);

// What the quick to-do field is filled with by "建待办" on an item, and by "转为待办".
std::string todoPrefillForItem(const std::string& item, const std::string& rawText);
std::string todoPrefillForText(const std::string& rawText);

}  // namespace quorvel
