// The system calendar store over Evolution Data Server, inside the private session
// bus of the display wrapper: the registry and the calendar factory start there by
// D-Bus activation.
#include <gtest/gtest.h>
#include <libecal/libecal.h>

#include "TestEnv.h"
#include "CalendarStoreContract.h"
#include "CalendarSyncFixture.h"
#include "features/calendar/CalendarItems.h"
#include "features/calendar/ICSParser.h"
#include "platform/calendar/SqliteCalendarStore.h"
#include "base/AppError.h"
#include "base/Log.h"
#include "platform/calendar/CalendarStoreFactory.h"
#include "platform/calendar/EdsCalendarStore.h"

namespace quorvel::test {
namespace {

// EDS services started by activation inherit the bus's environment: no desktop
// settings daemon and no GVfs in a test session.
void prepareEdsEnvironment() {
  static bool done = false;
  if (done) return;
  done = true;
  GError* error = nullptr;
  GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, &error);
  ASSERT_TRUE(bus) << (error ? error->message : "");
  GVariantBuilder env;
  g_variant_builder_init(&env, G_VARIANT_TYPE("a{ss}"));
  g_variant_builder_add(&env, "{ss}", "GSETTINGS_BACKEND", "memory");
  g_variant_builder_add(&env, "{ss}", "GIO_USE_VFS", "local");
  GVariant* reply = g_dbus_connection_call_sync(bus, "org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                "org.freedesktop.DBus", "UpdateActivationEnvironment",
                                                g_variant_new("(a{ss})", &env), nullptr, G_DBUS_CALL_FLAGS_NONE, 5000,
                                                nullptr, &error);
  if (reply) g_variant_unref(reply);
  g_clear_error(&error);
  g_object_unref(bus);
}

std::unique_ptr<SystemCalendarStore> makeEds() {
  prepareEdsEnvironment();
  // The first start of the services on a fresh bus takes a few seconds.
  return await(EdsCalendarStore::open(30000), 40000);
}

INSTANTIATE_TEST_SUITE_P(Eds, CalendarStoreContract, ::testing::Values(StoreMaker{"Eds", makeEds}), storeMakerName);

// A second EDS client, as the desktop's task application is: it ticks a reminder off.
void completeInAnotherClient(const std::string& listID, const std::string& uid) {
  GError* error = nullptr;
  ESourceRegistry* registry = e_source_registry_new_sync(nullptr, &error);
  ASSERT_TRUE(registry) << (error ? error->message : "");
  ESource* source = e_source_registry_ref_source(registry, listID.c_str());
  ASSERT_TRUE(source);
  EClient* client = e_cal_client_connect_sync(source, E_CAL_CLIENT_SOURCE_TYPE_TASKS, static_cast<guint32>(-1),
                                              nullptr, &error);
  ASSERT_TRUE(client) << (error ? error->message : "");
  ICalComponent* comp = nullptr;
  ASSERT_TRUE(e_cal_client_get_object_sync(E_CAL_CLIENT(client), uid.c_str(), nullptr, &comp, nullptr, &error));
  i_cal_component_set_status(comp, I_CAL_STATUS_COMPLETED);
  ICalTime* now = i_cal_time_new_current_with_zone(i_cal_timezone_get_utc_timezone());
  i_cal_component_take_property(comp, i_cal_property_new_completed(now));
  g_object_unref(now);
  EXPECT_TRUE(e_cal_client_modify_object_sync(E_CAL_CLIENT(client), comp, E_CAL_OBJ_MOD_ALL,
                                              E_CAL_OPERATION_FLAG_NONE, nullptr, &error))
      << (error ? error->message : "");
  g_clear_error(&error);
  g_object_unref(comp);
  g_object_unref(client);
  g_object_unref(source);
  g_object_unref(registry);
}

TEST(EdsCalendarStore, AReminderCompletedByAnotherClientIsSignalledWithinFiveSeconds) {
  auto store = makeEds();
  auto sources = await(store->sources());
  ASSERT_FALSE(sources.empty());
  EXPECT_EQ(sources.front().type, CalendarSourceType::local);
  auto list = await(store->createCalendar("墨衡台待办", "#7C3AED", CalendarEntityType::reminder, sources.front().id));
  ReminderItem r;
  r.calendarId = list.id;
  r.title = "提交证据";
  r.notes = "[quorvel:log:8401]";
  r.due = DueDay{2026, 3, 18};
  r.priority = 1;
  r.id = store->saveReminder(r);
  int changed = 0;
  auto c = store->changed().connect([&] { ++changed; });
  await(store->commit());
  // Our own write comes back through the live view as well; let it settle.
  runMainLoopUntil([&] { return changed >= 2; }, 3000);
  runMainLoopUntil([] { return false; }, 300);

  changed = 0;
  completeInAnotherClient(list.id, SystemCalendarStore::splitItemID(r.id)->second);
  EXPECT_TRUE(waitUntil([&] { return changed > 0; }, 5000));
  auto read = await(store->reminders({list.id}));
  ASSERT_EQ(read.size(), 1u);
  EXPECT_TRUE(read[0].completed);
  EXPECT_TRUE(read[0].completionDate);
  c.disconnect();
}

// The events of a calendar as a second EDS client (the desktop's calendar) reads them.
std::vector<std::string> summariesInAnotherClient(const std::string& calendarID) {
  std::vector<std::string> out;
  GError* error = nullptr;
  ESourceRegistry* registry = e_source_registry_new_sync(nullptr, &error);
  EXPECT_TRUE(registry);
  if (!registry) return out;
  ESource* source = e_source_registry_ref_source(registry, calendarID.c_str());
  EClient* client = source ? e_cal_client_connect_sync(source, E_CAL_CLIENT_SOURCE_TYPE_EVENTS, static_cast<guint32>(-1),
                                                       nullptr, &error)
                           : nullptr;
  GSList* comps = nullptr;
  if (client && e_cal_client_get_object_list_as_comps_sync(E_CAL_CLIENT(client), "#t", &comps, nullptr, &error))
    for (GSList* l = comps; l; l = l->next) {
      auto* text = e_cal_component_get_summary(E_CAL_COMPONENT(l->data));
      if (text) out.push_back(e_cal_component_text_get_value(text)), e_cal_component_text_free(text);
    }
  e_client_util_free_object_slist(comps);
  g_clear_error(&error);
  if (client) g_object_unref(client);
  if (source) g_object_unref(source);
  g_object_unref(registry);
  return out;
}

class EdsCalendarSyncTest : public CalendarSyncRunTest {
 public:
  EdsCalendarSyncTest() : CalendarSyncRunTest(makeEds()) {}
};

TEST_F(EdsCalendarSyncTest, TheFeedReachesTheDesktopCalendarAndACompletionReachesTheServiceOnce) {
  sync->setTiming({8000, 1800, 60000});
  run(true);
  ASSERT_EQ(sync->statusText.get().rfind("日历 ", 0), 0u) << sync->statusText.get();
  auto calendars = await(slot->store()->calendars(CalendarEntityType::event));
  auto hearing = std::find_if(calendars.begin(), calendars.end(),
                              [](auto& c) { return c.title == CalendarItems::kHearingCalendar; });
  ASSERT_NE(hearing, calendars.end());
  auto summaries = summariesInAnotherClient(hearing->id);
  EXPECT_EQ(summaries.size(), 3u);
  EXPECT_NE(std::find(summaries.begin(), summaries.end(), "开庭：张三诉李四合同纠纷"), summaries.end());

  // Unchanged feed: 304 and no write.
  run(false);
  EXPECT_EQ(sync->statusText.get().rfind("已是最新（无变更）", 0), 0u);

  // The desktop's task application ticks deadline 6201 off.
  sync->startObservingStore();
  drainMainLoop();
  auto lists = await(slot->store()->calendars(CalendarEntityType::reminder));
  auto list = std::find_if(lists.begin(), lists.end(), [](auto& c) { return c.title == CalendarItems::kReminderList; });
  ASSERT_NE(list, lists.end());
  auto reminders = await(slot->store()->reminders({list->id}));
  auto it = std::find_if(reminders.begin(), reminders.end(),
                         [](auto& r) { return CalendarItems::extractLogID(r.notes) == 6201; });
  ASSERT_NE(it, reminders.end());
  runMainLoopUntil([] { return false; }, 500);  // our own writes settle
  auto started = std::chrono::steady_clock::now();
  completeInAnotherClient(list->id, SystemCalendarStore::splitItemID(it->id)->second);
  ASSERT_TRUE(service.waitForRequest("/api/mark_todo_done/6201", 5000));
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5 * test::kSanitizerSlowdown));
  runMainLoopUntil([] { return false; }, 2500);
  EXPECT_EQ(service.requestsTo("/api/mark_todo_done/6201").size(), 1u);
  EXPECT_EQ(sync->writeBackCount.get(), 1);
  await(sync->clearAllSyncedData(true));
}

