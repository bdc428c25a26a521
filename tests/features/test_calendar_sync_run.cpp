// The calendar sync run over the in-memory store and the test service: calendar items,
// reminders with their write-back, clearing, and the run's guards.
#include <gtest/gtest.h>

#include <gio/gio.h>

#include "CalendarSyncFixture.h"
#include "CalendarTestSupport.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "TestPages.h"
#include "TestService.h"
#include "TestServiceCalendar.h"
#include "base/ErrorDomains.h"
#include "base/Log.h"
#include "features/calendar/CalendarItems.h"
#include "features/calendar/ICSParser.h"
#include "fakes/FakeCalendarStore.h"
#include "fakes/FakeWebPage.h"
#include "features/calendar/AppleCalendarSync.h"
#include "platform/UserDefaults.h"
#include "platform/calendar/SqliteCalendarStore.h"

namespace quorvel::test {
namespace {

namespace CI = CalendarItems;
using std::chrono::hours;

ICSEvent ev(const std::string& uid, const std::string& summary, int day, const std::string& url = "") {
  ICSEvent e;
  e.uid = uid;
  e.summary = summary;
  e.startDate = localDay(day) + hours(9);
  e.endDate = e.startDate + hours(1);
  e.urlString = url;
  return e;
}

TEST(CalendarItemsTest, BusyDaysFoldIntoOneDigest) {
  ScopedTimeZone tz("Asia/Shanghai");
  AppleCalendarSync::Config c;
  std::vector<ICSEvent> feed = {ev("deadline-1", "🔴【法定期限】  举证期限届满：张三诉李四合同纠纷案", 1, "https://x.cn/proceeding/88/d"),
                                ev("deadline-2", "答辩期届满", 1), ev("hearing-3", "开庭", 1),
                                ev("deadline-4", "缴费", 2), ev("deadline-5", "上诉", 2), ev("other-6", "杂项", 1)};
  auto two = CalendarItems::prepare({feed[0], feed[1], feed[3]}, c);
  ASSERT_EQ(two.size(), 3u);  // two on a day stay separate

  feed.push_back(ev("deadline-7", "提交证据", 1));
  auto items = CalendarItems::prepare(feed, c);
  ASSERT_EQ(items.size(), 4u);  // hearing, digest, two deadlines; never "other"
  EXPECT_EQ(items[0].uid, "hearing-3");
  const ICSEvent& d = items[1];
  EXPECT_EQ(d.uid, "deadline-digest-20260319@quorvel.cn");
  EXPECT_EQ(d.summary, "【法定期限·3项】举证期限届满：张三诉李四等");
  EXPECT_TRUE(d.isAllDay);
  EXPECT_NE(d.description.find("\n\n1. 🔴  举证期限届满"), std::string::npos);
  EXPECT_NE(d.description.find("   直达：quorvel://proceeding/88"), std::string::npos);
  EXPECT_EQ(d.deepLinkURL(), "quorvel://proceeding/88");
  EXPECT_EQ(items[2].uid, "deadline-4");

  // 26 on one day: 25 lines and the tail; no link anywhere gives the to-do link.
  std::vector<ICSEvent> busy;
  for (int i = 0; i < 26; ++i) busy.push_back(ev("deadline-" + std::to_string(100 + i), "期限" + std::to_string(i), 3));
  auto folded = CalendarItems::prepare(busy, c);
  ASSERT_EQ(folded.size(), 1u);
  EXPECT_NE(folded[0].description.find("\n25. 期限24"), std::string::npos);
  EXPECT_EQ(folded[0].description.find("26. "), std::string::npos);
  EXPECT_NE(folded[0].description.find("……另有 1 项，请打开墨衡台客户端待办中心查看完整清单。"), std::string::npos);
  EXPECT_EQ(folded[0].deepLinkURL(), "quorvel://todo");

  c.hearingsOnlyInCalendar = true;
  c.includeRoutinesInCalendar = true;
  feed.push_back(ev("routine-8", "复盘", 1));
  EXPECT_EQ(CalendarItems::prepare(feed, c).size(), 1u);

  // One UID twice: its last occurrence only.
  auto twice = CI::lastPerUID({ev("deadline-9", "旧", 1), ev("hearing-1", "庭", 1), ev("deadline-9", "新", 2)});
  ASSERT_EQ(twice.size(), 2u);
  EXPECT_EQ(twice[0].summary, "新");
}

TEST(CalendarItemsTest, SettledIdsKeepOrderAndNeverDropAPresentCompletedReminder) {
  std::vector<std::int64_t> ids;
  for (int i = 1; i <= 503; ++i) ids.push_back(i);
  CI::SettledIDs s(ids);
  s.add(7);  // already there: stays in place
  auto kept = s.trimmed({1, 3});
  ASSERT_EQ(kept.size(), 500u);
  EXPECT_EQ(kept[0], 1);
  EXPECT_EQ(kept[1], 3);
  EXPECT_EQ(kept[2], 6);  // 2, 4 and 5 were the oldest without a reminder
  EXPECT_EQ(kept.back(), 503);
  EXPECT_EQ(CI::extractLogID(std::string("x\n[quorvel:log:12][quorvel:log:13]")), 12);
  EXPECT_FALSE(CI::extractLogID(std::string("[quorvel:log:99999999999999999999]")));
  EXPECT_FALSE(CI::extractLogID(std::nullopt));
}

TEST_F(CalendarSyncRunTest, ApplyRewritesOnlyWhatChangedAndRemovesWhatLeft) {
  auto a = ev("hearing-1", "开庭一", 1, "https://x.cn/proceeding/5/d");
  a.location = "第三法庭";
  auto b = ev("hearing-2", "开庭二", 2);
  auto o = ev("overdue-3", "逾期", 0);
  EXPECT_EQ(apply({a, b, o}), 3);
  auto written = store->eventsIn(CI::kHearingCalendar);
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].url, "quorvel://proceeding/5");
  EXPECT_EQ(written[0].notes, "\n\n客户端直达：quorvel://proceeding/5");
  EXPECT_EQ(store->eventsIn(CI::kOverdueCalendar).size(), 1u);

