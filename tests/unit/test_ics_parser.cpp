#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "FeedChecks.h"
#include "TestHelpers.h"
#include "TestServiceCalendar.h"
#include "features/calendar/ICSParser.h"

namespace quorvel {
namespace {

using std::chrono::seconds;
using test::ScopedTimeZone;
using Date = ICSEvent::Date;

// Seconds since 1970 of a wall time at a fixed offset east of UTC.
long long epoch(int y, int mo, int d, int h, int mi, int s, int offsetHours) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = mo - 1;
  tm.tm_mday = d;
  tm.tm_hour = h;
  tm.tm_min = mi;
  tm.tm_sec = s;
  return static_cast<long long>(timegm(&tm)) - offsetHours * 3600LL;
}
long long secs(Date d) { return std::chrono::duration_cast<seconds>(d.time_since_epoch()).count(); }

std::string event(const std::string& body) { return "BEGIN:VEVENT\n" + body + "END:VEVENT\n"; }

// A zone other than UTC+8, so "local" and "Asia/Shanghai" cannot be confused.
class ICSParserTest : public ::testing::Test {
  ScopedTimeZone tz_{"America/New_York"};
};

TEST_F(ICSParserTest, LineBreaksAndUnfolding) {
  std::string lf = "BEGIN:VEVENT\nUID:hearing-1\nDTSTART:20260318T090000\nSUMMARY:开庭\nEND:VEVENT\n";
  auto crlf = lf, cr = lf;
  for (auto* s : {&crlf, &cr}) {
    std::string out;
    for (char c : *s) out += c == '\n' ? (s == &crlf ? "\r\n" : "\r") : std::string(1, c);
    *s = out;
  }
  auto a = ICSParser::parse(lf), b = ICSParser::parse(crlf), c = ICSParser::parse(cr);
  ASSERT_EQ(a.size(), 1u);
  EXPECT_EQ(a, b);
  EXPECT_EQ(a, c);

  // Three-line description: one leading space removed per continuation; a second space stays.
  auto folded = ICSParser::parse(event("UID:x\nDTSTART:20260318T090000\nDESCRIPTION:第一行\n 第二行\n  第三行\n"));
  ASSERT_EQ(folded.size(), 1u);
  EXPECT_EQ(folded[0].description, "第一行第二行 第三行");
  // A tab continues too; a continuation of the UID line extends the UID.
  auto tab = ICSParser::parse(event("UID:hearing-\n\t12\nDTSTART:20260318T090000\n"));
  ASSERT_EQ(tab.size(), 1u);
  EXPECT_EQ(tab[0].uid, "hearing-12");
  // A continuation with nothing before it is a line of its own.
  auto lead = ICSParser::parse(" BEGIN:VEVENT\n" + event("UID:a\nDTSTART:20260318\n"));
  EXPECT_EQ(lead.size(), 1u);
}

TEST_F(ICSParserTest, BlockMarkersAreExactAndPropertyNamesAreCaseInsensitive) {
  EXPECT_TRUE(ICSParser::parse("begin:vevent\nUID:a\nDTSTART:20260318\nEND:VEVENT\n").empty());
  EXPECT_TRUE(ICSParser::parse("BEGIN:VEVENT \nUID:a\nDTSTART:20260318\nEND:VEVENT\n").empty());
  auto lower = ICSParser::parse(event("uid:a\nsummary:Text\ndtstart:20260318T090000\n"));
  ASSERT_EQ(lower.size(), 1u);
  EXPECT_EQ(lower[0].summary, "Text");
  // An event never closed is lost when the next one begins; one without UID is dropped.
  auto lost = ICSParser::parse("BEGIN:VEVENT\nUID:lost\nDTSTART:20260318\n" +
                               event("UID:kept\nDTSTART:20260319\n") + event("SUMMARY:无 UID\nDTSTART:20260320\n"));
  ASSERT_EQ(lost.size(), 1u);
  EXPECT_EQ(lost[0].uid, "kept");
  // Properties outside an event are ignored; a repeated property keeps its last value.
  auto last = ICSParser::parse("SUMMARY:outside\n" + event("UID:a\nSUMMARY:一\nSUMMARY:二\nDTSTART:20260318\n"));
  ASSERT_EQ(last.size(), 1u);
  EXPECT_EQ(last[0].summary, "二");
}

TEST_F(ICSParserTest, PropertyAndParameterSplittingOutsideQuotes) {
  auto evs = ICSParser::parse(event(
      "UID:a\nDTSTART;TZID=\"GMT+08:00\":20260318T090000\nDESCRIPTION;ALTREP=\"cid:x\":正文\n"
      "LOCATION;LANGUAGE=zh;X-NOTE=\"a;b:c\":第三法庭\n"));
  ASSERT_EQ(evs.size(), 1u);
  EXPECT_EQ(secs(evs[0].startDate), epoch(2026, 3, 18, 9, 0, 0, 8));
  EXPECT_EQ(evs[0].description, "正文");
  EXPECT_EQ(evs[0].location, "第三法庭");
  // Value keeps everything after the first colon, colons included.
  auto url = ICSParser::parse(event("UID:a\nDTSTART:20260318\nURL:https://h/x?a=1:2\n"));
  EXPECT_EQ(url[0].urlString, "https://h/x?a=1:2");
  // A quote that never closes: the first colon splits, as for an unquoted line.
  auto open = ICSParser::parse(event("UID:a\nDTSTART:20260318\nSUMMARY;X=\"oops:标题\n"));
  EXPECT_EQ(open[0].summary, "标题");
  // Lines without a colon, and empty name parts, are ignored.
  auto junk = ICSParser::parse(event("UID:a\nDTSTART:20260318\nNOCOLON\n;;:x\n:y\n"));
  ASSERT_EQ(junk.size(), 1u);
}

TEST_F(ICSParserTest, DatesInAllTheirFormsAndZones) {
  // Floating and TZID-qualified times are UTC+8 wall-clock times, whatever the TZID.
  EXPECT_EQ(secs(*ICSParser::parseDate("20260318T090000", false)), epoch(2026, 3, 18, 9, 0, 0, 8));
  auto paris = ICSParser::parse(event("UID:a\nDTSTART;TZID=Europe/Paris:20260318T090000\n"));
  EXPECT_EQ(secs(paris[0].startDate), epoch(2026, 3, 18, 9, 0, 0, 8));
  // UTC: 01:00Z is 09:00 in UTC+8.
  EXPECT_EQ(secs(*ICSParser::parseDate("20260318T010000Z", false)), epoch(2026, 3, 18, 9, 0, 0, 8));
  // All-day: midnight of the local zone (New York is UTC-4 on 18 March 2026).
  EXPECT_EQ(secs(*ICSParser::parseDate("20260318", false)), epoch(2026, 3, 18, 0, 0, 0, -4));
  EXPECT_EQ(secs(*ICSParser::parseDate("20260318T153000", true)), epoch(2026, 3, 18, 0, 0, 0, -4));
  EXPECT_EQ(secs(*ICSParser::parseDate(" \t20260318\u3000", false)), epoch(2026, 3, 18, 0, 0, 0, -4));
  // The whole text must match.
  for (const char* bad : {"", "   ", "2026031", "20261301", "20260230", "20260318T250000", "20260318T0900",
                          "20260318T090000z", "20260318X090000", "20260318T090000+0800", "abcdefgh"})
    EXPECT_FALSE(ICSParser::parseDate(bad, false)) << bad;
  EXPECT_TRUE(ICSParser::parseDate("20240229", false));
  // The clock's range ends in 1677 and 2262: beyond it a date is no date.
  for (const char* far : {"99991231", "99991231T120000", "99991231T120000Z", "16000101", "00010101T000000Z"})
    EXPECT_FALSE(ICSParser::parseDate(far, false)) << far;
  EXPECT_TRUE(ICSParser::parseDate("22620101T000000Z", false));
  EXPECT_TRUE(ICSParser::parseDate("16780101T000000", false));
}

TEST_F(ICSParserTest, AllDayDetection) {
  auto evs = ICSParser::parse(event("UID:a\nDTSTART;VALUE=DATE:20260318\nDTEND;VALUE=DATE:20260319\n") +
                              event("UID:b\nDTSTART:20260318\n") +
                              event("UID:c\nDTSTART;value=date:20260318T100000\n"));
  ASSERT_EQ(evs.size(), 3u);
  EXPECT_TRUE(evs[0].isAllDay);
  EXPECT_EQ(secs(evs[0].startDate), epoch(2026, 3, 18, 0, 0, 0, -4));
  EXPECT_EQ(secs(evs[0].endDate), epoch(2026, 3, 18, 23, 59, 59, -4));
  EXPECT_TRUE(evs[1].isAllDay);  // eight characters
  EXPECT_EQ(evs[1].startDate, evs[1].endDate);
  EXPECT_TRUE(evs[2].isAllDay);  // the parameter, even on a date-time value
  EXPECT_EQ(secs(evs[2].startDate), epoch(2026, 3, 18, 0, 0, 0, -4));
  // A later timed DTSTART keeps the flag and is read as its day.
  auto twice = ICSParser::parse(event("UID:d\nDTSTART;VALUE=DATE:20260318\nDTSTART:20260319T100000\n"));
  ASSERT_EQ(twice.size(), 1u);
  EXPECT_TRUE(twice[0].isAllDay);
  EXPECT_EQ(secs(twice[0].startDate), epoch(2026, 3, 19, 0, 0, 0, -4));
}

TEST_F(ICSParserTest, EndRules) {
  auto evs = ICSParser::parse(event("UID:none\nDTSTART:20260318T090000\n") +
                              event("UID:equal\nDTSTART:20260318T090000\nDTEND:20260318T090000\n") +
                              event("UID:before\nDTSTART:20260318T090000\nDTEND:20260318T080000\n") +
                              event("UID:later\nDTSTART:20260318T090000\nDTEND:20260318T103000\n") +
                              event("UID:unreadable\nDTSTART:20260318T090000\nDTEND:garbage\n") +
                              event("UID:allday-end-before\nDTSTART:20260318\nDTEND:20260318\n") +
                              event("UID:badstart\nDTSTART:2026-03-18\n"));
  ASSERT_EQ(evs.size(), 6u);
  auto start = epoch(2026, 3, 18, 9, 0, 0, 8);
  EXPECT_EQ(secs(evs[0].endDate), start + 3600);
  EXPECT_EQ(secs(evs[1].endDate), start + 900);
  EXPECT_EQ(secs(evs[2].endDate), start + 900);
  EXPECT_EQ(secs(evs[3].endDate), start + 5400);
  EXPECT_EQ(secs(evs[4].endDate), start + 3600);
  EXPECT_EQ(evs[5].endDate, evs[5].startDate);  // the end minus one second is before the start
}

TEST_F(ICSParserTest, Durations) {
  struct {
    const char* text;
    std::optional<double> want;
  } cases[] = {{"-PT15M", -900},   {"PT0S", 0},          {"-P1D", -86400},      {"-P1DT2H", -(86400 + 7200)},
               {"P1W", 7 * 86400}, {"P1M", 30 * 86400},  {"-pt30m", -1800},     {"+PT1H", 3600},
               {" PT5S ", 5},      {"PT1H30", 3600},     {"PTM", 0},            {"P2DT", 172800},
               {"20260318T090000Z", std::nullopt},       {"", std::nullopt},    {"-", std::nullopt},
               {"P1X2D", 2 * 86400}, {"PT1H2M3S", 3723}, {"P١D", 0}};
  for (const auto& c : cases) EXPECT_EQ(ICSParser::parseDuration(c.text), c.want) << c.text;
}

TEST_F(ICSParserTest, Alarms) {
  auto evs = ICSParser::parse(event(
      "UID:a\nDTSTART:20260318T090000\nDESCRIPTION:正文\n"
      "BEGIN:VALARM\nTRIGGER:-PT30M\nDESCRIPTION:提醒文字\nEND:VALARM\n"
      "BEGIN:VALARM\nTRIGGER:-P1D\nEND:VALARM\n"
      "BEGIN:VALARM\nTRIGGER;RELATED=END:-PT5M\nEND:VALARM\n"
      "BEGIN:VALARM\nTRIGGER;VALUE=DATE-TIME:20260318T080000Z\nEND:VALARM\n"));
  ASSERT_EQ(evs.size(), 1u);
  EXPECT_EQ(evs[0].alarmOffsets, (std::vector<double>{-1800, -86400, -300}));
  EXPECT_EQ(evs[0].description, "正文");
}

TEST_F(ICSParserTest, TextEscapes) {
  EXPECT_EQ(ICSParser::decodeText("A\\,B\\;C\\nD\\\\E"), "A,B;C\nD\\E");
  EXPECT_EQ(ICSParser::decodeText("\\\\n"), "\\n");
  EXPECT_EQ(ICSParser::decodeText("\\N\\x\\"), "\n\\x\\");
  auto evs = ICSParser::parse(event("UID: a \nDTSTART:20260318\nSUMMARY:A\\,B\nURL: https://h/a\\,b \n"));
  EXPECT_EQ(evs[0].uid, "a");
  EXPECT_EQ(evs[0].summary, "A,B");
  EXPECT_EQ(evs[0].urlString, "https://h/a\\,b");  // the URL is only trimmed
}

TEST_F(ICSParserTest, KindAndIdentifiers) {
  auto make = [](const std::string& uid, const std::string& url = "", const std::string& desc = "") {
    ICSEvent e;
    e.uid = uid;
    e.urlString = url;
    e.description = desc;
    return e;
  };
  EXPECT_EQ(make("hearing-123abc").kind(), ICSEvent::Kind::hearing);
  EXPECT_EQ(make("hearing-123abc").logID(), 123);
  EXPECT_EQ(make("deadline-45-2").logID(), 45);
  EXPECT_EQ(make("deadline-digest-20260318").kind(), ICSEvent::Kind::deadline);
  EXPECT_FALSE(make("deadline-digest-20260318").logID());
  EXPECT_EQ(make("routine-").kind(), ICSEvent::Kind::routine);
  EXPECT_FALSE(make("routine-").logID());
  EXPECT_EQ(make("overdue-7").kind(), ICSEvent::Kind::overdue);
  EXPECT_EQ(make("meeting-9").kind(), ICSEvent::Kind::other);
  EXPECT_FALSE(make("meeting-9").logID());
  EXPECT_EQ(make("Hearing-9").kind(), ICSEvent::Kind::other);
  EXPECT_FALSE(make("hearing-99999999999999999999").logID());  // does not fit 64 bits
  EXPECT_EQ(make("hearing-9223372036854775807").logID(), INT64_MAX);
  EXPECT_FALSE(make("hearing-١٢").logID());  // numeric, but not base-10 ASCII
  EXPECT_STREQ(kindRawValue(ICSEvent::Kind::overdue), "overdue");

  auto url = make("a", "https://h/proceeding/42/detail", "/m/proc/7");
  EXPECT_EQ(url.proceedingID(), 42);
  EXPECT_EQ(url.deepLinkURL(), "quorvel://proceeding/42");
  EXPECT_EQ(make("a", "https://h/x", "见 /m/proc/7").proceedingID(), 7);
  EXPECT_EQ(make("a", "https://h/proceeding/99999999999999999999", "/proceeding/5").proceedingID(), 5);
  EXPECT_EQ(make("a", "https://h/calendar?d=1").deepLinkURL(), "quorvel://calendar");
  EXPECT_EQ(make("a", "https://h/cases/1").deepLinkURL(), "https://h/cases/1");
  EXPECT_FALSE(make("a").deepLinkURL());
  EXPECT_FALSE(make("a", "not a url").deepLinkURL());
}

TEST_F(ICSParserTest, FingerprintStability) {
  auto evs = ICSParser::parse(event(
      "UID:hearing-1\nDTSTART:20260318T090000\nDTEND:20260318T103000\nSUMMARY:开庭\n"
      "BEGIN:VALARM\nTRIGGER:-PT30M\nEND:VALARM\n"));
  ASSERT_EQ(evs.size(), 1u);
  const ICSEvent& e = evs[0];
  auto s = epoch(2026, 3, 18, 9, 0, 0, 8);
  EXPECT_EQ(e.contentFingerprint(), "开庭||" + std::to_string(s) + "|" + std::to_string(s + 5400) + "|0|0|1");

  ICSEvent same = e;
  same.uid = "hearing-2";
  same.urlString = "https://h/proceeding/3";
  EXPECT_EQ(same.contentFingerprint(), e.contentFingerprint());
  ICSEvent a = e, b = e;
  a.description = "甲方提交";
  b.description = "乙方答辩";  // same length in characters
  EXPECT_EQ(a.contentFingerprint(), b.contentFingerprint());
  b.description = "e\u0301";  // one user-perceived character
  a.description = "x";
  EXPECT_EQ(a.contentFingerprint(), b.contentFingerprint());

  for (auto change : std::vector<std::function<void(ICSEvent&)>>{
           [](ICSEvent& x) { x.alarmOffsets.push_back(-60); }, [](ICSEvent& x) { x.isAllDay = true; },
           [](ICSEvent& x) { x.startDate += seconds(1); }, [](ICSEvent& x) { x.endDate += seconds(1); },
           [](ICSEvent& x) { x.location = "第三法庭"; }, [](ICSEvent& x) { x.summary = "开庭改期"; }}) {
    ICSEvent changed = e;
    change(changed);
    EXPECT_NE(changed.contentFingerprint(), e.contentFingerprint());
  }
  // Fractions of a second are cut toward zero.
  ICSEvent frac = e;
  frac.startDate += std::chrono::milliseconds(900);
  EXPECT_EQ(frac.contentFingerprint(), e.contentFingerprint());
}

TEST_F(ICSParserTest, DemoFeedOfTheTestService) {
  auto evs = ICSParser::parse(test::demoCalendarFeed());
  ASSERT_EQ(evs.size(), 13u);
  int sameUid = 0;
  for (const auto& e : evs) sameUid += e.uid == "deadline-6203";
  EXPECT_EQ(sameUid, 2);  // kept twice, in feed order
  auto quoted = std::find_if(evs.begin(), evs.end(), [](auto& e) { return e.uid == "hearing-5103"; });
  ASSERT_NE(quoted, evs.end());
  EXPECT_EQ(quoted->endDate - quoted->startDate, seconds(3600));
  auto folded = std::find_if(evs.begin(), evs.end(), [](auto& e) { return e.uid == "deadline-6204"; });
  ASSERT_NE(folded, evs.end());
  EXPECT_NE(folded->description.find("副本，并同步缴纳上诉费；委托人已确认上诉 意见。"), std::string::npos);
  EXPECT_EQ(evs[0].alarmOffsets, (std::vector<double>{-86400, -1800}));
  EXPECT_EQ(evs[0].description, "案号（2026）京0105民初1234号\n承办法官：王法官, 书记员：刘书记员");
}

// Random and truncated feeds: no crash, no hang, and every event keeps the invariants.
TEST_F(ICSParserTest, FuzzedFeedsNeverFailOrHang) {
  std::mt19937 rng(20260318);
  std::string base = test::demoCalendarFeed();
  const std::vector<std::string> pieces = {
      "BEGIN:VEVENT", "END:VEVENT", "BEGIN:VALARM", "END:VALARM", "UID:", "hearing-", "DTSTART:", "DTEND:",
      "DTSTART;VALUE=DATE:", "TRIGGER:", "-P", "T", "1", "9", "Z", ":", ";", "\"", "=", "\r\n", "\n", "\r", " ",
      "\t", "\\", "n", ",", "开庭", "\xff", "\xe5\xbc", "20260318", "T090000", "\u3000", "P1W"};
  auto start = std::chrono::steady_clock::now();
  size_t events = 0;
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    switch (round % 3) {
      case 0:  // a truncated feed
        text = base.substr(0, rng() % (base.size() + 1));
        break;
      case 1:  // the feed with bytes changed
        text = base;
        for (int k = 0; k < 20; ++k) text[rng() % text.size()] = static_cast<char>(rng() % 256);
        break;
      default:  // pieces in random order
        for (int k = 0; k < 200; ++k) text += pieces[rng() % pieces.size()];
    }
    std::vector<ICSEvent> parsed;
    ASSERT_EQ(fuzz::checkFeed(text, &parsed), "") << text;
    events += parsed.size();
  }
  EXPECT_GT(events, 1000u);  // the rounds really produced events
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(60));
}

