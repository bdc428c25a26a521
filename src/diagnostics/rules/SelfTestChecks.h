#pragma once
// The self-check's checks of the client's own rules, each over its built-in sample
// input: what it feeds the component, what it writes into the report and whether it
// passed. Free of GTK and WebKit; the checks of windows and pages are in SelfTest.
#include <nlohmann/json.hpp>

#include <chrono>
#include <optional>
#include <string>

#include "base/Url.h"
#include "diagnostics/rules/DiagnosticSamples.h"

namespace quorvel::SelfTestChecks {

using TimePoint = std::chrono::system_clock::time_point;

// One check's report entry and whether it passed.
struct Outcome {
  nlohmann::json value;
  bool passed = false;
};

// The sample inputs (fixed texts of the self-check).
inline constexpr const char* kOwner = "张伟";
inline constexpr const char* kSigner = "王律师";
inline constexpr const char* kWaybill = DiagnosticSamples::kWaybillNumber;
// The sample feed: two events of the default service's domain.
std::string sampleFeed();

// 1: the user agent names the client and its version.
Outcome userAgent(const std::string& agent);
// 3: the conflict-copy names of a file with and without an extension.
Outcome suffixed(TimePoint now);
// 4: a delivered parcel's page text is judged "ok" and its signer found.
Outcome trackingJudge();
// 5: the version comparison.
Outcome updateCompare();
// 6: the feed parsed (two events as the sample says) and a busy deadline day folded.
Outcome icsParser(const std::string& feed, TimePoint now);
// 7: the four application links.
Outcome deepLink(const Url& home);
// 8: case number, waybill number and date found in a screen text.
Outcome screenOCRSignals();
// 9: a date found in each of three to-do phrases.
Outcome quickCaptureDate(TimePoint now);
// 10: the application's metadata, the text of its desktop entry: the "quorvel" link
// scheme and document types among its MIME types, and the calendar and task usage
// texts. Nothing: no entry could be read.
Outcome metadataKeys(const std::optional<std::string>& desktopEntry);
// 13: the drag-and-drop hook's text as the page holds it; nothing: the page holds none.
// The value is the text "ok" or "fail".
Outcome dragDrop(const std::optional<std::string>& hookText);
// 14: the page's answer to the bridge probe (`reply` its text when it answered one,
// `error` the evaluation's error otherwise).
Outcome bridge(const std::optional<std::string>& reply, const std::string& error);
// 14 as the self-check judges it: `bridge`, and the page's own question through the
// bridge came back answered ("roundTrip" true).
Outcome bridgeRoundTrip(const std::optional<std::string>& reply, const std::string& error);
// How long the page waits for the bridge's answer.
inline constexpr unsigned kBridgeReplyMs = 3000;

// The keys of the usage texts in the desktop entry.
inline constexpr const char* kCalendarUsageKey = "X-Quorvel-Calendar-Usage";
inline constexpr const char* kTasksUsageKey = "X-Quorvel-Tasks-Usage";

}  // namespace quorvel::SelfTestChecks