  // Unchanged: no write; an edit in the calendar application is left as it is.
  int commits = store->commits;
  store->eventMap[written[1].id].title = "用户改过";
  apply({a, b, o});
  EXPECT_EQ(store->commits, commits);
  // A cleared location rewrites that one event and clears its place.
  a.location.clear();
  apply({a, b, o});
  EXPECT_EQ(store->commits, commits + 1);
  EXPECT_EQ(store->eventMap[written[0].id].location, "");
  EXPECT_EQ(store->eventMap[written[1].id].title, "用户改过");
  // An event deleted by the user is written again.
  store->eventMap.erase(written[1].id);
  apply({a, b, o});
  EXPECT_EQ(store->eventsIn(CI::kHearingCalendar).size(), 2u);
  // An empty feed removes everything and empties the maps.
  EXPECT_EQ(apply({}), 0);
  EXPECT_TRUE(store->eventMap.empty());
  EXPECT_EQ(nlohmann::json(records->eventIDs()), nlohmann::json::object());
  EXPECT_EQ(nlohmann::json(records->eventFingerprints()), nlohmann::json::object());
}

TEST_F(CalendarSyncRunTest, AFailedCommitLeavesTheStoreAndTheMapsAsTheyWere) {
  auto a = ev("hearing-1", "开庭一", 1);
  apply({a});
  auto mapBefore = records->eventIDs();
  store->failNextCommit = "磁盘已满";
  a.summary = "开庭一（改期）";
  EXPECT_THROW(apply({a, ev("hearing-2", "开庭二", 2)}), AppError);
  EXPECT_FALSE(store->hasPendingChanges());
  EXPECT_EQ(records->eventIDs(), mapBefore);
  // The next apply writes both once: no duplicate of the failed batch.
  apply({a, ev("hearing-2", "开庭二", 2)});
  auto written = store->eventsIn(CI::kHearingCalendar);
  ASSERT_EQ(written.size(), 2u);
  EXPECT_EQ(written[0].title, "开庭一（改期）");
}

