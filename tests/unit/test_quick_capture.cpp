// The quick to-do form's date recognition and form rules, against a fixed reference
// (Wednesday 18 March 2026, 15:00 in Shanghai, UTC+8 all year).
#include <gtest/gtest.h>

#include <chrono>

#include "TestHelpers.h"
#include "ui/model/QuickCapture.h"

namespace quorvel {
namespace {
using namespace std::chrono;
namespace QC = QuickCapture;

constexpr const char* kZone = "Asia/Shanghai";

// Local wall time in Shanghai.
TimePoint at(int y, unsigned m, unsigned d, int h = 0, int min = 0) {
  return sys_days(year_month_day(year(y), month(m), day(d))) + hours(h - 8) + minutes(min);
}

const TimePoint kRef = at(2026, 3, 18, 15);

std::optional<TimePoint> detect(const std::string& text, TimePoint ref = kRef) { return QC::detectDate(text, ref, kZone); }

TEST(DetectDateTest, RelativeDaysKeepTheTimeOfDay) {
  EXPECT_EQ(detect("明天交答辩状"), at(2026, 3, 19, 15));
  EXPECT_EQ(detect("后天提交"), at(2026, 3, 20, 15));
  EXPECT_EQ(detect("大后天开庭"), at(2026, 3, 21, 15)) << "大后天 is tested before 后天";
  EXPECT_EQ(detect("今日提交"), kRef);
  EXPECT_EQ(detect("今天"), kRef);
  // Month end carries into the next month.
  EXPECT_EQ(detect("明天", at(2026, 3, 31, 9, 30)), at(2026, 4, 1, 9, 30));
  // Across a daylight-saving change the wall time stays.
  auto berlin = sys_days(year_month_day(year(2026), month(3), day(28))) + hours(14);  // 15:00 CET
  EXPECT_EQ(QC::detectDate("明天", berlin, "Europe/Berlin"),
            sys_days(year_month_day(year(2026), month(3), day(29))) + hours(13));  // 15:00 CEST
}

TEST(DetectDateTest, FullDatesInEverySeparatorAndLenientOverflow) {
  for (const char* text : {"2026-12-05 开庭", "2026年12月5日", "2026/12/5", "2026.12.05", "截止2026年12-5"})
    EXPECT_EQ(detect(text), at(2026, 12, 5)) << text;
  EXPECT_EQ(detect("2026-02-30"), at(2026, 3, 2)) << "carried over, not rejected";
  EXPECT_EQ(detect("2026-13-01"), at(2027, 1, 1));
  EXPECT_EQ(detect("1999-12-05"), std::nullopt) << "the year must begin with 20, and 12-05 has no 月";
  EXPECT_EQ(detect("2026x12x05"), std::nullopt);
}

TEST(DetectDateTest, MonthDayInThisYearOrRolledIntoNext) {
  EXPECT_EQ(detect("3月18号"), at(2026, 3, 18)) << "the reference's own day does not roll";
  EXPECT_EQ(detect("3月1日前"), at(2027, 3, 1));
  EXPECT_EQ(detect("12月5"), at(2026, 12, 5));
  EXPECT_EQ(detect("3月17日"), at(2027, 3, 17));
  EXPECT_EQ(detect("2月30日"), at(2027, 3, 2)) << "past after carrying over: next year's";
}

TEST(DetectDateTest, WeekdaysOfNextWeek) {
  EXPECT_EQ(detect("下周五前核对"), at(2026, 3, 27, 15));
  EXPECT_EQ(detect("下周一"), at(2026, 3, 23, 15));
  EXPECT_EQ(detect("下周日"), at(2026, 3, 29, 15));
  EXPECT_EQ(detect("下周天"), at(2026, 3, 29, 15));
  EXPECT_EQ(detect("下周六"), at(2026, 3, 28, 15));
  EXPECT_EQ(detect("下周一", at(2026, 3, 22, 15)), at(2026, 3, 23, 15)) << "from a Sunday";
  EXPECT_EQ(detect("下周一", at(2026, 3, 23, 15)), at(2026, 3, 30, 15)) << "from a Monday";
  EXPECT_EQ(detect("下周日", at(2026, 3, 23, 15)), at(2026, 4, 5, 15));
  EXPECT_EQ(detect("周五"), std::nullopt) << "without 下";
}

TEST(DetectDateTest, DigitsOfAnyScriptCountByTheirValue) {
  EXPECT_EQ(detect("１２月５日"), at(2026, 12, 5));
  EXPECT_EQ(detect("20２６-１２-０５"), at(2026, 12, 5));
  EXPECT_EQ(detect("٣月٢٠日"), at(2026, 3, 20)) << "Arabic-Indic digits";
}

TEST(DetectDateTest, NoDateAndTheFirstRuleWins) {
  EXPECT_EQ(detect(""), std::nullopt);
  EXPECT_EQ(detect("核对证据目录"), std::nullopt);
  EXPECT_EQ(detect("明天看 2026-12-05 的材料"), at(2026, 3, 19, 15)) << "relative words first";
  EXPECT_EQ(detect("2026-12-05 或 4月1日"), at(2026, 12, 5)) << "full date before month-day";
  EXPECT_EQ(detect("4月1日，下周五复核"), at(2026, 4, 1)) << "month-day before weekday";
  EXPECT_EQ(detect("下周二或下周一"), at(2026, 3, 23, 15)) << "the table's order, not the text's";
  EXPECT_EQ(detect("5月6日和7月8日"), at(2026, 5, 6)) << "first match in the text";
}

TEST(DetectDateTest, WithoutAZoneEachCallReadsTheHostZone) {
  // 20:00 UTC on 1 March 2026 is already 2 March in Shanghai.
  const TimePoint ref = sys_days(year_month_day(year(2026), month(3), day(1))) + hours(20);
  std::optional<TimePoint> shanghai, newYork;
  {
    test::ScopedTimeZone tz("Asia/Shanghai");
    EXPECT_EQ(QC::dayText(ref), "2026-03-02");
    shanghai = QC::detectDate("2026年12月5日", ref);
  }
  {
    test::ScopedTimeZone tz("America/New_York");
    EXPECT_EQ(QC::dayText(ref), "2026-03-01");
    newYork = QC::detectDate("2026年12月5日", ref);
    // "明天" keeps New York's wall time: 15:00 on 2 March there.
    EXPECT_EQ(QC::detectDate("明天", ref), ref + hours(24));
  }
  ASSERT_TRUE(shanghai && newYork);
  EXPECT_EQ(*shanghai, sys_days(year_month_day(year(2026), month(12), day(4))) + hours(16));
  EXPECT_EQ(*newYork - *shanghai, hours(13));  // UTC-5 against UTC+8 in December
  {
    test::ScopedTimeZone tz(":Europe/Berlin");  // the colon form of TZ
    EXPECT_EQ(QC::civilDay(ref + hours(2)), (QC::CivilDay{2026, 3, 1}));
    EXPECT_EQ(QC::civilDay(ref + hours(3)), (QC::CivilDay{2026, 3, 2}));
  }
  {
    test::ScopedTimeZone tz("");  // set but empty: UTC
    EXPECT_EQ(QC::civilDay(ref + hours(3)), (QC::CivilDay{2026, 3, 1}));
    EXPECT_EQ(QC::civilDay(ref + hours(4)), (QC::CivilDay{2026, 3, 2}));
  }
}

TEST(QuickCaptureFormTest, FieldsCarryTheDayAndOnlyAChosenProceeding) {
  auto fields = QC::formFields("  \u3000核对证据 A+B\n", at(2026, 3, 27, 15), QC::TodoTypeOption::fatal, 42, kZone);
  EXPECT_EQ(fields, (std::map<std::string, std::string>{
                        {"content", "核对证据 A+B"}, {"date", "2026-03-27"}, {"todo_type", "fatal_deadline"}, {"proc_id", "42"}}));
  // 23:30 in Shanghai is the previous day in UTC: the local day is sent.
  auto late = QC::formFields("x", at(2026, 3, 27, 23, 30) - hours(16), QC::TodoTypeOption::routine, 0, kZone);
  EXPECT_EQ(late.count("proc_id"), 0u);
  EXPECT_EQ(late["date"], "2026-03-27");
  EXPECT_EQ(late["todo_type"], "routine_deadline");
  // A day picked in the date picker keeps the due date's time of day.
  EXPECT_EQ(QC::civilDay(at(2026, 3, 27, 23, 30), kZone), (QC::CivilDay{2026, 3, 27}));
  EXPECT_EQ(QC::withDay(at(2026, 3, 19, 15), {2026, 4, 2}, kZone), at(2026, 4, 2, 15));
}

TEST(QuickCaptureFormTest, EnableRuleAndTypeOptions) {
  EXPECT_TRUE(QC::canSubmit("明天交", false));
  EXPECT_FALSE(QC::canSubmit("明天交", true));
  EXPECT_FALSE(QC::canSubmit(" \n\t\u3000", false)) << "an ideographic space is blank too";
  EXPECT_FALSE(QC::canSubmit("", false));
  for (auto option : QC::kAllTodoTypeOptions) EXPECT_EQ(QC::todoTypeFromRawValue(QC::rawValue(option)), option);
  EXPECT_EQ(QC::rawValue(QC::TodoTypeOption::hearing), "hearing");
  EXPECT_EQ(QC::todoTypeFromRawValue("Hearing"), std::nullopt);
  EXPECT_EQ(QC::todoTypeFromRawValue("deadline"), std::nullopt);
}

TEST(QuickCaptureFormTest, InitialDateAndProceeding) {
  // A date handed in wins over a date word in the prefill.
  EXPECT_EQ(QC::initialDueDate(at(2026, 4, 2), "明天交答辩状", kRef, kZone), at(2026, 4, 2));
  EXPECT_EQ(QC::initialDueDate(std::nullopt, "明天交答辩状", kRef, kZone), at(2026, 3, 19, 15));
  EXPECT_EQ(QC::initialDueDate(std::nullopt, "", kRef, kZone), at(2026, 3, 19, 15)) << "tomorrow, same time";

  std::vector<RecentItem> recents{{88, "华盛案 · 一审"}, {12, "远航仲裁"}};
  EXPECT_EQ(QC::initialProcID(recents), 88);
  EXPECT_EQ(QC::initialProcID({}), 0);
  auto choices = QC::proceedingChoices(recents);
  ASSERT_EQ(choices.size(), 3u);
  EXPECT_EQ(choices[0].id, 0);
  EXPECT_EQ(choices[0].title, "默认（名下常用程序）");
  EXPECT_EQ(choices[2].id, 12);
}

TEST(QuickCaptureFormTest, FeedbackTextsAndTheirOutcome) {
  EXPECT_EQ(QC::dateHint(at(2026, 3, 27, 15), kZone), "已识别日期：2026-03-27");
  auto saved = QC::savedFeedback();
  EXPECT_EQ(saved.text, "已保存到墨衡台");
  EXPECT_TRUE(saved.success);

  auto failed = QC::failureFeedback("待办内容已保存过（HTTP 409）");
  EXPECT_EQ(failed.text, "保存失败：待办内容已保存过（HTTP 409）");
  EXPECT_FALSE(failed.success) << "a failure mentioning 已保存 is still a failure";
}

}  // namespace
}  // namespace quorvel