// The fuzzer's starting feeds, as calendar programs and the service write them: each
// reads cleanly, and dates the clock cannot hold (or an end past its range) leave
// their event out instead of overflowing.
TEST_F(ICSParserTest, TheFuzzCorpusFeedsReadCleanly) {
  std::map<std::string, std::vector<ICSEvent>> byFile;
  for (const auto& entry : std::filesystem::directory_iterator(QUORVEL_FUZZ_CORPUS)) {
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    std::vector<ICSEvent> parsed;
    EXPECT_EQ(fuzz::checkFeed(bytes.str(), &parsed), "") << entry.path();
    byFile[entry.path().filename().string()] = std::move(parsed);
  }
  ASSERT_GE(byFile.size(), 8u);
  for (const auto& [name, events] : byFile) EXPECT_FALSE(events.empty()) << name;

  auto uids = [&](const std::string& file) {
    std::vector<std::string> out;
    for (const auto& e : byFile[file]) out.push_back(e.uid);
    return out;
  };
  EXPECT_EQ(uids("far-dates.ics"), (std::vector<std::string>{"deadline-4", "deadline-6"}));
  EXPECT_EQ(secs(byFile["far-dates.ics"][0].startDate), epoch(1677, 9, 21, 0, 12, 45, 0));
  // A time zone's 1601 start date is no event; both of Outlook's events are.
  EXPECT_EQ(byFile["outlook-export.ics"].size(), 2u);
  // Google's zone parameter: the wall time is Beijing time.
  ASSERT_EQ(byFile["google-export.ics"].size(), 2u);
  EXPECT_EQ(secs(byFile["google-export.ics"][0].startDate), epoch(2026, 3, 10, 9, 30, 0, 8));
  EXPECT_EQ(byFile["google-export.ics"][0].alarmOffsets, std::vector<double>{-1800});
  // A byte-order mark, bare line feeds, a tab continuation and lower-case property names.
  EXPECT_EQ(uids("lf-bom-folded.ics"), (std::vector<std::string>{"hearing-5200", "routine-7002"}));
  EXPECT_NE(byFile["lf-bom-folded.ics"][0].description.find("携带律师证"), std::string::npos);
  // A feed cut off mid-event keeps the events before the cut.
  EXPECT_EQ(uids("truncated.ics"), std::vector<std::string>{"hearing-5300"});
}

}  // namespace
}  // namespace quorvel