TEST_F(CalendarSyncRunTest, ClearingRemovesOnlyTheSyncsCalendars) {
  auto readOnly = store->addUserCalendar(CI::kHearingCalendar, CalendarEntityType::event, false);
  auto users = store->addUserCalendar(CI::kHearingCalendar, CalendarEntityType::event);
  apply({ev("hearing-1", "开庭一", 1)});
  // Neither the subscription nor the user's calendar of that title receives the event.
  for (const auto& [id, e] : store->eventMap) {
    EXPECT_NE(e.calendarId, users.id);
    EXPECT_NE(e.calendarId, readOnly.id);
  }
  EXPECT_EQ(store->calendarList.size(), 5u);
  await(sync->clearAllSyncedData(false));
  ASSERT_EQ(store->calendarList.size(), 2u);
  EXPECT_EQ(store->calendarList[0].id, readOnly.id);
  EXPECT_EQ(store->calendarList[1].id, users.id);
  EXPECT_EQ(sync->statusText.get(), "已清空全部墨衡台同步日历与提醒（共移除 3 个专属日历）");
  EXPECT_TRUE(records->eventIDs().empty());
  EXPECT_FALSE(defaults.object("apple.cal.eventMap.v1"));
  EXPECT_EQ(countContaining(lines, "[Quorvel][CAL] 已清空同步数据（移除 3 个专属日历）"), 1);
}

TEST_F(CalendarSyncRunTest, RemindersCarryTheTagAndCompletionsAreWrittenBackOnce) {
  ScopedTimeZone tz("Asia/Shanghai");
  records->rememberSyncedAccount(feed->currentAccountKey());
  auto d = ev("deadline-123", "举证期限", 1, "https://x.cn/proceeding/9/d");
  d.description = "补充证据";
  auto r = ev("routine-124", "整理提纲", 2);
  EXPECT_EQ(await(writer->applyEventsToReminders({d, r, ev("hearing-125", "开庭", 1), ev("deadline-x", "无编号", 1)})), 2);
  ASSERT_EQ(store->reminderMap.size(), 2u);
  auto& first = store->reminderMap.at(store->order[store->order.size() - 2]);
  EXPECT_EQ(first.priority, 1);
  EXPECT_EQ(first.due, (DueDay{2026, 3, 19}));
  EXPECT_EQ(first.url, "quorvel://proceeding/9");
  EXPECT_EQ(first.notes, "补充证据\n直达卷宗：quorvel://proceeding/9\n[quorvel:log:123]");
  std::string routineID = store->order.back();
  EXPECT_EQ(store->reminderMap.at(routineID).priority, 5);

  // The routine leaves the feed: completed by the client, settled, never posted.
  await(writer->applyEventsToReminders({d}));
  EXPECT_TRUE(store->reminderMap.at(routineID).completed);
  EXPECT_EQ(nlohmann::json(records->settledIDs().ids()), nlohmann::json({124}));

  // Another application ticks the deadline off: one post after the debounce.
  sync->startObservingStore();
  drainMainLoop();
  std::string deadlineID = store->order[store->order.size() - 2];
  markDoneOK = false;
  store->completeExternally(deadlineID);
  store->completeExternally(deadlineID);  // a burst: one check
  ASSERT_TRUE(service.waitForRequest("/api/mark_todo_done/123", 5000));
  runMainLoopUntil([] { return false; }, 400);
  EXPECT_EQ(service.requestsTo("/api/mark_todo_done/123").size(), 1u);
  EXPECT_EQ(sync->writeBackCount.get(), 0);  // failed: stays unsettled
  markDoneOK = true;
  // Two checks at once post once.
  auto x = runToEnd(writeBack->checkCompletedRemindersAndWriteBack());
  auto y = runToEnd(writeBack->checkCompletedRemindersAndWriteBack());
  EXPECT_TRUE(x->done && y->done);
  EXPECT_EQ(service.requestsTo("/api/mark_todo_done/123").size(), 2u);
  EXPECT_EQ(sync->writeBackCount.get(), 1);
  EXPECT_EQ(sync->statusText.get(), "已回写 1 条提醒事项完成状态");
  EXPECT_EQ(countContaining(lines, "[Quorvel][CAL] 双向回写完成：log_id=123"), 1);
  // Reopened after it was settled: neither updated nor posted again.
  store->reminderMap.at(deadlineID).completed = false;
  await(writer->applyEventsToReminders({d}));
  await(writeBack->checkCompletedRemindersAndWriteBack());
  EXPECT_FALSE(store->reminderMap.at(deadlineID).completed);
  EXPECT_EQ(service.requestsTo("/api/mark_todo_done/123").size(), 2u);

  // Another account signed in: no write-back for the old account's reminders.
  store->reminderMap.at(deadlineID).completed = true;
  records->storeSettled(CI::SettledIDs(), {});
  signIn(kAccountB);
  await(writeBack->checkCompletedRemindersAndWriteBack());
  EXPECT_EQ(service.requestsTo("/api/mark_todo_done/123").size(), 2u);
}

