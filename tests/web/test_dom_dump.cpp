// The page-structure dump over real pages: what the dashboard shows after the client's
// scripts ran, a page whose structure cannot be read, and no page at all.
#include <gtest/gtest.h>

#include <optional>

#include "ServiceTabFixture.h"
#include "diagnostics/DomDump.h"

using namespace quorvel;
using namespace quorvel::test;
using nlohmann::json;

namespace {
class DomDumpTest : public ServiceTabFixture {
 protected:
  std::optional<json> dump() {
    std::optional<json> report;
    int calls = 0;
    DomDump::run(*model, [&](json r) {
      ++calls;
      report = std::move(r);
    });
    runMainLoopUntil([&] { return report.has_value(); }, 10000);
    runMainLoopUntil([] { return false; }, 200);
    EXPECT_LE(calls, 1);
    return report;
  }
};
}  // namespace

TEST_F(DomDumpTest, TheDashboardShowsTheClientsPageObjectsAndItsHiddenSidebar) {
  signIn();
  model = services->makeBrowserModel();
  auto tab = model->activeTab();
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/dashboard"));
  auto report = dump();
  ASSERT_TRUE(report) << "no report";
  std::vector<std::string> keys;
  for (const auto& [key, value] : report->items()) keys.push_back(key);
  EXPECT_EQ(keys, (std::vector<std::string>{"bodyClass", "chromeObs", "hasMask", "hasSidebar", "href", "navItems",
                                            "scripts", "sidebarDisplay", "sidebarInline", "title", "zivEzozor"}));
  EXPECT_EQ((*report)["href"], service.url("/dashboard"));
  EXPECT_EQ((*report)["zivEzozor"], "object");
  EXPECT_EQ((*report)["chromeObs"], true);
  EXPECT_EQ((*report)["hasSidebar"], true);
  EXPECT_EQ((*report)["sidebarDisplay"], "none");  // hidden by the client
  EXPECT_GT((*report)["navItems"].get<int>(), 0);
}

// A page whose structure throws inside the summary: the whole {"fatal": …} object is
// the report, not an error report.
TEST_F(DomDumpTest, AnExceptionInsideTheSummaryIsTheReport) {
  service.setRoute("/odd", [](const RecordedRequest&) {
    return Reply::html("<!doctype html><title>奇怪的页面</title><script>"
                       "Object.defineProperty(document, 'scripts', {get() { throw new Error('不可读'); }});"
                       "</script><body>x</body>");
  });
  model = services->makeBrowserModel();
  auto tab = model->newTab("/odd", "奇怪");
  show(tab);
  ASSERT_TRUE(waitLoaded(tab, "/odd"));
  auto report = dump();
  ASSERT_TRUE(report);
  ASSERT_EQ(report->size(), 1u) << report->dump();
  EXPECT_NE((*report).value("fatal", "").find("不可读"), std::string::npos) << report->dump();
}

TEST_F(DomDumpTest, WithoutALivePageTheReportSaysSo) {
  model = services->makeBrowserModel();
  for (auto tabs = model->tabs().get(); !tabs.empty(); tabs = model->tabs().get()) model->close(tabs.front());
  auto report = dump();
  ASSERT_TRUE(report);
  EXPECT_EQ(*report, (json{{"error", "没有活动标签"}}));

  // A hibernated active tab has no page either.
  auto tab = model->newTab("/dashboard", "个人工作台");
  model->hibernate(tab);
  report = dump();
  ASSERT_TRUE(report);
  EXPECT_EQ(*report, (json{{"error", "没有活动标签"}}));
}

// Pure: what a reply becomes.
TEST(DomDumpCompletion, AnObjectIsKeptAndAnythingElseIsAnErrorWithTheRawReply) {
  EXPECT_EQ(DomDump::completion(R"({"href":"x"})", ""), (json{{"href", "x"}}));
  EXPECT_EQ(DomDump::completion("[1]", ""), (json{{"error", "nil"}, {"raw", "[1]"}}));
  EXPECT_EQ(DomDump::completion("nil", "SyntaxError"), (json{{"error", "SyntaxError"}, {"raw", "nil"}}));
}
