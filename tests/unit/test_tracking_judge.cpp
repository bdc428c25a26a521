// Reading a search-result page for a courier number: which row wins, what the
// message says, how far around the number the page is read, and how the query and
// the evidence are named.
#include <gtest/gtest.h>

#include "features/tracking/TrackingJudge.h"

using namespace quorvel::TrackingJudge;

namespace {
std::string repeat(const std::string& s, int n) {
  std::string out;
  for (int i = 0; i < n; ++i) out += s;
  return out;
}
}  // namespace

TEST(TrackingJudge, RowsAndMessages) {
  auto ok = judge("2026年11月23日 下午2:15 快件已签收，签收人：前台，感谢使用", "");
  EXPECT_EQ(ok["status"], "ok");
  EXPECT_EQ(ok["msg"], "已查到签收（2026-11-23 14:15） · 前台");
  EXPECT_EQ(judge("快件已签收，签收人：前台", "")["msg"], "已查到签收 · 前台");
  EXPECT_EQ(judge("已妥投", "")["msg"], "已查到签收");
  // Returned outweighs delivered anywhere in the window.
  auto both = judge("已签收 …… 后因破损退回", "");
  EXPECT_EQ(both["status"], "abnormal");
  EXPECT_EQ(both["msg"], "查到退回/拒收记录，请人工核对");
  EXPECT_EQ(judge("无人签收", "")["status"], "abnormal");
  EXPECT_EQ(judge("由他人代收", "")["status"], "ok");
  EXPECT_EQ(judge("门卫代收", "")["status"], "ok");
  auto verify = judge("请输入收件人手机号后四位", "");
  EXPECT_EQ(verify["status"], "unknown");
  EXPECT_EQ(verify["msg"], "页面要求验证或查无结果，需要人工核对");
  EXPECT_EQ(judge("请输入快递预留手机号 运输中", "")["msg"], "页面要求验证或查无结果，需要人工核对");
  EXPECT_EQ(judge("快件运输中", "")["msg"], "在途，尚未签收");
  EXPECT_EQ(judge("欢迎使用", "")["msg"], "页面没有给出签收信息");
  EXPECT_EQ(judge("", "SF1")["raw"], "");
}

TEST(TrackingJudge, CashOnDeliveryIsNoDelivery) {
  EXPECT_EQ(judge("代收货款：0元 运输中", "")["msg"], "在途，尚未签收");
  EXPECT_EQ(judge("代收款 120 元", "")["status"], "unknown");
  // A real collection later in the same text still counts.
  EXPECT_EQ(judge("代收货款：0元 已由门卫代收", "")["status"], "ok");
}

TEST(TrackingJudge, ContextWindowAroundFirstOccurrence) {
  const std::string no = "YT123";
  std::string far = "退回" + repeat("字", 301) + no + " 运输中";
  EXPECT_EQ(judge(far, no)["status"], "unknown");  // 退回 lies 301+ characters before
  std::string near = "退回" + repeat("字", 298) + no;
  EXPECT_EQ(judge(near, no)["status"], "abnormal");
  std::string after = no + repeat("字", 1800) + "已签收";
  EXPECT_EQ(judge(after, no)["msg"], "页面没有给出签收信息");
  std::string inside = no + repeat("字", 1797) + "已签收";
  EXPECT_EQ(judge(inside, no)["status"], "ok");
  // Absent number: the whole text.
  EXPECT_EQ(context("ZZ9", far), far);
  EXPECT_EQ(context("", "abc"), "abc");
  auto w = context(no, repeat("前", 400) + no + repeat("后", 2000));
  EXPECT_EQ(w, repeat("前", 300) + no + repeat("后", 1800));
  auto raw = judge(repeat("字", 1000), "")["raw"].get<std::string>();
  EXPECT_EQ(raw, repeat("字", 900));
}

TEST(TrackingJudge, SignTimeAndPerson) {
  EXPECT_EQ(signTime("2026-03-05 09:07:33 已签收"), "2026-03-05 09:07:33");
  EXPECT_EQ(signTime("2026-03-05T09:07 已签收"), "2026-03-05 09:07");
  EXPECT_EQ(signTime("2026年3月5日 上午9:07:33"), "2026-03-05 09:07");
  EXPECT_EQ(signTime("2026年3月5日下午12:30"), "2026-03-05 12:30");
  EXPECT_EQ(signTime("2026年3月5日 下午11:05"), "2026-03-05 23:05");
  EXPECT_EQ(signTime("昨天 9:07"), std::nullopt);
  EXPECT_EQ(signPerson("【已签收，凭取件码签收】"), "已签收，凭取件码签收");
  EXPECT_EQ(signPerson("签收人: 张三 电话"), "张三");
  EXPECT_EQ(signPerson("签收人：李四。"), "李四");
  EXPECT_EQ(signPerson("【签收】签收人："), std::nullopt);
}

TEST(TrackingJudge, QueryAddressEncodesOutsideUnreserved) {
  EXPECT_EQ(searchAddress("https://www.baidu.com", "SF1402938475612"), "https://www.baidu.com/s?wd=SF1402938475612");
  EXPECT_EQ(searchAddress("http://127.0.0.1:8080/", "a&b=c+d/e?f g~_.-"),
            "http://127.0.0.1:8080/s?wd=a%26b%3Dc%2Bd%2Fe%3Ff%20g~_.-");
  EXPECT_EQ(searchAddress("https://x.cn", "顺丰"), "https://x.cn/s?wd=%E9%A1%BA%E4%B8%B0");
  EXPECT_EQ(searchAddress("https://x.cn", ""), std::nullopt);
  EXPECT_EQ(searchAddress("ftp://x.cn", "1"), std::nullopt);
  EXPECT_EQ(searchAddress("https://", "1"), std::nullopt);
  EXPECT_EQ(trimmedNumber(" \n SF1 \t"), "SF1");
}

TEST(TrackingJudge, EvidenceNamesAndRecord) {
  EXPECT_EQ(fileComponent("../../etc/passwd"), "_._.._etc_passwd");
  EXPECT_EQ(fileComponent("a\\b\x01" "c"), "a_b_c");
  EXPECT_EQ(fileComponent(".hidden"), "_hidden");
  EXPECT_EQ(fileComponent(repeat("单", 80)), repeat("单", 64));
  std::tm tm{};
  tm.tm_year = 126, tm.tm_mon = 10, tm.tm_mday = 23, tm.tm_hour = 14, tm.tm_min = 15, tm.tm_sec = 9, tm.tm_isdst = -1;
  auto when = std::chrono::system_clock::from_time_t(std::mktime(&tm));
  EXPECT_EQ(evidenceFileName("SF/1", when), "查签-SF_1-20261123-141509.png");
  auto record = nlohmann::json::parse(recordJson("SF/1", "百度", "查签-SF_1-20261123-141509.png", when));
  EXPECT_EQ(record["tracking_no"], "SF/1");  // the number itself stays unchanged
  EXPECT_EQ(record["source"], "百度");
  EXPECT_EQ(record["file"], "查签-SF_1-20261123-141509.png");
  std::string at = record["captured_at"];
  EXPECT_EQ(at.size(), 20u);
  EXPECT_EQ(at.back(), 'Z');
  std::string text = recordJson("1", "百度", "f.png", when);
  EXPECT_LT(text.find("\"captured_at\""), text.find("\"file\""));
  EXPECT_LT(text.find("\"source\""), text.find("\"tracking_no\""));
  EXPECT_NE(text.find('\n'), std::string::npos);
}
