#include "TestServiceCalendar.h"

#include <ctime>
#include <functional>
#include <sstream>

#include "TestPages.h"
#include "TestService.h"

namespace quorvel::test {

namespace {

// "yyyyMMdd" of the local day `days` after `base`, and a floating UTC+8 time on it.
std::string day(std::chrono::system_clock::time_point base, int days) {
  std::time_t t = std::chrono::system_clock::to_time_t(base);
  std::tm tm{};
  localtime_r(&t, &tm);
  tm.tm_mday += days;
  tm.tm_hour = 12;
  tm.tm_isdst = -1;
  std::mktime(&tm);
  char buf[12];
  std::strftime(buf, sizeof buf, "%Y%m%d", &tm);
  return buf;
}
std::string at(std::chrono::system_clock::time_point base, int days, const char* hhmm) {
  return day(base, days) + "T" + hhmm + "00";
}

// The subscribe page inside the calendar page's frame (sidebar, top bar, styles).
std::string subscribePage(const std::string& host) {
  std::string absolute = "http://" + host + kDemoFeedPath;
  std::string main =
      "<div class=\"page-head\"><h1>日历订阅</h1></div>"
      "<div class=\"card\"><div class=\"card-head\"><h3>订阅地址（全部日程）</h3>"
      "<span class=\"more\">开庭 · 法定期限 · 待办 · 逾期</span></div><div class=\"card-body\">"
      "<p class=\"small muted\">把下面的地址添加到日历应用，即可在电脑和手机上看到本账号的开庭、期限和待办。"
      "地址相当于密码，请勿转发。</p>"
      "<div class=\"actions\" style=\"margin:12px 0\"><input id=\"icsUrl\" readonly value=\"" + absolute +
      "\" style=\"flex:1;min-width:420px;height:34px;padding:0 10px;border:1px solid #D5DEE8;border-radius:8px;"
      "font:inherit\"><button class=\"btn btn-primary\" onclick=\"navigator.clipboard.writeText("
      "document.getElementById('icsUrl').value)\">复制链接</button></div>"
      "<p class=\"small muted\">站内路径：<code>" + std::string(kDemoFeedPath) + "</code></p></div></div>"
      "<div class=\"card\" style=\"margin-top:16px\"><div class=\"card-head\"><h3>提醒规则</h3></div>"
      "<div class=\"card-body\"><ul class=\"small\"><li>开庭：提前 1 天和 30 分钟提醒</li>"
      "<li>法定期限：当天全天显示</li><li>逾期事项：每日汇总，处理后自动移除</li></ul></div></div>";
  // The calendar page's frame, with this page's content and title.
  std::string page = pages::calendar();
  const std::string open = "<div class=\"page\">";
  auto from = page.find(open);
  auto to = page.rfind("</div></div>");
  if (from != std::string::npos && to != std::string::npos && to > from) {
    from += open.size();
    page.replace(from, to - from, main);
  }
  auto t1 = page.find("<title>"), t2 = page.find("</title>");
  if (t1 != std::string::npos && t2 != std::string::npos) page.replace(t1 + 7, t2 - t1 - 7, "日历订阅 · 墨衡台");
  return page;
}

struct Ev {
  std::string uid, summary, start, end, location, description, url;
  bool allDay = false;
  std::vector<std::string> alarms;
  std::string extraStart;  // a DTSTART line of its own (odd parameters)
};

std::string render(const Ev& e, const std::string& stamp) {
  std::string s = "BEGIN:VEVENT\r\nUID:" + e.uid + "\r\nDTSTAMP:" + stamp + "\r\n";
  if (!e.extraStart.empty()) s += e.extraStart + "\r\n";
  else if (e.allDay) s += "DTSTART;VALUE=DATE:" + e.start + "\r\n";
  else s += "DTSTART;TZID=Asia/Shanghai:" + e.start + "\r\n";
  if (!e.end.empty()) s += (e.allDay ? "DTEND;VALUE=DATE:" : "DTEND;TZID=Asia/Shanghai:") + e.end + "\r\n";
  s += "SUMMARY:" + e.summary + "\r\n";
  if (!e.location.empty()) s += "LOCATION:" + e.location + "\r\n";
  if (!e.description.empty()) s += "DESCRIPTION:" + e.description + "\r\n";
  if (!e.url.empty()) s += "URL:" + e.url + "\r\n";
  for (const auto& a : e.alarms)
    s += "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:提醒\r\nTRIGGER:" + a + "\r\nEND:VALARM\r\n";
  s += "END:VEVENT\r\n";
  return s;
}

const char* kHeader =
    "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//墨衡台//日程订阅//ZH\r\nCALSCALE:GREGORIAN\r\n"
    "X-WR-CALNAME:墨衡台 · 张律师\r\nX-WR-TIMEZONE:Asia/Shanghai\r\n"
    "BEGIN:VTIMEZONE\r\nTZID:Asia/Shanghai\r\nBEGIN:STANDARD\r\nDTSTART:19700101T000000\r\n"
    "TZOFFSETFROM:+0800\r\nTZOFFSETTO:+0800\r\nTZNAME:CST\r\nEND:STANDARD\r\nEND:VTIMEZONE\r\n";

std::optional<std::string>& feedOverride() {
  static std::optional<std::string> body;
  return body;
}

}  // namespace

void setCalendarFeed(std::optional<std::string> body) { feedOverride() = std::move(body); }

std::string demoCalendarFeed(std::chrono::system_clock::time_point today) {
  const std::string stamp = day(today, 0) + "T000000Z";
  const std::string base = "https://app.quorvel.cn";
  std::vector<Ev> evs = {
      {"hearing-5101", "开庭：张三诉李四合同纠纷", at(today, 2, "0930"), at(today, 2, "1130"), "朝阳区人民法院 第三法庭",
       "案号（2026）京0105民初1234号\\n承办法官：王法官\\, 书记员：刘书记员", base + "/proceeding/88/detail", false,
       {"-P1D", "-PT30M"}},
      {"hearing-5102-2", "二审开庭：云栖禾木与赵六", at(today, 6, "1400"), at(today, 6, "1600"),
       "北京市第三中级人民法院 第十二法庭", "请携带授权委托书原件", base + "/proceeding/107/detail", false, {"-PT1H"}},
      {"deadline-6201", "举证期限届满：李四诉澄川物流", day(today, 1), day(today, 2), "", "提交补充证据目录及原件核对",
       base + "/proceeding/91/detail", true, {}},
      {"deadline-6202", "答辩期届满：北辰衡石诉青禾数码", day(today, 3), day(today, 4), "",
       "答辩状需同时提交电子版；详见 /m/proc/95", "", true, {"-PT9H"}},
      {"routine-7301", "整理庭审提纲", at(today, 1, "1500"), "", "", "张三诉李四合同纠纷", base + "/calendar", false, {}},
      {"routine-7302", "案件质量复盘会", at(today, 4, "1500"), at(today, 4, "1600"), "大会议室", "", "", false, {}},
      {"overdue-8401", "提交证据（已超期）", day(today, -2), day(today, -1), "", "张三诉李四合同纠纷",
       base + "/proceeding/88/evidence", true, {}},
      {"overdue-8402", "回复委托人咨询函（已超期）", day(today, -1), "", "", "鹿鸣湾餐饮", "", true, {}},
  };
  // A quoted parameter holding ":" (its value must not be cut at that colon).
  Ev quoted{"hearing-5103", "庭前会议：北辰衡石诉青禾数码", "", at(today, 9, "1000"), "线上（云法庭）",
            "会议号见法院短信", base + "/proceeding/95/detail", false, {"-PT15M"}};
  quoted.extraStart = "DTSTART;TZID=\"GMT+08:00\":" + at(today, 9, "0900");
  evs.push_back(quoted);
  // The same UID twice (the service repeats a rescheduled item).
  evs.push_back({"deadline-6203", "缴纳诉讼费", day(today, 5), day(today, 6), "", "李四诉澄川物流", "", true, {}});
  evs.push_back({"deadline-6203", "缴纳诉讼费（改期）", day(today, 7), day(today, 8), "", "李四诉澄川物流", "", true, {}});

  std::string feed = kHeader;
  for (const auto& e : evs) feed += render(e, stamp);
  // A description folded over three lines, and an event without end.
  feed +=
      "BEGIN:VEVENT\r\nUID:deadline-6204\r\nDTSTAMP:" + stamp + "\r\nDTSTART;VALUE=DATE:" + day(today, 0) +
      "\r\nSUMMARY:提交上诉状（今日到期）\r\nDESCRIPTION:上诉期限今日届满，请于 17:00 前通过诉讼服务网提交上诉状及\r\n"
      " 副本，并同步缴纳上诉费；委托人已确认上诉\r\n  意见。\r\nURL:" + base + "/proceeding/113/detail\r\n"
      "END:VEVENT\r\n"
      "BEGIN:VEVENT\r\nUID:routine-7303\r\nDTSTAMP:" + stamp + "\r\nDTSTART:" + at(today, 0, "1730") +
      "\r\nSUMMARY:填写本周工作日志\r\nEND:VEVENT\r\n";
  feed += "END:VCALENDAR\r\n";
  return feed;
}

std::string feedETag(const std::string& body) {
  std::ostringstream s;
  s << "\"" << std::hex << std::hash<std::string>{}(body) << "\"";
  return s.str();
}

std::string generatedCalendarFeed(int count, std::chrono::system_clock::time_point from) {
  static const char* kinds[] = {"hearing", "deadline", "routine", "overdue"};
  static const char* titles[] = {"开庭：张三诉李四合同纠纷", "举证期限届满：李四诉澄川物流", "整理庭审提纲",
                                 "提交证据（已超期）"};
  std::string feed = kHeader;
  feed.reserve(static_cast<size_t>(count) * 420);
  const std::string stamp = day(from, 0) + "T000000Z";
  for (int i = 0; i < count; ++i) {
    int k = i % 4;
    Ev e;
    e.uid = std::string(kinds[k]) + "-" + std::to_string(100000 + i);
    e.summary = std::string(titles[k]) + " #" + std::to_string(i);
    e.allDay = k == 1 || k == 3;
    int offset = i % 120 - 30;
    if (e.allDay) {
      e.start = day(from, offset);
      e.end = day(from, offset + 1);
    } else {
      e.start = at(from, offset, "0930");
      e.end = at(from, offset, "1100");
    }
    e.location = k == 0 ? "朝阳区人民法院 第三法庭" : "";
    e.description = "案号（2026）京0105民初" + std::to_string(1000 + i) + "号\\n承办法官：王法官";
    e.url = "https://app.quorvel.cn/proceeding/" + std::to_string(80 + i % 40) + "/detail";
    if (k == 0) e.alarms = {"-P1D", "-PT30M"};
    feed += render(e, stamp);
  }
  feed += "END:VCALENDAR\r\n";
  return feed;
}

void installCalendarRoutes(TestService& service) {
  service.setRoute("/calendar/subscribe", [&service](const RecordedRequest& r) {
    if (!service.isSignedIn(r)) return Reply::redirect("/login");
    std::string host = r.header("host");
    if (host.empty()) host = "127.0.0.1:" + std::to_string(service.port());
    return Reply::html(subscribePage(host));
  });
  // The feed is a capability address: no sign-in cookie is needed.
  service.setRoute(kDemoFeedPath, [](const RecordedRequest& r) {
    std::string body = feedOverride() ? *feedOverride() : demoCalendarFeed();
    std::string tag = feedETag(body);
    Reply reply;
    if (r.header("if-none-match") == tag) {
      reply.status = 304;
      reply.contentType = "text/calendar; charset=utf-8";
    } else {
      reply = Reply::text(body);
      reply.contentType = "text/calendar; charset=utf-8";
    }
    reply.headers.emplace_back("ETag", tag);
    return reply;
  });
}

}  // namespace quorvel::test