TEST_F(CalendarSyncRunTest, ARunWritesTheFeedAndKeepsItsTagOnlyAfterWriting) {
  run(true);
  EXPECT_FALSE(sync->isSyncing.get());
  auto hearings = store->eventsIn(CI::kHearingCalendar);
  EXPECT_EQ(hearings.size(), 3u);
  EXPECT_EQ(sync->syncedRemindersCount.get(), 7);  // four deadlines (6203 once) and three routines
  EXPECT_EQ(sync->statusText.get().rfind("日历 " + std::to_string(sync->syncedEventsCount.get()) + " 条 · 提醒 ", 0), 0u);
  EXPECT_EQ(countContaining(lines, "[Quorvel][CAL] 同步完成：日历 "), 1);

  // Unchanged feed, normal run: 304, nothing written.
  int commits = store->commits;
  run(false);
  EXPECT_EQ(service.requestsTo(kDemoFeedPath).back().header("if-none-match"), feedETag(demoCalendarFeed()));
  EXPECT_EQ(sync->statusText.get().rfind("已是最新（无变更） · ", 0), 0u);
  EXPECT_EQ(store->commits, commits);

  // A changed feed whose writing fails: the next normal run sends no tag and writes.
  setCalendarFeed(feedWith({ev("hearing-9001", "新增开庭", 0)}));
  store->failNextCommit = "日历服务无响应";
  run(false);
  EXPECT_EQ(sync->statusText.get(), "同步暂停：日历服务无响应");
  EXPECT_EQ(countContaining(lines, "[Quorvel][CAL] 同步失败：日历服务无响应"), 1);
  run(false);
  EXPECT_EQ(service.requestsTo(kDemoFeedPath).back().header("if-none-match"), "");
  EXPECT_EQ(store->eventsIn(CI::kHearingCalendar).size(), 4u);
}

TEST_F(CalendarSyncRunTest, ALargeFeedSyncsWithoutHoldingUpTheMainLoopOrTheSettingsFile) {
  // 20,000 events: parsed, prepared and fingerprinted off the main thread, written in slices.
  setCalendarFeed(generatedCalendarFeed(20000));
  // The client's first request, long before any sync, loads GIO's proxy and network
  // modules from disk; on a disk busy with other writers that alone can take longer
  // than the bound. Loaded here too, before the clock runs.
  g_proxy_resolver_get_default();
  g_network_monitor_get_default();
  auto last = std::chrono::steady_clock::now();
  std::chrono::steady_clock::duration longest{};
  unsigned ticking = startRepeatingTimer(2, [&] {
    auto now = std::chrono::steady_clock::now();
    longest = std::max(longest, now - last);
    last = now;
    return true;
  });
  run(true);
  cancelTimer(ticking);
  EXPECT_FALSE(sync->isSyncing.get());
  EXPECT_EQ(countContaining(lines, "[Quorvel][CAL] 同步完成：日历 "), 1);
  const auto written = store->eventMap.size();
  EXPECT_GT(written, 5000u);
  EXPECT_EQ(records->eventIDs().size(), written);
  EXPECT_EQ(records->eventFingerprints().size(), written);
  EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(longest).count(), 150 * kSanitizerSlowdown);
  // The records are in their own store: the settings file stays small.
  records->flush();
  drainMainLoop();
  defaults.flush();
  EXPECT_LT(std::filesystem::file_size(defaults.file()), 64u * 1024);
}

