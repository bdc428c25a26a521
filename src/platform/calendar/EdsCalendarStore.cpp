#include "platform/calendar/EdsCalendarStore.h"

#include <libecal/libecal.h>
#include <libedataserver/libedataserver.h>

#include <ctime>
#include <map>
#include <set>

#include "base/AppError.h"
#include "base/Async.h"
#include "base/ErrorDomains.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"
#include "base/Log.h"
#include "base/LogTags.h"
#include "platform/calendar/IcsText.h"

namespace quorvel {

using Clock = std::chrono::system_clock;

namespace {

template <class T>
GObjectPtr<T> own(T* p) {
  return GObjectPtr<T>::adopt(p);
}

[[noreturn]] void throwError(GError* error, const char* fallback) {
  AppError e = toAppError(error, fallback);
  g_clear_error(&error);
  throw e;
}

bool isTaskList(ESource* source) { return e_source_has_extension(source, E_SOURCE_EXTENSION_TASK_LIST); }

std::optional<Clock::time_point> localTime(int y, int m, int d, int hh, int mm, int ss) {
  std::tm tm{};
  tm.tm_year = y - 1900;
  tm.tm_mon = m - 1;
  tm.tm_mday = d;
  tm.tm_hour = hh;
  tm.tm_min = mm;
  tm.tm_sec = ss;
  tm.tm_isdst = -1;
  std::time_t t = std::mktime(&tm);
  return Clock::from_time_t(t);
}

// A DTSTART/DTEND/… property as an instant: UTC, a TZID the calendar knows, or local
// wall time (floating times and dates).
std::optional<Clock::time_point> instantOf(ECalClient* client, ICalComponent* comp, ICalPropertyKind kind,
                                           bool* isDate = nullptr) {
  auto prop = own(i_cal_component_get_first_property(comp, kind));
  if (!prop) return std::nullopt;
  auto value = own(i_cal_property_get_value(prop.get()));
  if (!value) return std::nullopt;
  ICalValueKind vk = i_cal_value_isa(value.get());
  if (vk != I_CAL_DATETIME_VALUE && vk != I_CAL_DATE_VALUE) return std::nullopt;
  auto tt = own(i_cal_value_get_datetime(value.get()));
  if (!tt || i_cal_time_is_null_time(tt.get())) return std::nullopt;
  bool date = i_cal_time_is_date(tt.get());
  if (isDate) *isDate = date;
  int y = i_cal_time_get_year(tt.get()), mo = i_cal_time_get_month(tt.get()), d = i_cal_time_get_day(tt.get());
  if (date) return localTime(y, mo, d, 0, 0, 0);
  if (i_cal_time_is_utc(tt.get())) return Clock::from_time_t(i_cal_time_as_timet(tt.get()));
  gchar* tzid = i_cal_property_get_parameter_as_string(prop.get(), "TZID");
  if (tzid && client) {
    ICalTimezone* zone = nullptr;
    if (e_cal_client_get_timezone_sync(client, tzid, &zone, nullptr, nullptr) && zone) {
      g_free(tzid);
      return Clock::from_time_t(i_cal_time_as_timet_with_zone(tt.get(), zone));
    }
  }
  g_free(tzid);
  return localTime(y, mo, d, i_cal_time_get_hour(tt.get()), i_cal_time_get_minute(tt.get()),
                   i_cal_time_get_second(tt.get()));
}

std::string textOr(const gchar* s) { return s ? s : ""; }

std::optional<std::string> urlOf(ICalComponent* comp) {
  auto prop = own(i_cal_component_get_first_property(comp, I_CAL_URL_PROPERTY));
  if (!prop) return std::nullopt;
  const gchar* url = i_cal_property_get_url(prop.get());
  if (!url || !*url) return std::nullopt;
  return std::string(url);
}

std::vector<double> alarmOffsetsOf(ICalComponent* comp) {
  std::vector<double> out;
  for (auto alarm = own(i_cal_component_get_first_component(comp, I_CAL_VALARM_COMPONENT)); alarm;
       alarm = own(i_cal_component_get_next_component(comp, I_CAL_VALARM_COMPONENT))) {
    auto prop = own(i_cal_component_get_first_property(alarm.get(), I_CAL_TRIGGER_PROPERTY));
    if (!prop) continue;
    auto trigger = own(i_cal_property_get_trigger(prop.get()));
    if (!trigger) continue;
    auto when = own(i_cal_trigger_get_time(trigger.get()));
    if (when && !i_cal_time_is_null_time(when.get())) continue;  // an absolute time is no offset
    auto d = own(i_cal_trigger_get_duration(trigger.get()));
    if (d) out.push_back(static_cast<double>(i_cal_duration_as_int(d.get())));
  }
  return out;
}

CalendarEventItem eventOf(ECalClient* client, const std::string& calendarID, ICalComponent* comp) {
  CalendarEventItem e;
  e.id = SystemCalendarStore::itemID(calendarID, textOr(i_cal_component_get_uid(comp)));
  e.calendarId = calendarID;
  e.title = textOr(i_cal_component_get_summary(comp));
  e.location = textOr(i_cal_component_get_location(comp));
  e.notes = textOr(i_cal_component_get_description(comp));
  e.url = urlOf(comp);
  bool date = false;
  e.start = instantOf(client, comp, I_CAL_DTSTART_PROPERTY, &date).value_or(Clock::time_point{});
  e.allDay = date;
  if (auto end = instantOf(client, comp, I_CAL_DTEND_PROPERTY)) {
    // A date end is exclusive; the model keeps the last instant inside the event.
    e.end = date ? std::max(*end - std::chrono::seconds(1), e.start) : *end;
  } else {
    e.end = e.start;
  }
  e.alarmOffsets = alarmOffsetsOf(comp);
  return e;
}

ReminderItem reminderOf(const std::string& calendarID, ICalComponent* comp) {
  ReminderItem r;
  r.id = SystemCalendarStore::itemID(calendarID, textOr(i_cal_component_get_uid(comp)));
  r.calendarId = calendarID;
  r.title = textOr(i_cal_component_get_summary(comp));
  r.notes = textOr(i_cal_component_get_description(comp));
  r.url = urlOf(comp);
  if (auto prop = own(i_cal_component_get_first_property(comp, I_CAL_DUE_PROPERTY))) {
    auto due = own(i_cal_property_get_due(prop.get()));
    if (due && !i_cal_time_is_null_time(due.get()))
      r.due = DueDay{i_cal_time_get_year(due.get()), i_cal_time_get_month(due.get()), i_cal_time_get_day(due.get())};
  }
  if (auto prop = own(i_cal_component_get_first_property(comp, I_CAL_PRIORITY_PROPERTY)))
    r.priority = i_cal_property_get_priority(prop.get());
  auto completedProp = own(i_cal_component_get_first_property(comp, I_CAL_COMPLETED_PROPERTY));
  r.completed = i_cal_component_get_status(comp) == I_CAL_STATUS_COMPLETED || completedProp;
  if (completedProp) {
    auto at = own(i_cal_property_get_completed(completedProp.get()));
    if (at && !i_cal_time_is_null_time(at.get())) r.completionDate = Clock::from_time_t(i_cal_time_as_timet(at.get()));
  }
  return r;
}

ICalComponent* componentFrom(const std::string& ics) {
  ICalComponent* comp = i_cal_component_new_from_string(ics.c_str());
  if (!comp) throw AppError(errors::kAppleCal, -1, "日历条目无法写入（内容无效）");
  return comp;
}

bool isError(const GError* e, int code) { return e && e->domain == E_CAL_CLIENT_ERROR && e->code == code; }

}  // namespace

// Lives and dies on the store thread.
struct EdsCalendarStore::Backend {
  ESourceRegistry* registry = nullptr;
  std::vector<SignalHandler> registryHandlers;
  struct Calendar {
    ECalClient* client = nullptr;
    ECalClientView* view = nullptr;
    bool viewComplete = false;
    Backend* owner = nullptr;
  };
  std::map<std::string, Calendar> open;
  // Called on the store thread when something changed; posts to the main thread.
  std::function<void()> notify;

