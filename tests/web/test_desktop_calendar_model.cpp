// The desktop calendar's data model: the live feed from the test service in display order,
// mark-done through the service, the fallback from the deadline lists, refreshes that
// finish out of order, and the toast's clock.
#include <gtest/gtest.h>

#include <coroutine>

#include "ServiceTabFixture.h"
#include "TestHelpers.h"
#include "TestServiceCalendar.h"
#include "base/AppError.h"
#include "core/BrowserModel.h"
#include "features/calendar/DesktopCalendarRules.h"
#include "features/calendar/CalendarFeedSource.h"
#include "features/calendar/DesktopCalendarModel.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

// The error text the view shows: none after a refresh that worked.
std::string shownError(const DesktopCalendarModel& m) { return m.error.get() ? describe(*m.error.get()) : std::string(); }

// A fetch that ends when the test says so.
struct Gate {
  std::coroutine_handle<> waiter;
  bool open = false;
  struct Wait {
    Gate* gate;
    bool await_ready() const noexcept { return gate->open; }
    void await_suspend(std::coroutine_handle<> h) noexcept { gate->waiter = h; }
    void await_resume() const noexcept {}
  };
  Wait wait() { return Wait{this}; }
  void release() {
    open = true;
    if (auto h = std::exchange(waiter, {})) h.resume();
  }
};

ICSEvent event(const std::string& uid) {
  ICSEvent e;
  e.uid = uid;
  e.summary = uid;
  e.startDate = std::chrono::system_clock::now();
  return e;
}

class DesktopCalendarModelFeedTest : public ServiceTabFixture {
 protected:
  std::unique_ptr<CalendarFeedSource> sync;
  std::unique_ptr<DesktopCalendarModel> store;
  std::vector<std::pair<std::string, std::string>> audits;

  void SetUp() override {
    ServiceTabFixture::SetUp();
    signIn();
    model = services->makeBrowserModel();
    auto tab = model->activeTab();
    TabLoadWatch load(tab);
    show(tab);
    ASSERT_TRUE(load.wait("/dashboard"));
    ASSERT_TRUE(waitUntil([&] { return model->account().badges->loaded; }, 10000));
    sync = std::make_unique<CalendarFeedSource>(*model);
    auto s = DesktopCalendarModel::servicesOver(*sync, *model);
    s.audit = [this](const std::string& a, const std::string& rel) { audits.emplace_back(a, rel); };
    store = std::make_unique<DesktopCalendarModel>(std::move(s));
  }
  void TearDown() override {
    store.reset();
    sync.reset();
    ServiceTabFixture::TearDown();
  }
};

TEST_F(DesktopCalendarModelFeedTest, RefreshShowsTheFeedInDisplayOrderAndMarkDoneRemovesTheItem) {
  runToEnd(store->refresh(false), 20000);
  EXPECT_FALSE(store->loading.get());
  EXPECT_EQ(shownError(*store), "");
  EXPECT_EQ(store->updatedAtText->size(), 5u);
  const auto events = store->events.get();
  ASSERT_FALSE(events.empty());
  auto sorted = events;
  sortForDesktopDisplay(sorted);
  EXPECT_EQ(sorted, events);

  // The first event with a log id; every entry of that item goes.
  std::optional<std::int64_t> id;
  ICSEvent target;
  for (auto& e : events)
    if (e.logID()) {
      id = e.logID();
      target = e;
      break;
    }
  ASSERT_TRUE(id);
  runToEnd(store->markDone(target));
  auto posts = service.requestsTo("/api/mark_todo_done/" + std::to_string(*id));
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].method, "POST");
  for (auto& e : store->events.get()) EXPECT_NE(e.logID(), id);
  EXPECT_LT(store->events->size(), events.size());
  EXPECT_EQ(store->toastText.get(), "已标记完成并同步系统");
  ASSERT_EQ(audits.size(), 1u);
  EXPECT_EQ(audits[0], std::make_pair(std::string("desktop-calendar-done"), "log:" + std::to_string(*id)));

  // A fallback event has no log id: nothing is sent, no toast.
  store->showToast("");
  const auto before = service.requests().size();
  runToEnd(store->markDone(event("hearing-fallback-0")));
  EXPECT_EQ(service.requests().size(), before);
  EXPECT_EQ(store->toastText.get(), "");
}

TEST_F(DesktopCalendarModelFeedTest, FailedFeedFallsBackToTheDeadlinesOnlyWhenNothingIsShown) {
  bool fetched = false;
  model->reads().fetchDeadlines([&] { fetched = true; });
  ASSERT_TRUE(waitUntil([&] { return fetched && !model->account().deadlines->empty(); }, 10000));
  service.setRoute("/calendar/subscribe", [](const RecordedRequest&) { return Reply::html("<p>没有订阅链接</p>"); });
  runToEnd(store->refresh(false), 20000);
  EXPECT_FALSE(store->loading.get());
  EXPECT_NE(shownError(*store), "");
  EXPECT_EQ(store->updatedAtText.get(), "");
  ASSERT_FALSE(store->events->empty());
  const auto& d = model->account().deadlines.get();
  EXPECT_EQ(store->events->size(), d.hearings.size() + d.overdue.size() + d.today.size() + d.soon.size());
  EXPECT_EQ(store->events->front().uid.find(d.hearings.empty() ? "overdue-fallback-" : "hearing-fallback-"), 0u);
}