TEST_F(CalendarSyncRunTest, TheFeedTagSurvivesTheFirstSignIn) {
  signIn(R"({"overdue":1})");  // the counts do not say yet who is signed in
  run(false);
  ASSERT_EQ(feedRequests(), 1);
  EXPECT_EQ(store->eventsIn(CI::kHearingCalendar).size(), 3u);
  EXPECT_EQ(storedAccount(), std::nullopt);

  // The account becomes known: no change of account, the same feed, asked with its tag.
  signIn(kAccountA);
  int commits = store->commits;
  run(false);
  EXPECT_EQ(feedRequests(), 2);
  EXPECT_EQ(conditionalFeedRequests(), 1);
  EXPECT_EQ(service.requestsTo(kDemoFeedPath).back().header("if-none-match"), feedETag(demoCalendarFeed()));
  EXPECT_EQ(discoveries, 1);
  EXPECT_EQ(countContaining(lines, "账号已变化"), 0);
  EXPECT_EQ(countContaining(lines, "检测到账号切换"), 0);
  EXPECT_EQ(sync->statusText.get().rfind("已是最新（无变更） · ", 0), 0u);
  EXPECT_EQ(store->commits, commits);
  EXPECT_EQ(storedAccount(), "墨衡律师事务所:张律师");

  // Another account afterwards is a change: found anew, fetched without the old tag.
  signIn(kAccountB);
  run(false);
  EXPECT_EQ(countContaining(lines, "账号已变化，重新查找日历订阅链接"), 1);
  EXPECT_EQ(discoveries, 2);
  EXPECT_EQ(conditionalFeedRequests(), 1);
}

TEST_F(CalendarSyncRunTest, RunsDuringARunAreDroppedAndSwitchingAccountsClearsFirst) {
  auto first = std::make_shared<Outcome<bool>>();
  spawn(collectOutcome(finished(sync->syncNow(true)), first));  // waits for the access answer
  auto second = runToEnd(sync->syncNow(true));
  EXPECT_TRUE(second->done && !first->done);
  ASSERT_TRUE(waitUntil([&] { return !sync->isSyncing.get(); }, 10000));
  EXPECT_EQ(feedRequests(), 1);
  EXPECT_EQ(storedAccount(), "墨衡律师事务所:张律师");
  auto oldCalendars = store->calendarList;

  signIn(kAccountB);
  setCalendarFeed(feedWith({ev("hearing-9100", "李律师的开庭", 0)}));
  run(false);
  EXPECT_EQ(countContaining(lines, "检测到账号切换（墨衡律师事务所:张律师 → 澄川律师事务所:李律师）"), 1);
  for (const auto& c : store->calendarList)
    for (const auto& old : oldCalendars) EXPECT_NE(c.id, old.id);
  EXPECT_EQ(storedAccount(), "澄川律师事务所:李律师");
  EXPECT_EQ(store->eventsIn(CI::kHearingCalendar).size(), 4u);

  // Switched off: a normal run does nothing; the written items stay.
  sync->setEnabled(false);
  EXPECT_EQ(sync->statusText.get(), "已暂停自动同步（已写入的日历事件仍保留）");
  int requests = feedRequests();
  run(false);
  EXPECT_EQ(feedRequests(), requests);
  EXPECT_EQ(store->eventsIn(CI::kHearingCalendar).size(), 4u);
}

