// The report every diagnostic mode writes (pass rule, failure list, closing keys, the
// text) and the self-check's checks over their samples and over damaged ones.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <sstream>

#include "diagnostics/rules/DiagnosticReport.h"
#include "diagnostics/rules/SelfTestChecks.h"

using namespace quorvel;
using nlohmann::json;

namespace {
std::string desktopEntryFile() {
  std::ifstream in(std::string(QUORVEL_SOURCE_DIR) + "/resources/cn.quorvel.client.desktop");
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string replaced(std::string text, const std::string& from, const std::string& to) {
  auto at = text.find(from);
  EXPECT_NE(at, std::string::npos) << from;
  if (at != std::string::npos) text.replace(at, from.size(), to);
  return text;
}

const auto kNow = std::chrono::system_clock::time_point(std::chrono::seconds(1796000000));
}  // namespace

TEST(DiagnosticReport, OnlyABooleanTrueOkPasses) {
  EXPECT_TRUE(DiagnosticReport::passed({{"ok", true}, {"x", 1}}));
  for (const json& bad : {json{{"ok", false}}, json{{"ok", 1}}, json{{"ok", "true"}}, json{{"value", true}},
                          json(true), json::array({true}), json()})
    EXPECT_FALSE(DiagnosticReport::passed(bad)) << bad.dump();
}

TEST(DiagnosticReport, FailuresKeepTheirOrderOnceEachAndCloseTheReport) {
  DiagnosticReport::Failures failures;
  EXPECT_TRUE(failures.record("a", {{"ok", true}}));
  EXPECT_FALSE(failures.record("b", {{"ok", 1}}));
  failures.add("c");
  failures.add("b");
  EXPECT_EQ(failures.names(), (std::vector<std::string>{"b", "c"}));
  EXPECT_EQ(failures.joined(), "b,c");

  json report = {{"version", "2.2.0"}};
  DiagnosticReport::finish(report, failures);
  EXPECT_EQ(report["result"], "fail");
  EXPECT_EQ(report["failures"], json::array({"b", "c"}));
  json clean;
  DiagnosticReport::finish(clean, DiagnosticReport::Failures{});
  EXPECT_EQ(clean["result"], "ok");
  EXPECT_EQ(clean["failures"], json::array());
}

TEST(DiagnosticReport, TextIsPrettyWithSortedKeysAndTimesAreUtcSeconds) {
  json report = {{"zeta", 1}, {"alpha", {{"b", 2}, {"a", 1}}}, {"名称", "墨衡台"}, {"bad", std::string("\xff")}};
  std::string text = DiagnosticReport::text(report);
  EXPECT_LT(text.find("\"alpha\""), text.find("\"zeta\""));
  EXPECT_LT(text.find("\"a\""), text.find("\"b\""));
  EXPECT_NE(text.find("\n  \"alpha\": {\n    \"a\": 1"), std::string::npos) << text;
  EXPECT_NE(text.find("墨衡台"), std::string::npos);  // not escaped
  EXPECT_EQ(text.back(), '\n');
  EXPECT_EQ(DiagnosticReport::isoTimestamp(std::chrono::system_clock::time_point(std::chrono::seconds(1796712600)) +
                                           std::chrono::milliseconds(900)),
            "2026-12-08T06:50:00Z");
}

TEST(SelfTestChecks, EveryRuleCheckPassesOnItsSample) {
  EXPECT_TRUE(SelfTestChecks::userAgent("Mozilla/5.0 Quorvel/2.2.0 (Workstation; host)").passed);
  auto suffixed = SelfTestChecks::suffixed(kNow);
  EXPECT_TRUE(suffixed.passed) << suffixed.value.dump();
  auto judged = SelfTestChecks::trackingJudge();
  EXPECT_TRUE(judged.passed) << judged.value.dump();
  EXPECT_EQ(judged.value["signPerson"], SelfTestChecks::kSigner);
  EXPECT_EQ(judged.value["status"], "ok");
  EXPECT_TRUE(SelfTestChecks::updateCompare().passed);
  auto feed = SelfTestChecks::icsParser(SelfTestChecks::sampleFeed(), kNow);
  EXPECT_EQ(feed.value, (json{{"ok", true}, {"count", 2}, {"foldOK", true}}));
  EXPECT_TRUE(SelfTestChecks::deepLink(*Url::parse("http://127.0.0.1:8080")).passed);
  auto signals = SelfTestChecks::screenOCRSignals();
  EXPECT_TRUE(signals.passed) << signals.value.dump();
  EXPECT_EQ(signals.value["tracks"][0], SelfTestChecks::kWaybill);
  EXPECT_TRUE(SelfTestChecks::quickCaptureDate(kNow).passed);
  auto metadata = SelfTestChecks::metadataKeys(desktopEntryFile());
  EXPECT_TRUE(metadata.passed) << metadata.value.dump();
}

TEST(SelfTestChecks, ADamagedSampleFailsItsOwnCheckOnly) {
  EXPECT_FALSE(SelfTestChecks::userAgent("Mozilla/5.0 Quorvel/2.1.9").passed);

  // The first event names another court: the parse part fails, the fold part still
  // passes, and the count is that of the events parsed.
  auto feed = replaced(SelfTestChecks::sampleFeed(), "朝阳区人民法院", "海淀区人民法院");
  EXPECT_EQ(SelfTestChecks::icsParser(feed, kNow).value, (json{{"ok", false}, {"count", 2}, {"foldOK", true}}));
  auto noAlarm = replaced(SelfTestChecks::sampleFeed(), "TRIGGER:-P1D", "TRIGGER:-PT1H");
  EXPECT_FALSE(SelfTestChecks::icsParser(noAlarm, kNow).passed);
  // A feed without events fails both parts.
  EXPECT_EQ(SelfTestChecks::icsParser("BEGIN:VCALENDAR\nEND:VCALENDAR", kNow).value,
            (json{{"ok", false}, {"count", 0}, {"foldOK", false}}));
}

TEST(SelfTestChecks, MetadataNeedsTheSchemeADocumentTypeAndBothUsageTexts) {
  const std::string entry = desktopEntryFile();
  auto noScheme = SelfTestChecks::metadataKeys(replaced(entry, "x-scheme-handler/quorvel;", ""));
  EXPECT_FALSE(noScheme.passed);
  EXPECT_EQ(noScheme.value["scheme"], false);
  EXPECT_EQ(noScheme.value["docTypes"], true);
  auto onlyScheme = SelfTestChecks::metadataKeys(
      "[Desktop Entry]\nType=Application\nName=x\nMimeType=x-scheme-handler/quorvel;x-scheme-handler/other;\n"
      "X-Quorvel-Calendar-Usage=a\nX-Quorvel-Tasks-Usage=b\n");
  EXPECT_EQ(onlyScheme.value, (json{{"ok", false}, {"scheme", true}, {"calendar", true}, {"reminders", true},
                                   {"docTypes", false}}));
  auto noTasks = SelfTestChecks::metadataKeys(replaced(entry, "X-Quorvel-Tasks-Usage=", "X-Other="));
  EXPECT_EQ(noTasks.value["reminders"], false);
  EXPECT_EQ(noTasks.value["calendar"], true);
  for (const auto& none : {std::optional<std::string>(), std::optional<std::string>("not a key file [")}) {
    auto missing = SelfTestChecks::metadataKeys(none);
    EXPECT_EQ(missing.value, (json{{"ok", false}, {"scheme", false}, {"calendar", false}, {"reminders", false},
                                  {"docTypes", false}}));
  }
}

TEST(SelfTestChecks, TheBridgeAnswerIsKeptAsItCameAndEveryFlagMustBeTrue) {
  const json good = {{"hasBridge", true}, {"hasBridgeHandler", true}, {"hasActionHandler", true},
                     {"hasNavHandler", true}, {"hasDragDropHook", true}};
  auto pass = SelfTestChecks::bridge(good.dump(), "");
  EXPECT_TRUE(pass.passed);
  EXPECT_EQ(pass.value, good);

  json noHook = good;
  noHook["hasDragDropHook"] = false;
  auto hookless = SelfTestChecks::bridge(noHook.dump(), "");
  EXPECT_FALSE(hookless.passed);
  EXPECT_EQ(hookless.value, noHook);
  json missing = good;
  missing.erase("hasNavHandler");
  EXPECT_FALSE(SelfTestChecks::bridge(missing.dump(), "").passed);
  json numeric = good;
  numeric["hasDragDropHook"] = 1;
  EXPECT_FALSE(SelfTestChecks::bridge(numeric.dump(), "").passed);

  EXPECT_EQ(SelfTestChecks::bridge(std::nullopt, "").value, (json{{"ok", false}, {"error", "eval failed"}}));
  EXPECT_EQ(SelfTestChecks::bridge(std::nullopt, "ReferenceError: x").value,
            (json{{"ok", false}, {"error", "ReferenceError: x"}}));
  EXPECT_FALSE(SelfTestChecks::bridge("[1,2]", "").passed);
  EXPECT_FALSE(SelfTestChecks::bridge("not json", "").passed);
}

// The bridge passes only when the page's question came back answered, on top of the
// handlers and hooks; an answer that never came is kept as the page reported it.
TEST(SelfTestChecks, TheBridgeNeedsItsRoundTripAndTheDragHookIsJudgedOnThePagesText) {
  const json answered = {{"hasBridge", true},      {"hasBridgeHandler", true}, {"hasActionHandler", true},
                         {"hasNavHandler", true},  {"hasDragDropHook", true},  {"roundTrip", true},
                         {"bridgeReply", R"({"msg":"本地识别已就绪（无需 API Key）","ok":true})"}};
  auto pass = SelfTestChecks::bridgeRoundTrip(answered.dump(), "");
  EXPECT_TRUE(pass.passed);
  EXPECT_EQ(pass.value, answered);

  json silent = answered;
  silent["roundTrip"] = false;
  silent["bridgeReply"] = "timeout";
  auto unanswered = SelfTestChecks::bridgeRoundTrip(silent.dump(), "");
  EXPECT_FALSE(unanswered.passed);
  EXPECT_EQ(unanswered.value, silent);
  json noFlag = answered;
  noFlag.erase("roundTrip");
  EXPECT_FALSE(SelfTestChecks::bridgeRoundTrip(noFlag.dump(), "").passed);
  json textFlag = answered;
  textFlag["roundTrip"] = "true";
  EXPECT_FALSE(SelfTestChecks::bridgeRoundTrip(textFlag.dump(), "").passed);
  // Answered, but a handler is missing.
  json noNav = answered;
  noNav["hasNavHandler"] = false;
  EXPECT_FALSE(SelfTestChecks::bridgeRoundTrip(noNav.dump(), "").passed);
  EXPECT_EQ(SelfTestChecks::bridgeRoundTrip(std::nullopt, "页面无答复").value,
            (json{{"ok", false}, {"error", "页面无答复"}}));

  const std::string hook =
      "function() { document.addEventListener('drop', function(ev) { if (ev.defaultPrevented) return; "
      "var ids = ['dispatchDropZone', 'inboxPanel']; }, false); }";
  auto hooked = SelfTestChecks::dragDrop(hook);
  EXPECT_TRUE(hooked.passed);
  EXPECT_EQ(hooked.value, "ok");
  auto none = SelfTestChecks::dragDrop(std::nullopt);
  EXPECT_FALSE(none.passed);
  EXPECT_EQ(none.value, "fail");
  std::string withoutZone = hook;
  withoutZone.erase(withoutZone.find("'inboxPanel'"), 12);
  EXPECT_EQ(SelfTestChecks::dragDrop(withoutZone).value, "fail");
}
