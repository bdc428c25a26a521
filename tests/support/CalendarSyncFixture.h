#pragma once
// A calendar sync over a store, signed in to the test service whose page answers the
// subscribe page and the badge counts; "/api/mark_todo_done/" answers as told.
#include <gtest/gtest.h>

#include "CalendarSyncParts.h"
#include "CalendarTestSupport.h"
#include "TestEnv.h"
#include "TestHelpers.h"
#include "TestService.h"
#include "TestServiceCalendar.h"
#include "base/Log.h"
#include "fakes/FakeCalendarStore.h"
#include "fakes/FakeWebPage.h"
#include "platform/UserDefaults.h"

namespace quorvel::test {

inline const char* kAccountA = R"({"overdue":1,"user":"张律师","firm":"墨衡律师事务所"})";
inline const char* kAccountB = R"({"overdue":1,"user":"李律师","firm":"澄川律师事务所"})";

class CalendarSyncRunTest : public ::testing::Test {
 public:
  // Over this store (the in-memory one unless given).
  explicit CalendarSyncRunTest(std::unique_ptr<SystemCalendarStore> with = nullptr) : given(std::move(with)) {}

 protected:
  TempHome home;
  UserDefaults& defaults = home.defaults();
  TestService service;
  FakePages pages{defaults};
  std::shared_ptr<BrowserModel> model;
  std::unique_ptr<CalendarSyncParts> parts;
  // The parts of `parts`.
  AppleCalendarSync* sync = nullptr;
  CalendarFeedSource* feed = nullptr;
  CalendarWriter* writer = nullptr;
  ReminderWriteBack* writeBack = nullptr;
  CalendarSyncRecords* records = nullptr;
  CalendarStoreSlot* slot = nullptr;
  std::unique_ptr<SystemCalendarStore> given;
  FakeCalendarStore* store = nullptr;  // the in-memory store when none was given
  std::vector<std::string> lines;
  bool markDoneOK = true;
  std::string badges = kAccountA;  // what the page answers for the badge counts
  int discoveries = 0;             // reads of the subscribe page

  void SetUp() override {
    setLogSink([this](const std::string& l) { lines.push_back(l); });
    service.start();
    service.setPrefixRoute("/api/mark_todo_done/", [this](const RecordedRequest&) {
      return markDoneOK ? Reply::json(R"({"success":true})") : Reply::json(R"({"success":false})", 500);
    });
    defaults.set("serverURL", service.baseUrl());
    defaults.remove("session.tabs.v1");
    std::string feedLink = service.url(kDemoFeedPath);
    pages.configure = [this, feedLink](FakeWebPage& p) {
      p.answer = [this, feedLink](const std::string&, const nlohmann::json& args) {
        if (args.value("target", "") == "/calendar/subscribe") {
          ++discoveries;
          return JsResult::success("<input value=\"" + feedLink + "\">");
        }
        return JsResult::success(badges);
      };
    };
    model = pages.model();
    signIn(kAccountA);
    build(*model, std::move(given));
    auto c = sync->config.get();
    c.enabled = true;
    sync->updateConfig(c);
  }
  // The sync's parts over this workspace model and store (the in-memory one unless given).
  void build(BrowserModel& over, std::unique_ptr<SystemCalendarStore> with = nullptr) {
    parts.reset();
    parts = std::make_unique<CalendarSyncParts>(defaults, over);
    sync = &parts->sync;
    feed = &parts->feed;
    writer = &parts->writer;
    writeBack = &parts->writeBack;
    records = &parts->records;
    slot = &parts->slot;
    if (with) {
      store = nullptr;
      slot->setStore(std::move(with));
    } else {
      auto fake = std::make_unique<FakeCalendarStore>();
      store = fake.get();
      slot->setStore(std::move(fake));
    }
    sync->setTiming({50, 150, 60000});
  }
  void TearDown() override {
    parts.reset();
    setCalendarFeed(std::nullopt);
    setLogSink({});
  }
  void signIn(const char* counts) {
    badges = counts;
    model->account().applyBadges(counts);
    drainMainLoop();  // the counts are published on a later turn
  }
  void run(bool force) { await(sync->syncNow(force)); }
  int apply(const std::vector<ICSEvent>& items) { return await(writer->applyEventsToCalendar(items)); }
  // The account last synced, as the records hold it; nothing when none.
  std::optional<std::string> storedAccount() const {
    auto key = records->lastSyncedAccount();
    return key.empty() ? std::nullopt : std::optional<std::string>(key);
  }
  int feedRequests() { return static_cast<int>(service.requestsTo(kDemoFeedPath).size()); }
  // Feed requests that carried an entity tag.
  int conditionalFeedRequests() {
    int n = 0;
    for (const auto& r : service.requestsTo(kDemoFeedPath)) n += r.header("if-none-match").empty() ? 0 : 1;
    return n;
  }
  std::string feedWith(const std::vector<ICSEvent>& extra) {
    std::string feed = demoCalendarFeed();
    std::string blocks;
    for (const auto& e : extra)
      blocks += "BEGIN:VEVENT\r\nUID:" + e.uid + "\r\nDTSTART;VALUE=DATE:20260320\r\nSUMMARY:" + e.summary + "\r\nEND:VEVENT\r\n";
    feed.insert(feed.rfind("END:VCALENDAR"), blocks);
    return feed;
  }
};


}  // namespace quorvel::test
