#include "features/recognition/LegalOCRSignals.h"

#include <unicode/brkiter.h>
#include <unicode/regex.h>
#include <unicode/unistr.h>

#include <memory>
#include <mutex>
#include <unordered_set>

#include "base/Text.h"

namespace quorvel {

namespace {

// The lazy {2,22}? stops at the first "号": the greedy form ran on into a following
// clause ("…23817号张三诉李四案号").
constexpr const char* kCasePattern = R"([（(]\s*20\d{2}\s*[）)]\s*[\u4e00-\u9fa5A-Za-z0-9 ]{2,22}?号)";
constexpr const char* kTrackingPattern =
    R"(\b(?:SF\d{12,15}|JD[A-Z0-9]{11,15}|YT\d{13}|ZT\d{12,14}|7\d{13}|4\d{12,13})\b)";
constexpr const char* kDatePattern = R"(20\d{2}[年\-/.]\d{1,2}[月\-/.]\d{1,2}日?(?:\s*\d{1,2}:\d{2})?)";

// Compiled once; ICU patterns may be shared between threads, matchers may not.
const icu::RegexPattern* compiled(const std::string& pattern) {
  static std::mutex mutex;
  static std::vector<std::pair<std::string, std::unique_ptr<icu::RegexPattern>>> cache;
  std::lock_guard lock(mutex);
  for (auto& [text, p] : cache)
    if (text == pattern) return p.get();
  UErrorCode status = U_ZERO_ERROR;
  UParseError parseError;
  std::unique_ptr<icu::RegexPattern> p(
      icu::RegexPattern::compile(icu::UnicodeString::fromUTF8(pattern), 0, parseError, status));
  if (U_FAILURE(status)) p.reset();
  cache.emplace_back(pattern, std::move(p));
  return cache.back().second.get();
}

std::string withoutSpaces(std::string s) {
  std::erase(s, ' ');
  return s;
}

}  // namespace

std::vector<std::string> regexMatches(const std::string& text, const std::string& pattern) {
  std::vector<std::string> found;
  const icu::RegexPattern* p = compiled(pattern);
  if (!p) return found;
  UErrorCode status = U_ZERO_ERROR;
  icu::UnicodeString input = icu::UnicodeString::fromUTF8(text);
  std::unique_ptr<icu::RegexMatcher> m(p->matcher(input, status));
  if (U_FAILURE(status)) return found;
  while (m->find(status) && U_SUCCESS(status)) {
    std::string item;
    m->group(status).toUTF8String(item);
    if (U_FAILURE(status)) break;
    found.push_back(trimmed(item));
  }
  return found;
}

std::vector<std::string> uniqueOrdered(const std::vector<std::string>& items) {
  std::vector<std::string> out;
  std::unordered_set<std::string> seen;
  for (const auto& item : items)
    if (seen.insert(item).second) out.push_back(item);
  return out;
}

LegalOCRSignals extractSignals(const std::string& text) {
  LegalOCRSignals signals;
  signals.rawText = trimmed(text);
  // The matches are the recognised text's own: nothing is rewritten before matching.
  std::vector<std::string> cases;
  for (auto& m : regexMatches(text, kCasePattern)) cases.push_back(withoutSpaces(std::move(m)));
  signals.caseNumbers = uniqueOrdered(cases);
  signals.trackingNumbers = uniqueOrdered(regexMatches(text, kTrackingPattern));
  signals.dates = uniqueOrdered(regexMatches(text, kDatePattern));
  return signals;
}

std::string textSnippet(const std::string& rawText, size_t n) {
  std::string flat = rawText;
  for (auto& c : flat)
    if (c == '\n') c = ' ';
  icu::UnicodeString u = icu::UnicodeString::fromUTF8(flat);
  UErrorCode status = U_ZERO_ERROR;
  std::unique_ptr<icu::BreakIterator> it(icu::BreakIterator::createCharacterInstance(icu::Locale::getRoot(), status));
  if (U_FAILURE(status)) return flat;
  it->setText(u);
  int32_t end = it->first();
  for (size_t i = 0; i < n; ++i) {
    int32_t next = it->next();
    if (next == icu::BreakIterator::DONE) break;
    end = next;
  }
  std::string out;
  u.tempSubString(0, end).toUTF8String(out);
  return out;
}

const std::array<OCRSignalSection, 3>& ocrSignalSections() {
  static const std::array<OCRSignalSection, 3> sections = {{
      {OCRSignalSection::Kind::caseNumbers, "法院案号", LawTheme::primary, "搜案件", "/cases"},
      {OCRSignalSection::Kind::trackingNumbers, "快递单号", LawTheme::success, "查签收", "/logistics"},
      {OCRSignalSection::Kind::dates, "日期时间", LawTheme::warning, "建待办", ""},
  }};
  return sections;
}

const std::vector<std::string>& sectionItems(const LegalOCRSignals& signals, OCRSignalSection::Kind kind) {
  switch (kind) {
    case OCRSignalSection::Kind::caseNumbers: return signals.caseNumbers;
    case OCRSignalSection::Kind::trackingNumbers: return signals.trackingNumbers;
    case OCRSignalSection::Kind::dates: break;
  }
  return signals.dates;
}

std::string todoPrefillForItem(const std::string& item, const std::string& rawText) {
  return item + " " + textSnippet(rawText, 40);
}

std::string todoPrefillForText(const std::string& rawText) { return textSnippet(rawText, 60); }

}  // namespace quorvel
