#include "diagnostics/rules/SelfTestChecks.h"

#include <glib.h>

#include <string_view>
#include <vector>

#include "core/AppConfig.h"
#include "features/calendar/CalendarItems.h"
#include "features/calendar/CalendarSyncConfig.h"
#include "features/calendar/ICSParser.h"
#include "features/editing/EditSession.h"
#include "features/recognition/LegalOCRSignals.h"
#include "features/tracking/TrackingJudge.h"
#include "features/workspace/DeepLinkRouter.h"
#include "features/workspace/UpdateRules.h"
#include "ui/model/QuickCapture.h"

namespace quorvel::SelfTestChecks {

namespace {
using nlohmann::json;

bool startsWith(std::string_view text, std::string_view head) { return text.substr(0, head.size()) == head; }
bool endsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}
bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// The default service's host and origin, which the sample feed's events belong to.
std::string serviceOrigin() { return AppConfig::kDefaultServerURL; }
std::string serviceDomain() {
  auto url = Url::parse(AppConfig::kDefaultServerURL);
  return url ? url->host : std::string("quorvel.cn");
}

bool firstEventAsSampled(const ICSEvent& e) {
  return e.kind() == ICSEvent::Kind::hearing && e.logID() == 882 && e.proceedingID() == 101 &&
         e.deepLinkURL() == std::optional<std::string>("quorvel://proceeding/101") &&
         contains(e.location, "朝阳区人民法院") && e.alarmOffsets == std::vector<double>{-86400.0};
}

bool secondEventAsSampled(const ICSEvent& e) {
  return e.kind() == ICSEvent::Kind::deadline && e.isAllDay && e.logID() == 991;
}

bool foldsBusyDay(const ICSEvent& hearing, TimePoint now) {
  std::vector<ICSEvent> input{hearing};
  for (int i = 1; i <= 5; ++i) {
    ICSEvent d;
    d.uid = "deadline-" + std::to_string(1000 + i) + "@" + serviceDomain();
    d.summary = "【法定期限】案件" + std::to_string(i) + "提交证据";
    d.description = "测试";
    d.urlString = serviceOrigin() + "/m/proc/" + std::to_string(i);
    d.startDate = now;
    d.endDate = now;
    d.isAllDay = true;
    input.push_back(d);
  }
  CalendarSyncConfig config;
  config.enabled = false;
  config.syncReminders = true;
  config.twoWayWriteBack = true;
  config.foldBusyDeadlines = true;
  config.hearingsOnlyInCalendar = false;
  config.includeRoutinesInCalendar = false;
  config.intervalMinutes = 3;
  auto out = CalendarItems::prepare(input, config);
  bool hearingKept = false, digest = false;
  for (const auto& e : out) {
    hearingKept = hearingKept || e.kind() == ICSEvent::Kind::hearing;
    digest = digest || (contains(e.summary, "5项") && e.urlString == "quorvel://todo");
  }
  return out.size() == 2 && hearingKept && digest;
}

std::vector<std::string> listValue(GKeyFile* file, const char* key) {
  std::vector<std::string> out;
  gsize n = 0;
  gchar** items = g_key_file_get_string_list(file, G_KEY_FILE_DESKTOP_GROUP, key, &n, nullptr);
  for (gsize i = 0; items && i < n; ++i)
    if (items[i][0]) out.emplace_back(items[i]);
  g_strfreev(items);
  return out;
}

bool hasText(GKeyFile* file, const char* key) {
  gchar* value = g_key_file_get_locale_string(file, G_KEY_FILE_DESKTOP_GROUP, key, nullptr, nullptr);
  bool present = value && *value;
  g_free(value);
  return present;
}
}  // namespace

std::string sampleFeed() {
  const std::string domain = serviceDomain(), origin = serviceOrigin();
  const std::vector<std::string> lines = {
      "BEGIN:VCALENDAR",
      "VERSION:2.0",
      "BEGIN:VEVENT",
      "UID:hearing-882@" + domain,
      "DTSTART:20261205T093000",
      "DTEND:20261205T113000",
      "SUMMARY:【开庭】华盛科技一审",
      "LOCATION:北京市朝阳区人民法院第12法庭",
      "URL:" + origin + "/proceeding/101",
      "DESCRIPTION:合同：2026-018\\n开庭时间以传票为准",
      "BEGIN:VALARM",
      "ACTION:DISPLAY",
      "TRIGGER:-P1D",
      "END:VALARM",
      "END:VEVENT",
      "BEGIN:VEVENT",
      "UID:deadline-991@" + domain,
      "DTSTART;VALUE=DATE:20261208",
      "DTEND;VALUE=DATE:20261209",
      "SUMMARY:【法定期限】提交质证意见",
      "URL:" + origin + "/proceeding/101",
      "END:VEVENT",
      "END:VCALENDAR",
  };
  std::string feed;
  for (const auto& line : lines) feed += (feed.empty() ? "" : "\n") + line;
  return feed;
}

Outcome userAgent(const std::string& agent) {
  bool ok = contains(agent, std::string("Quorvel/") + AppConfig::kVersion);
  return {{{"ok", ok}, {"value", agent}}, ok};
}

Outcome suffixed(TimePoint now) {
  const std::string owner = kOwner;
  std::string withExt = EditSession::suffixed("a/b/起诉状.docx", owner, now);
  std::string noExt = EditSession::suffixed("a/b/README", owner, now);
  bool ok = startsWith(withExt, "a/b/起诉状__本地-" + owner + "-") && endsWith(withExt, ".docx") &&
            startsWith(noExt, "a/b/README__本地-" + owner + "-") && !endsWith(noExt, ".");
  return {{{"ok", ok}, {"withExt", withExt}, {"noExt", noExt}}, ok};
}