  ~Backend() {
    for (auto& [id, c] : open) close(c);
    if (registry) {
      registryHandlers.clear();
      g_object_unref(registry);
    }
  }

  static void close(Calendar& c) {
    if (c.view) {
      g_signal_handlers_disconnect_matched(c.view, G_SIGNAL_MATCH_DATA, 0, 0, nullptr, nullptr, &c);
      e_cal_client_view_stop(c.view, nullptr);
      g_object_unref(c.view);
    }
    if (c.client) g_object_unref(c.client);
    c = {};
  }

  void changed() {
    if (notify) notify();
  }

  void watchRegistry() {
    auto cb = +[](ESourceRegistry*, ESource* source, gpointer self) {
      if (e_source_has_extension(source, E_SOURCE_EXTENSION_CALENDAR) || isTaskList(source))
        static_cast<Backend*>(self)->changed();
    };
    for (const char* sig : {"source-added", "source-removed", "source-changed"})
      registryHandlers.emplace_back(registry, g_signal_connect(registry, sig, G_CALLBACK(cb), this));
  }

  GObjectPtr<ESource> source(const std::string& id) const {
    auto s = own(e_source_registry_ref_source(registry, id.c_str()));
    if (!s) throw AppError(errors::kAppleCal, -1, "日历不存在：" + id);
    return s;
  }