// 2,000 feed events written from scratch, then again with 1 % changed: the figures go to
// the test's output; the second pass must rewrite exactly the changed events.
void benchmarkSync(const char* name, std::unique_ptr<SystemCalendarStore> store) {
  TempHome home;
  UserDefaults defaults{home.configHome() / "Quorvel" / "defaults.json"};
  CalendarStoreSlot slot;
  CalendarSyncRecords records(defaults);
  CalendarWriter sync(slot, records);
  auto* s = store.get();
  slot.setStore(std::move(store));
  AppleCalendarSync::Config c;
  c.includeRoutinesInCalendar = true;
  c.foldBusyDeadlines = false;
  auto items = CalendarItems::prepare(ICSParser::parse(generatedCalendarFeed(2000)), c);
  ASSERT_EQ(items.size(), 2000u);
  using Clock = std::chrono::steady_clock;
  auto ms = [](Clock::duration d) { return std::chrono::duration_cast<std::chrono::milliseconds>(d).count(); };
  auto t0 = Clock::now();
  EXPECT_EQ(await(sync.applyEventsToCalendar(items), 300000), 2000);
  auto t1 = Clock::now();
  for (int i = 0; i < 2000; i += 100) items[i].summary += "（改期）";
  int changes = 0;
  auto counting = s->changed().connect([&] { ++changes; });
  EXPECT_EQ(await(sync.applyEventsToCalendar(items), 300000), 2000);
  auto t2 = Clock::now();
  counting.disconnect();
  EXPECT_GE(changes, 1);
  auto calendars = await(s->calendars(CalendarEntityType::event));
  size_t total = 0, rewritten = 0;
  for (const auto& cal : calendars)
    for (const auto& e : await(s->events(cal.id))) {
      ++total;
      if (e.title.find("（改期）") != std::string::npos) ++rewritten;
    }
  EXPECT_EQ(total, 2000u);
  EXPECT_EQ(rewritten, 20u);
  std::cout << "[bench] " << name << ": 2000 events from scratch " << ms(t1 - t0) << " ms, re-sync with 1 % changed "
            << ms(t2 - t1) << " ms\n";
  await(sync.clearAllSyncedData());
}