TEST_F(CalendarSyncRunTest, TheFirstPageLoadMakesTheInitialRunOnce) {
  sync->startIfEnabled();
  sync->syncAfterPageLoadedIfNeeded();
  ASSERT_TRUE(waitUntil([&] { return feedRequests() == 1 && !sync->isSyncing.get(); }, 10000));
  runMainLoopUntil([] { return false; }, 300);  // the launch delay passes
  sync->syncAfterPageLoadedIfNeeded();
  drainMainLoop();
  EXPECT_EQ(feedRequests(), 1);
}

TEST_F(CalendarSyncRunTest, TheSqliteStoreReceivesTheFeedAndWritesItsCalendarFiles) {
  auto sqlite = std::make_unique<SqliteCalendarStore>(home.dataHome() / "Quorvel");
  auto* s = sqlite.get();
  slot->setStore(std::move(sqlite));
  run(true);
  EXPECT_EQ(sync->statusText.get().rfind("日历 ", 0), 0u) << sync->statusText.get();
  auto calendars = await(s->calendars(CalendarEntityType::event));
  auto hearing = std::find_if(calendars.begin(), calendars.end(), [](auto& c) { return c.title == CI::kHearingCalendar; });
  ASSERT_NE(hearing, calendars.end());
  EXPECT_EQ(await(s->events(hearing->id)).size(), 3u);
  auto file = await(s->icsFile(hearing->id));
  EXPECT_TRUE(std::filesystem::exists(file));
  run(false);
  EXPECT_EQ(sync->statusText.get().rfind("已是最新（无变更）", 0), 0u);
  // Clearing in our own store removes the four calendars.
  await(sync->clearAllSyncedData(true));
  EXPECT_TRUE(await(s->calendars(CalendarEntityType::event)).empty());
}

}  // namespace
}  // namespace quorvel::test