  ECalClient* client(const std::string& calendarID) {
    if (auto it = open.find(calendarID); it != open.end()) return it->second.client;
    auto src = source(calendarID);
    ECalClientSourceType type = isTaskList(src.get()) ? E_CAL_CLIENT_SOURCE_TYPE_TASKS : E_CAL_CLIENT_SOURCE_TYPE_EVENTS;
    GError* error = nullptr;
    // (guint32)-1: do not wait for the backend to report itself online (a wait blocks).
    EClient* c = e_cal_client_connect_sync(src.get(), type, static_cast<guint32>(-1), nullptr, &error);
    if (!c) throwError(error, "无法连接日历");
    Calendar& entry = open[calendarID];
    entry.client = E_CAL_CLIENT(c);
    // A live view reports what other applications change in this calendar.
    ECalClientView* view = nullptr;
    if (e_cal_client_get_view_sync(entry.client, "#t", &view, nullptr, &error) && view) {
      entry.view = view;
      auto objects = +[](ECalClientView*, gpointer, gpointer data) {
        auto* cal = static_cast<Calendar*>(data);
        if (cal->viewComplete && cal->owner) cal->owner->changed();
      };
      auto complete = +[](ECalClientView*, const GError*, gpointer data) {
        static_cast<Calendar*>(data)->viewComplete = true;
      };
      g_signal_connect(view, "objects-added", G_CALLBACK(objects), &entry);
      g_signal_connect(view, "objects-modified", G_CALLBACK(objects), &entry);
      g_signal_connect(view, "objects-removed", G_CALLBACK(objects), &entry);
      g_signal_connect(view, "complete", G_CALLBACK(complete), &entry);
      entry.owner = this;
      e_cal_client_view_start(view, &error);
      if (error) {
        logLine(tags::kCal, std::string("日历实时视图未能启动：") + error->message, LogLevel::warning);
        g_clear_error(&error);
      }
    } else {
      g_clear_error(&error);
    }
    return entry.client;
  }

  void drop(const std::string& calendarID) {
    if (auto it = open.find(calendarID); it != open.end()) {
      close(it->second);
      open.erase(it);
    }
  }