Outcome trackingJudge() {
  const std::string text = std::string("2026年11月23日 下午2:15 快件已签收，签收人：") + kSigner + "，感谢使用顺丰";
  json judged = TrackingJudge::judge(text, "");
  auto signer = TrackingJudge::signPerson(text);
  std::string status = judged.contains("status") && judged["status"].is_string() ? judged["status"].get<std::string>() : "";
  std::string msg = judged.contains("msg") && judged["msg"].is_string() ? judged["msg"].get<std::string>() : "";
  bool ok = status == "ok" && signer == std::optional<std::string>(kSigner);
  return {{{"ok", ok}, {"status", status}, {"signPerson", signer.value_or("")}, {"msg", msg}}, ok};
}

Outcome updateCompare() {
  bool ok = UpdateRules::isNewer("2.2.1", "2.2.0") && !UpdateRules::isNewer("2.2.0", "2.2.0") &&
            !UpdateRules::isNewer("2.1.0", "2.2.0");
  return {{{"ok", ok}}, ok};
}

Outcome icsParser(const std::string& feed, TimePoint now) {
  auto events = ICSParser::parse(feed);
  bool icsOK = events.size() == 2 && firstEventAsSampled(events[0]) && secondEventAsSampled(events[1]);
  bool foldOK = !events.empty() && foldsBusyDay(events[0], now);
  bool ok = icsOK && foldOK;
  return {{{"ok", ok}, {"count", static_cast<int>(events.size())}, {"foldOK", foldOK}}, ok};
}

Outcome deepLink(const Url& home) {
  using Target = DeepLinkRouter::Target;
  const std::pair<const char*, Target> expected[] = {
      {"quorvel://proceeding/101", Target::page("/proceeding/101", "程序 101")},
      {"quorvel://contract/18", Target::page("/contract_detail/18", "合同 18")},
      {"quorvel://todo", Target::todo()},
      {"quorvel://path?p=/calendar", Target::page("/calendar")},
  };
  bool ok = true;
  for (const auto& [link, target] : expected) {
    if (DeepLinkRouter::resolve(link, home) != std::optional<Target>(target)) {
      ok = false;
      break;
    }
  }
  return {{{"ok", ok}}, ok};
}

Outcome screenOCRSignals() {
  const std::string text =
      std::string("案号：（2026）京01民初1234号，开庭时间 2026年12月5日 09:30，顺丰单号 ") + kWaybill;
  auto found = extractSignals(text);
  bool ok = !found.caseNumbers.empty() && found.caseNumbers.front() == "（2026）京01民初1234号" &&
            !found.trackingNumbers.empty() && found.trackingNumbers.front() == kWaybill && !found.dates.empty() &&
            contains(found.dates.front(), "2026年12月5日");
  return {{{"ok", ok}, {"cases", found.caseNumbers}, {"tracks", found.trackingNumbers}, {"dates", found.dates}}, ok};
}

Outcome quickCaptureDate(TimePoint now) {
  bool ok = true;
  for (const char* phrase : {"明天交答辩状", "2026-12-05 开庭", "下周五前核对"}) {
    if (!QuickCapture::detectDate(phrase, now)) {
      ok = false;
      break;
    }
  }
  return {{{"ok", ok}}, ok};
}

Outcome metadataKeys(const std::optional<std::string>& desktopEntry) {
  bool scheme = false, docTypes = false, calendar = false, reminders = false;
  if (desktopEntry) {
    GKeyFile* file = g_key_file_new();
    if (g_key_file_load_from_data(file, desktopEntry->data(), desktopEntry->size(), G_KEY_FILE_NONE, nullptr)) {
      for (const auto& type : listValue(file, G_KEY_FILE_DESKTOP_KEY_MIME_TYPE)) {
        if (type == "x-scheme-handler/quorvel") scheme = true;
        else if (!startsWith(type, "x-scheme-handler/")) docTypes = true;
      }
      calendar = hasText(file, kCalendarUsageKey);
      reminders = hasText(file, kTasksUsageKey);
    }
    g_key_file_free(file);
  }
  bool ok = scheme && calendar && reminders && docTypes;
  return {{{"ok", ok}, {"scheme", scheme}, {"calendar", calendar}, {"reminders", reminders}, {"docTypes", docTypes}}, ok};
}

Outcome dragDrop(const std::optional<std::string>& hookText) {
  bool hooked = hookText.has_value();
  for (const char* part : {"ev.defaultPrevented", "dispatchDropZone", "inboxPanel", "}, false);"})
    hooked = hooked && hookText->find(part) != std::string::npos;
  return {hooked ? "ok" : "fail", hooked};
}

Outcome bridgeRoundTrip(const std::optional<std::string>& reply, const std::string& error) {
  Outcome outcome = bridge(reply, error);
  auto answered = outcome.value.find("roundTrip");
  outcome.passed = outcome.passed && answered != outcome.value.end() && answered->is_boolean() && answered->get<bool>();
  return outcome;
}

Outcome bridge(const std::optional<std::string>& reply, const std::string& error) {
  json answer = reply ? json::parse(*reply, nullptr, false) : json(json::value_t::discarded);
  if (answer.is_discarded() || !answer.is_object())
    return {{{"ok", false}, {"error", error.empty() ? "eval failed" : error}}, false};
  auto isTrue = [&answer](const char* key) {
    auto it = answer.find(key);
    return it != answer.end() && it->is_boolean() && it->get<bool>();
  };
  bool ok = isTrue("hasBridge") && isTrue("hasBridgeHandler") && isTrue("hasActionHandler") &&
            isTrue("hasNavHandler") && isTrue("hasDragDropHook");
  return {answer, ok};
}

}  // namespace quorvel::SelfTestChecks