namespace quorvel::test {
namespace {

TEST_F(CalendarSyncRunTest, AccessAndTheSwitch) {
  // Refused access: a forced run says so and changes nothing; switching on turns back off.
  store->grantAccess = false;
  run(true);
  EXPECT_EQ(sync->statusText.get(), "缺少本机日历写入权限：本机日历服务没有响应，请稍后重试");
  EXPECT_FALSE(sync->isSyncing.get());
  EXPECT_EQ(feedRequests(), 0);
  sync->setEnabled(true);
  ASSERT_TRUE(waitUntil([&] { return !sync->config->enabled; }, 5000));
  EXPECT_FALSE(AppleCalendarSync::Config::load(defaults).enabled);
  EXPECT_EQ(sync->statusText.get().rfind("未获得日历/提醒事项权限", 0), 0u);

  // Off: store changes schedule no check, yet a forced run runs fully.
  store->grantAccess = true;
  records->rememberSyncedAccount(feed->currentAccountKey());
  await(writer->applyEventsToReminders(ICSParser::parse(demoCalendarFeed())));
  store->completeExternally(store->order.front());
  sync->scheduleWriteBackCheck();
  runMainLoopUntil([] { return false; }, 400);
  EXPECT_TRUE(service.requestsTo("/api/mark_todo_done/6201").empty());
  run(true);
  EXPECT_EQ(feedRequests(), 1);
  EXPECT_EQ(service.requestsTo("/api/mark_todo_done/6201").size(), 1u);  // the run's own check

  // On with access: a forced run at once; with write-back off no check is scheduled.
  sync->setEnabled(true);
  ASSERT_TRUE(waitUntil([&] { return feedRequests() == 2 && !sync->isSyncing.get(); }, 5000));
  auto c = sync->config.get();
  c.twoWayWriteBack = false;
  sync->updateConfig(c);
  for (const auto& [id, r] : store->reminderMap)
    if (CI::extractLogID(r.notes) == 6202) store->completeExternally(id);
  runMainLoopUntil([] { return false; }, 400);
  EXPECT_EQ(service.requests().size(), service.requestsTo(kDemoFeedPath).size() +
                                           service.requestsTo("/api/mark_todo_done/6201").size());
}

TEST_F(CalendarSyncRunTest, DiagnosticModeChangesNothing) {
  auto quiet = pages.model(nullptr, AppMode::diagnostic);
  build(*quiet);
  sync->startIfEnabled();
  sync->syncAfterPageLoadedIfNeeded();
  run(true);
  runMainLoopUntil([] { return false; }, 200);
  EXPECT_EQ(feedRequests(), 0);
  EXPECT_TRUE(store->calendarList.empty());
}

// The feed source on its own: the tag is sent only once the run said the calendars hold
// its body; the desktop calendar's fetch neither sends nor disturbs it.
TEST_F(CalendarSyncRunTest, TheFeedSourceSendsATagOnlyAfterTheCalendarsWereWritten) {
  const std::string tag = feedETag(demoCalendarFeed());
  auto first = await(feed->fetchForSync(false));
  EXPECT_FALSE(first.notModified);
  EXPECT_EQ(first.etag, tag);
  EXPECT_EQ(first.address, service.url(kDemoFeedPath));
  EXPECT_FALSE(feed->cachedETag());
  // Not kept (the writing failed): the next fetch takes the whole feed again.
  auto second = await(feed->fetchForSync(false));
  EXPECT_FALSE(second.notModified);
  EXPECT_EQ(conditionalFeedRequests(), 0);

  feed->keepETag(second);
  EXPECT_EQ(feed->cachedETag(), tag);
  auto live = await(feed->fetchLiveEvents(false));
  EXPECT_FALSE(live.empty());
  EXPECT_EQ(service.requestsTo(kDemoFeedPath).back().header("if-none-match"), "");
  EXPECT_EQ(feed->cachedETag(), tag);
  auto third = await(feed->fetchForSync(false));
  EXPECT_TRUE(third.notModified);
  EXPECT_EQ(service.requestsTo(kDemoFeedPath).back().header("if-none-match"), tag);
  EXPECT_EQ(discoveries, 1);

  // Forced: found anew, asked without the tag; the new body drops the kept one.
  auto forced = await(feed->fetchForSync(true));
  EXPECT_FALSE(forced.notModified);
  EXPECT_EQ(discoveries, 2);
  EXPECT_EQ(service.requestsTo(kDemoFeedPath).back().header("if-none-match"), "");
  EXPECT_FALSE(feed->cachedETag());
  // A reply whose address was dropped meanwhile leaves no tag behind.
  feed->forgetFeedCache();
  feed->keepETag(forced);
  EXPECT_FALSE(feed->cachedETag());

  // A page instead of the feed: the run's error, and the address is found anew next time.
  service.setRoute(kDemoFeedPath, [](const RecordedRequest&) { return Reply::html(pages::login()); });
  try {
    await(feed->fetchForSync(false));
    ADD_FAILURE() << "a login page was taken for the feed";
  } catch (const AppError& e) {
    EXPECT_EQ(e.domain, errors::kAppleCal);
    EXPECT_EQ(e.code, 200);
    EXPECT_EQ(e.message, "拉取日历流失败：尚未登录或登录已过期");
  }
  EXPECT_FALSE(feed->cachedAllICSURL());
}

// Clearing drops the kept tag: after the calendars went, a normal run writes the feed
// in full instead of hearing "no change".
TEST_F(CalendarSyncRunTest, ClearingMakesTheNextRunFetchTheWholeFeed) {
  run(false);
  ASSERT_TRUE(feed->cachedETag());
  await(sync->clearAllSyncedData(true));
  EXPECT_FALSE(feed->cachedETag());
  EXPECT_EQ(sync->syncedEventsCount.get(), 0);
  run(false);
  EXPECT_EQ(conditionalFeedRequests(), 0);
  EXPECT_EQ(store->eventsIn(CI::kHearingCalendar).size(), 3u);
  EXPECT_EQ(sync->statusText.get().rfind("日历 ", 0), 0u);
}

}  // namespace
}  // namespace quorvel::test