class DesktopCalendarModelRulesTest : public ::testing::Test {
 protected:
  std::vector<std::unique_ptr<Gate>> gates;
  std::vector<std::vector<ICSEvent>> answers;
  std::vector<bool> forces;
  std::vector<std::pair<unsigned, std::function<void()>>> timers;
  Deadlines deadlines;
  std::unique_ptr<DesktopCalendarModel> store;

  void SetUp() override {
    DesktopCalendarModel::Services s;
    s.fetchLiveEvents = [this](bool force) -> Task<std::vector<ICSEvent>> {
      forces.push_back(force);
      gates.push_back(std::make_unique<Gate>());
      answers.emplace_back();
      const size_t i = gates.size() - 1;
      auto wait = gates[i]->wait();
      co_await wait;
      if (answers[i].empty()) throw AppError("Quorvel", 1, "没有打开的页面（请先登录）");
      co_return answers[i];
    };
    s.deadlines = [this] { return deadlines; };
    s.serverURL = [] { return std::string("https://law.example.cn"); };
    s.after = [this](unsigned ms, std::function<void()> fn) { timers.emplace_back(ms, std::move(fn)); };
    s.postForm = [](std::string) -> Task<FormResult> { co_return FormResult{true, 200, "{}"}; };
    s.refreshBadges = [] {};
    s.audit = [](const std::string&, const std::string&) {};
    store = std::make_unique<DesktopCalendarModel>(std::move(s));
  }
};

TEST_F(DesktopCalendarModelRulesTest, AnOlderSlowRefreshNeverOverwritesANewerOne) {
  auto older = store->refresh(false);  // the user's refresh
  EXPECT_TRUE(store->loading.get());
  auto newer = store->refresh(true);  // the timer's
  EXPECT_EQ(forces, (std::vector<bool>{true, false}));
  answers[1] = {event("hearing-2")};
  gates[1]->release();
  ASSERT_EQ(store->events->size(), 1u);
  EXPECT_EQ(store->events->front().uid, "hearing-2");
  EXPECT_TRUE(store->loading.get());  // the silent refresh did not set it, so it does not clear it
  answers[0] = {event("deadline-1"), event("deadline-9")};
  gates[0]->release();
  ASSERT_EQ(store->events->size(), 1u);  // stale result dropped
  EXPECT_EQ(store->events->front().uid, "hearing-2");
  EXPECT_FALSE(store->loading.get());  // cleared by the refresh that set it
  EXPECT_TRUE(older.done() && newer.done());

  // A stale failure neither writes its error nor fills the fallback.
  auto slowFailure = store->refresh(true);
  auto quick = store->refresh(true);
  answers[3] = {event("routine-3")};
  gates[3]->release();
  gates[2]->release();  // fails (no answer)
  EXPECT_EQ(shownError(*store), "");
  EXPECT_EQ(store->events->front().uid, "routine-3");
}

TEST_F(DesktopCalendarModelRulesTest, FailureKeepsShownEventsOrFillsTheFallback) {
  TodoItem h, o;
  h.content = "开庭";
  h.date = "2026-03-18";
  o.content = "超期";
  deadlines.overdue = {o};
  deadlines.hearings = {h};
  auto first = store->refresh(true);
  EXPECT_FALSE(store->loading.get());  // silent never shows loading
  gates[0]->release();
  ASSERT_EQ(store->events->size(), 2u);
  EXPECT_EQ(store->events->at(0).uid, "hearing-fallback-0");
  EXPECT_EQ(store->events->at(1).uid, "overdue-fallback-1");
  EXPECT_EQ(shownError(*store), "没有打开的页面（请先登录）");

  auto ok = store->refresh(true);
  EXPECT_EQ(shownError(*store), "");
  answers[1] = {event("deadline-5")};
  gates[1]->release();
  auto failed = store->refresh(false);
  gates[2]->release();
  ASSERT_EQ(store->events->size(), 1u);  // kept
  EXPECT_EQ(store->events->front().uid, "deadline-5");
  EXPECT_FALSE(shownError(*store).empty());
  EXPECT_FALSE(store->loading.get());
}

TEST_F(DesktopCalendarModelRulesTest, ToastsClearAfterTheirOwnTime) {
  store->showToast("第一条");
  store->showToast("第二条");
  ASSERT_EQ(timers.size(), 2u);
  EXPECT_EQ(timers[0].first, 2600u);
  timers[0].second();  // the first block finds a newer text and leaves it
  EXPECT_EQ(store->toastText.get(), "第二条");
  timers[1].second();
  EXPECT_EQ(store->toastText.get(), "");
  store->showToast("同一条");
  store->showToast("同一条");
  timers[2].second();  // the same text twice: the first block clears it
  EXPECT_EQ(store->toastText.get(), "");
}

}  // namespace