  std::vector<GObjectPtr<ICalComponent>> objects(const std::string& calendarID, const std::string& sexp = "#t") {
    ECalClient* c = client(calendarID);
    GSList* list = nullptr;
    GError* error = nullptr;
    if (!e_cal_client_get_object_list_sync(c, sexp.c_str(), &list, nullptr, &error)) throwError(error, "无法读取日历");
    std::vector<GObjectPtr<ICalComponent>> out;
    for (GSList* l = list; l; l = l->next) out.push_back(own(static_cast<ICalComponent*>(l->data)));
    g_slist_free(list);
    return out;
  }
};

EdsCalendarStore::EdsCalendarStore(std::shared_ptr<StoreThread> thread, std::shared_ptr<Backend> backend)
    : thread_(std::move(thread)), backend_(std::move(backend)) {
  thread_->post([b = backend_, changed = scope_.guard([this] { scheduleChanged(); })] {
    b->notify = [changed] { postToMain(changed); };
    b->watchRegistry();
  });
}

EdsCalendarStore::~EdsCalendarStore() {
  scope_.end();
  if (changedTimer_) cancelTimer(changedTimer_);
  // The EDS objects are released on their own thread, before it stops.
  thread_->post([b = std::move(backend_)]() mutable { b.reset(); });
}

void EdsCalendarStore::scheduleChanged() {
  // A view reports a burst (a commit of 500 events) in pieces: one signal for it.
  if (changedTimer_) return;
  changedTimer_ = postToMainAfter(150, [this] {
    changedTimer_ = 0;
    emitChanged();
  });
}

Task<std::unique_ptr<EdsCalendarStore>> EdsCalendarStore::open(unsigned timeoutMs) {
  auto thread = std::make_shared<StoreThread>("quorvel-cal-eds");
  auto backend = std::make_shared<Backend>();
  auto cancellable = own(g_cancellable_new());
  struct Result {
    bool ok = false;
    std::string error;
  };
  CallbackAwaiter<Result> connecting([thread, backend, cancellable, timeoutMs](CallbackAwaiter<Result>::Resolver resolve) {
    GCancellable* c = cancellable.get();
    g_object_ref(c);
    // The job hands its thread reference on to the main thread, so the thread is never
    // released by itself.
    thread->post([t = thread, backend, c, resolve]() mutable {
      GError* error = nullptr;
      ESourceRegistry* registry = e_source_registry_new_sync(c, &error);
      g_object_unref(c);
      Result r;
      if (registry) {
        backend->registry = registry;
        r.ok = true;
      } else {
        r.error = error ? error->message : "未知错误";
        g_clear_error(&error);
      }
      postToMain([thread = std::move(t), backend = std::move(backend), resolve, r]() mutable {
        resolve(r);
        // A late answer after the time-out: release it on its own thread.
        thread->post([b = std::move(backend)]() mutable { b.reset(); });
      });
    });
    postToMainAfter(timeoutMs, [resolve, cancellable] {
      g_cancellable_cancel(cancellable.get());
      resolve(Result{false, "未在规定时间内应答"});
    });
  });
  Result result = co_await connecting;
  if (!result.ok) throw AppError(errors::kAppleCal, -1, "Evolution 数据服务不可用：" + result.error);
  co_return std::unique_ptr<EdsCalendarStore>(new EdsCalendarStore(thread, backend));
}

Task<bool> EdsCalendarStore::requestAccess(CalendarEntityType type) {
  auto b = backend_;
  auto running = thread_->run([b, type] {
    const char* ext = type == CalendarEntityType::reminder ? E_SOURCE_EXTENSION_TASK_LIST : E_SOURCE_EXTENSION_CALENDAR;
    GList* list = e_source_registry_list_sources(b->registry, ext);
    g_list_free_full(list, g_object_unref);
    return b->registry != nullptr;
  });
  co_return co_await running;
}

Task<std::vector<CalendarSource>> EdsCalendarStore::sources() {
  auto b = backend_;
  auto running = thread_->run([b] {
    std::vector<CalendarSource> out;
    // The local parent, then accounts (collections) that hold calendars.
    if (auto local = own(e_source_registry_ref_source(b->registry, "local-stub")))
      out.push_back({"local-stub", textOr(e_source_get_display_name(local.get())), CalendarSourceType::local});
    GList* list = e_source_registry_list_enabled(b->registry, E_SOURCE_EXTENSION_COLLECTION);
    for (GList* l = list; l; l = l->next) {
      auto* s = E_SOURCE(l->data);
      auto* coll = static_cast<ESourceCollection*>(e_source_get_extension(s, E_SOURCE_EXTENSION_COLLECTION));
      if (!e_source_collection_get_calendar_enabled(coll)) continue;
      out.push_back({textOr(e_source_get_uid(s)), textOr(e_source_get_display_name(s)), CalendarSourceType::calDAV});
    }
    g_list_free_full(list, g_object_unref);
    return out;
  });
  co_return co_await running;
}

Task<std::optional<std::string>> EdsCalendarStore::defaultSourceID(CalendarEntityType type) {
  auto b = backend_;
  auto running = thread_->run([b, type]() -> std::optional<std::string> {
    auto def = own(type == CalendarEntityType::reminder ? e_source_registry_ref_default_task_list(b->registry)
                                                         : e_source_registry_ref_default_calendar(b->registry));
    if (!def) return std::nullopt;
    const gchar* parent = e_source_get_parent(def.get());
    if (!parent || !*parent) return std::nullopt;
    return std::string(parent);
  });
  co_return co_await running;
}

Task<std::vector<SystemCalendar>> EdsCalendarStore::calendars(CalendarEntityType type) {
  auto b = backend_;
  auto running = thread_->run([b, type] {
    const char* ext = type == CalendarEntityType::reminder ? E_SOURCE_EXTENSION_TASK_LIST : E_SOURCE_EXTENSION_CALENDAR;
    std::vector<SystemCalendar> out;
    GList* list = e_source_registry_list_enabled(b->registry, ext);
    for (GList* l = list; l; l = l->next) {
      auto* s = E_SOURCE(l->data);
      auto* sel = static_cast<ESourceSelectable*>(e_source_get_extension(s, ext));
      gchar* color = e_source_selectable_dup_color(sel);
      std::string backendName = textOr(e_source_backend_get_backend_name(E_SOURCE_BACKEND(sel)));
      std::string parent = textOr(e_source_get_parent(s));
      SystemCalendar c;
      c.id = textOr(e_source_get_uid(s));
      c.title = textOr(e_source_get_display_name(s));
      c.colorHex = color ? color : "";
      g_free(color);
      // Birthdays, weather and web subscriptions cannot take our items.
      c.writable = backendName != "contacts" && backendName != "weather" && backendName != "webcal" &&
                   parent != "webcal-stub" && parent != "weather-stub" && parent != "contacts-stub";
      c.entityType = type;
      c.sourceId = parent;
      out.push_back(std::move(c));
    }
    g_list_free_full(list, g_object_unref);
    return out;
  });
  co_return co_await running;
}

Task<SystemCalendar> EdsCalendarStore::createCalendar(const std::string& title, const std::string& color,
                                                      CalendarEntityType type, const std::string& sourceID) {
  auto b = backend_;
  auto running = thread_->run([b, title, color, type, sourceID] {
    const char* ext = type == CalendarEntityType::reminder ? E_SOURCE_EXTENSION_TASK_LIST : E_SOURCE_EXTENSION_CALENDAR;
    auto parent = b->source(sourceID);
    GError* error = nullptr;
    // A fresh UID every time: a removed source's data comes back when its UID is reused.
    std::string uid = freshUID();
    auto scratch = own(e_source_new_with_uid(uid.c_str(), nullptr, &error));
    if (!scratch) throwError(error, "无法创建日历");
    e_source_set_display_name(scratch.get(), title.c_str());
    e_source_set_parent(scratch.get(), sourceID.c_str());
    auto* sel = static_cast<ESourceSelectable*>(e_source_get_extension(scratch.get(), ext));
    e_source_selectable_set_color(sel, color.c_str());
    e_source_selectable_set_selected(sel, TRUE);
    bool remote = e_source_has_extension(parent.get(), E_SOURCE_EXTENSION_COLLECTION);
    if (remote) {
      if (!e_source_remote_create_sync(parent.get(), scratch.get(), nullptr, &error)) throwError(error, "无法创建日历");
    } else {
      e_source_backend_set_backend_name(E_SOURCE_BACKEND(sel), "local");
      if (!e_source_registry_commit_source_sync(b->registry, scratch.get(), nullptr, &error))
        throwError(error, "无法创建日历");
    }
    // The registry announces the new source on this thread's context.
    gint64 until = g_get_monotonic_time() + 5 * G_USEC_PER_SEC;
    std::string id = uid;
    while (!own(e_source_registry_ref_source(b->registry, id.c_str())) && g_get_monotonic_time() < until) {
      if (remote) break;  // the account names the calendar itself; found on the next listing
      g_main_context_iteration(g_main_context_get_thread_default(), FALSE);
      g_usleep(10000);
    }
    return SystemCalendar{id, title, color, true, type, sourceID};
  });
  SystemCalendar created = co_await running;
  scheduleChanged();
  co_return created;
}

Task<void> EdsCalendarStore::removeCalendar(const std::string& calendarID) {
  auto b = backend_;
  auto running = thread_->run([b, calendarID] {
    auto src = b->source(calendarID);
    b->drop(calendarID);
    GError* error = nullptr;
    bool ok = e_source_get_remote_deletable(src.get()) ? e_source_remote_delete_sync(src.get(), nullptr, &error)
                                                       : e_source_remove_sync(src.get(), nullptr, &error);
    if (!ok) throwError(error, "无法删除日历");
  });
  co_await running;
  scheduleChanged();
}

Task<std::vector<CalendarEventItem>> EdsCalendarStore::events(const std::string& calendarID) {
  auto b = backend_;
  auto running = thread_->run([b, calendarID] {
    std::vector<CalendarEventItem> out;
    ECalClient* c = b->client(calendarID);
    for (auto& comp : b->objects(calendarID))
      if (i_cal_component_isa(comp.get()) == I_CAL_VEVENT_COMPONENT) out.push_back(eventOf(c, calendarID, comp.get()));
    return out;
  });
  co_return co_await running;
}

Task<std::optional<CalendarEventItem>> EdsCalendarStore::event(const std::string& eventID) {
  auto b = backend_;
  auto running = thread_->run([b, eventID]() -> std::optional<CalendarEventItem> {
    auto parts = splitItemID(eventID);
    if (!parts) return std::nullopt;
    if (!own(e_source_registry_ref_source(b->registry, parts->first.c_str()))) return std::nullopt;
    ECalClient* c = b->client(parts->first);
    ICalComponent* comp = nullptr;
    GError* error = nullptr;
    if (!e_cal_client_get_object_sync(c, parts->second.c_str(), nullptr, &comp, nullptr, &error)) {
      if (isError(error, E_CAL_CLIENT_ERROR_OBJECT_NOT_FOUND)) {
        g_clear_error(&error);
        return std::nullopt;
      }
      throwError(error, "无法读取日历");
    }
    auto owned = own(comp);
    return eventOf(c, parts->first, comp);
  });
  co_return co_await running;
}

Task<std::vector<ReminderItem>> EdsCalendarStore::reminders(const std::vector<std::string>& calendarIDs) {
  auto b = backend_;
  auto running = thread_->run([b, calendarIDs] {
    std::vector<ReminderItem> out;
    for (const auto& id : calendarIDs)
      for (auto& comp : b->objects(id))
        if (i_cal_component_isa(comp.get()) == I_CAL_VTODO_COMPONENT) out.push_back(reminderOf(id, comp.get()));
    return out;
  });
  co_return co_await running;
}

Task<void> EdsCalendarStore::apply(std::vector<Change> batch) {
  auto b = backend_;
  auto running = thread_->run([b, batch = std::move(batch)] {
    // The final state of each item: its last save, or a removal.
    struct Final {
      std::string calendar, uid, ics;
      bool remove = false, isNew = false;
    };
    std::map<std::string, Final> finals;
    std::vector<std::string> order;
    auto put = [&](const std::string& id, Final f) {
      auto parts = SystemCalendarStore::splitItemID(id);
      if (!parts) return;
      f.calendar = parts->first;
      f.uid = parts->second;
      auto [it, inserted] = finals.try_emplace(id, f);
      if (inserted) order.push_back(id);
      else {
        bool wasNew = it->second.isNew;
        it->second = f;
        it->second.isNew = f.isNew || (wasNew && !f.remove);
      }
    };
    for (const auto& c : batch) {
      if (!c.previousID.empty()) put(c.previousID, Final{{}, {}, {}, true, false});
      switch (c.kind) {
        case Change::saveEvent: {
          auto uid = splitItemID(c.event.id)->second;
          // Times are written in UTC and all-day events as dates, so no zone has to be
          // registered with the calendar first.
          put(c.event.id, Final{{}, {}, IcsText::eventBlock(c.event, uid), false, c.isNew});
          break;
        }
        case Change::saveReminder: {
          auto uid = splitItemID(c.reminder.id)->second;
          put(c.reminder.id, Final{{}, {}, IcsText::todoBlock(c.reminder, uid), false, c.isNew});
          break;
        }
        case Change::removeEvent: put(c.id, Final{{}, {}, {}, true, false}); break;
      }
    }
    // Per calendar: one create call, one modify call, one remove call.
    std::map<std::string, std::vector<const Final*>> creates, modifies, removes;
    for (const auto& id : order) {
      const Final& f = finals[id];
      (f.remove ? removes : f.isNew ? creates : modifies)[f.calendar].push_back(&f);
    }
    auto components = [](const std::vector<const Final*>& items) {
      GSList* list = nullptr;
      for (const Final* f : items) list = g_slist_prepend(list, componentFrom(f->ics));
      return g_slist_reverse(list);
    };
    auto freeComponents = [](GSList* list) { g_slist_free_full(list, g_object_unref); };
    auto createOne = [&](ECalClient* c, const Final* f) {
      GSList* one = components({f});
      GError* error = nullptr;
      bool ok = e_cal_client_create_objects_sync(c, one, E_CAL_OPERATION_FLAG_NONE, nullptr, nullptr, &error);
      if (!ok && isError(error, E_CAL_CLIENT_ERROR_OBJECT_ID_ALREADY_EXISTS)) {
        g_clear_error(&error);
        ok = e_cal_client_modify_objects_sync(c, one, E_CAL_OBJ_MOD_ALL, E_CAL_OPERATION_FLAG_NONE, nullptr, &error);
      }
      freeComponents(one);
      if (!ok) throwError(error, "无法写入日历");
    };
    for (auto& [calendar, items] : removes) {
      ECalClient* c = b->client(calendar);
      GSList* ids = nullptr;
      for (const Final* f : items) ids = g_slist_prepend(ids, e_cal_component_id_new(f->uid.c_str(), nullptr));
      GError* error = nullptr;
      if (!e_cal_client_remove_objects_sync(c, ids, E_CAL_OBJ_MOD_ALL, E_CAL_OPERATION_FLAG_NONE, nullptr, &error)) {
        // One missing item fails the call: remove the others one by one.
        g_clear_error(&error);
        for (GSList* l = ids; l; l = l->next) {
          GSList one{l->data, nullptr};
          if (!e_cal_client_remove_objects_sync(c, &one, E_CAL_OBJ_MOD_ALL, E_CAL_OPERATION_FLAG_NONE, nullptr, &error)) {
            bool missing = isError(error, E_CAL_CLIENT_ERROR_OBJECT_NOT_FOUND);
            if (!missing) {
              g_slist_free_full(ids, reinterpret_cast<GDestroyNotify>(e_cal_component_id_free));
              throwError(error, "无法删除日历条目");
            }
            g_clear_error(&error);
          }
        }
      }
      g_slist_free_full(ids, reinterpret_cast<GDestroyNotify>(e_cal_component_id_free));
    }
    for (auto& [calendar, items] : creates) {
      ECalClient* c = b->client(calendar);
      GSList* list = components(items);
      GError* error = nullptr;
      bool ok = e_cal_client_create_objects_sync(c, list, E_CAL_OPERATION_FLAG_NONE, nullptr, nullptr, &error);
      freeComponents(list);
      if (!ok) {
        g_clear_error(&error);
        for (const Final* f : items) createOne(c, f);
      }
    }
    for (auto& [calendar, items] : modifies) {
      ECalClient* c = b->client(calendar);
      GSList* list = components(items);
      GError* error = nullptr;
      bool ok = e_cal_client_modify_objects_sync(c, list, E_CAL_OBJ_MOD_ALL, E_CAL_OPERATION_FLAG_NONE, nullptr, &error);
      freeComponents(list);
      if (ok) continue;
      if (!isError(error, E_CAL_CLIENT_ERROR_OBJECT_NOT_FOUND)) throwError(error, "无法写入日历");
      g_clear_error(&error);
      // An item removed elsewhere meanwhile is written anew.
      for (const Final* f : items) {
        GSList* one = components({f});
        bool done = e_cal_client_modify_objects_sync(c, one, E_CAL_OBJ_MOD_ALL, E_CAL_OPERATION_FLAG_NONE, nullptr, &error);
        freeComponents(one);
        if (done) continue;
        if (!isError(error, E_CAL_CLIENT_ERROR_OBJECT_NOT_FOUND)) throwError(error, "无法写入日历");
        g_clear_error(&error);
        createOne(c, f);
      }
    }
  });
  co_await running;
}

}  // namespace quorvel
