// Which proceedings the quick-archive window offers, in which order, which one is
// selected, what the filter keeps and where an upload goes.
#include <gtest/gtest.h>

#include "ui/model/QuickArchiveRules.h"

using namespace quorvel;
namespace QA = QuickArchiveRules;

namespace {

TodoItem item(std::optional<long long> procId, std::optional<std::string> proc, std::optional<std::string> client) {
  TodoItem t;
  t.procId = procId;
  t.proc = std::move(proc);
  t.client = std::move(client);
  return t;
}

std::vector<long long> ids(const std::vector<QuickArchiveTarget>& v) {
  std::vector<long long> out;
  for (const auto& t : v) out.push_back(t.id);
  return out;
}

}  // namespace

TEST(QuickArchiveRules, TheCurrentPageWinsOverRecentsAndDeadlinesAndIsSelected) {
  Deadlines d;
  d.today = {item(123, "截止事项里的名称", "客户甲")};
  auto list = QA::buildTargets("/proceeding/123/detail", std::string("华盛案 · 一审"), {{123, "最近里的名称"}, {7, "七号"}}, d);
  ASSERT_EQ(ids(list.targets), (std::vector<long long>{123, 7}));
  EXPECT_EQ(list.targets[0], (QuickArchiveTarget{123, "华盛案 · 一审", "当前正在查看的程序"}));
  EXPECT_EQ(list.selectedProcID, 123) << "the current page is selected although 7 is not larger";

  // Without an active tab the title names the id.
  list = QA::buildTargets("/proceeding/55", std::nullopt, {}, {});
  ASSERT_EQ(list.targets.size(), 1u);
  EXPECT_EQ(list.targets[0].title, "当前程序 55");
  EXPECT_EQ(QA::currentProceedingID("/proceeding//proceeding/88/x"), 88);
  EXPECT_EQ(QA::currentProceedingID("/proceedings/88"), std::nullopt);
}

TEST(QuickArchiveRules, WithoutAProceedingPageTheLargestIdIsSelectedAndTargetsRunLargestFirst) {
  for (const char* path : {"/proceeding/abc", "/dashboard", "/proceeding/", "/proceeding/12x"}) {
    Deadlines d;
    d.overdue = {item(45, "四十五号", "乙公司")};
    auto list = QA::buildTargets(path, std::string("标签页"), {{7, "七号"}, {123, "一二三"}}, d);
    EXPECT_EQ(ids(list.targets), (std::vector<long long>{123, 45, 7})) << path;
    EXPECT_EQ(list.selectedProcID, 123) << path;
  }
  EXPECT_EQ(QA::buildTargets("/dashboard", std::nullopt, {}, {}).selectedProcID, 0);
}

TEST(QuickArchiveRules, DeadlinesFillNamesAndSkipItemsWithoutAProceeding) {
  Deadlines d;
  d.overdue = {item(std::nullopt, "没有编号", "丙")};
  d.soon = {item(31, std::nullopt, std::nullopt)};
  d.hearings = {item(31, "开庭里的同号", "丁"), item(40, "四十号", "戊公司")};
  d.today = {item(40, "今日先到", "己")};  // today comes before hearings
  auto list = QA::buildTargets("/dashboard", std::nullopt, {}, d);
  ASSERT_EQ(ids(list.targets), (std::vector<long long>{40, 31}));
  EXPECT_EQ(list.targets[0], (QuickArchiveTarget{40, "今日先到", "己"}));
  EXPECT_EQ(list.targets[1], (QuickArchiveTarget{31, "程序 31", ""}));
  // Recents come before deadlines.
  list = QA::buildTargets("/dashboard", std::nullopt, {{40, "最近四十"}}, d);
  EXPECT_EQ(list.targets[0], (QuickArchiveTarget{40, "最近四十", "最近访问卷宗"}));
}

TEST(QuickArchiveRules, TheFilterIsTrimmedCaseFreeAndMatchesTitleSubtitleOrId) {
  std::vector<QuickArchiveTarget> t = {
      {5120, "远航物流仲裁", ""}, {77, "案号 A12 合同纠纷", "客户"}, {9, "其他", "Acme 12 Ltd"}, {3, "无关", "无"}};
  EXPECT_EQ(ids(QA::filteredTargets(t, " 12 ")), (std::vector<long long>{5120, 77, 9}));
  EXPECT_EQ(ids(QA::filteredTargets(t, "\u3000acme\n")), (std::vector<long long>{9}));
  EXPECT_EQ(ids(QA::filteredTargets(t, "a12")), (std::vector<long long>{77}));
  EXPECT_EQ(QA::filteredTargets(t, "  ").size(), 4u);
  EXPECT_TRUE(QA::filteredTargets(t, "不存在").empty());
}

TEST(QuickArchiveRules, AUsableManualIdOverridesTheSelectionAndAnythingElseFallsBack) {
  EXPECT_EQ(QA::effectiveProcID("  42", 7), 42);
  EXPECT_EQ(QA::effectiveProcID("\t+42 ", 7), 42);
  for (const char* bad : {"0", "-5", "4x", "", " ", "42\n", "4 2", "99999999999999999999"})
    EXPECT_EQ(QA::effectiveProcID(bad, 7), 7) << bad;
  EXPECT_EQ(QA::effectiveProcID("x", 0), 0);
  EXPECT_EQ(QA::parseDecimal("-9223372036854775808"), std::numeric_limits<long long>::min());
}