TEST(CalendarSyncBenchmark, TwoThousandEventsEachBackend) {
  benchmarkSync("in-memory", std::make_unique<FakeCalendarStore>());
  TempHome sqliteHome;
  benchmarkSync("SQLite", std::make_unique<SqliteCalendarStore>(sqliteHome.dataHome() / "Quorvel"));
  benchmarkSync("EDS", makeEds());
}

TEST(CalendarStoreFactory, ChoosesEdsWhenItAnswersAndLogsTheBackend) {
  prepareEdsEnvironment();
  std::vector<std::string> lines;
  setLogSink([&](const std::string& l) { lines.push_back(l); });
  CalendarStoreOptions options;
  options.edsTimeoutMs = 30000;
  auto store = await(openSystemCalendarStore(options), 40000);
  setLogSink({});
  EXPECT_EQ(store->backend(), CalendarBackend::eds);
  EXPECT_EQ(countContaining(lines, "[Quorvel][CAL] 日历存储：Evolution 数据服务"), 1);
}

TEST(CalendarStoreFactory, FallsBackToTheSqliteStoreWhenEdsIsMute) {
  std::vector<std::string> lines;
  setLogSink([&](const std::string& l) { lines.push_back(l); });
  CalendarStoreOptions options;
  options.edsTimeoutMs = 1;  // no registry answers that fast
  auto started = std::chrono::steady_clock::now();
  auto store = await(openSystemCalendarStore(options), 10000);
  setLogSink({});
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(3 * test::kSanitizerSlowdown));
  EXPECT_EQ(store->backend(), CalendarBackend::sqlite);
  EXPECT_EQ(countContaining(lines, "[Quorvel][CAL] 日历存储：本地日历存储"), 1);
}

}  // namespace
}  // namespace quorvel::test
