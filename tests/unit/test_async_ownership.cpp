// The asynchronous building blocks and the owners of C objects: GIO calls awaited
// with their errors, cancellation by the owner, the bounded worker pool, and
// sources, handlers and connections that end with their owner.
#include <gio/gio.h>
#include <gio/gunixinputstream.h>
#include <gio/gunixoutputstream.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include "TestEnv.h"
#include "TestHelpers.h"
#include "base/AppError.h"
#include "base/Async.h"
#include "base/GLibPtr.h"
#include "base/MainQueue.h"
#include "base/WorkerPool.h"

using namespace quorvel;
using namespace quorvel::test;

namespace {

Task<std::string> readFile(std::string path, GCancellable* cancellable) {
  auto file = GObjectPtr<GFile>::adopt(g_file_new_for_path(path.c_str()));
  auto load = asyncCall<std::string>(
      [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) { g_file_load_contents_async(file, c, cb, data); },
      [](GObject* src, GAsyncResult* res, GError** error) {
        char* bytes = nullptr;
        gsize size = 0;
        if (!g_file_load_contents_finish(G_FILE(src), res, &bytes, &size, nullptr, error)) return std::string();
        std::string out(bytes, size);
        g_free(bytes);
        return out;
      },
      cancellable);
  co_return co_await load;
}

// Waits for bytes on a pipe that never delivers any.
Task<gssize> readNothing(GInputStream* in, GCancellable* cancellable, char* buffer) {
  auto read = asyncCall<gssize>(
      [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        g_input_stream_read_async(in, buffer, 1, G_PRIORITY_DEFAULT, c, cb, data);
      },
      [](GObject* src, GAsyncResult* res, GError** error) {
        return g_input_stream_read_finish(G_INPUT_STREAM(src), res, error);
      },
      cancellable);
  co_return co_await read;
}

TEST(AsyncCall, ValuesArriveAndGErrorsBecomeAppErrors) {
  TempHome home;
  auto file = home.root() / "note.txt";
  writeFile(file, "卷宗 1");
  auto ok = runToEnd(readFile(file.string(), nullptr));
  ASSERT_TRUE(ok->value);
  EXPECT_EQ(*ok->value, "卷宗 1");

  auto missing = runToEnd(readFile((home.root() / "none.txt").string(), nullptr));
  ASSERT_TRUE(missing->error);
  EXPECT_EQ(missing->error->domain, g_quark_to_string(G_IO_ERROR));
  EXPECT_EQ(missing->error->code, G_IO_ERROR_NOT_FOUND);
  EXPECT_FALSE(missing->error->message.empty());
}

TEST(AsyncCall, AnOwnerGoingAwayCancelsItsWorkInFlight) {
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  auto in = GObjectPtr<GInputStream>::adopt(g_unix_input_stream_new(fds[0], TRUE));
  char buffer[1];
  auto owner = std::make_unique<Cancellable>();
  auto out = std::make_shared<Outcome<gssize>>();
  spawn(collectOutcome(readNothing(in, owner->get(), buffer), out));
  runMainLoopUntil([] { return false; }, 50);
  EXPECT_FALSE(out->done);  // nothing to read: still waiting
  owner.reset();
  ASSERT_TRUE(waitUntil([&] { return out->done; }, 2000));
  ASSERT_TRUE(out->error);
  EXPECT_EQ(out->error->code, G_IO_ERROR_CANCELLED);
  ::close(fds[1]);
}

// An operation that ignores cancellation and reports only when told to (as a script
// awaiting a promise that never settles in a page that lives on).
struct DeafOperation {
  GAsyncReadyCallback callback = nullptr;
  gpointer data = nullptr;
  void reply(int value) {
    auto* t = g_task_new(nullptr, nullptr, callback, data);
    g_task_return_int(t, value);
    g_object_unref(t);
  }
};

Task<int> awaitDeaf(DeafOperation& op, GCancellable* cancellable, OnCancel onCancel) {
  auto call = asyncCall<int>(
      [&](GCancellable*, GAsyncReadyCallback cb, gpointer data) {
        op.callback = cb;
        op.data = data;
      },
      [](GObject*, GAsyncResult* res, GError** error) {
        return static_cast<int>(g_task_propagate_int(G_TASK(res), error));
      },
      cancellable, onCancel);
  co_return co_await call;
}

TEST(AsyncCall, ACallThatResumesOnCancelEndsAtOnceAndDropsItsLateReply) {
  for (bool cancelledBefore : {false, true}) {
    SCOPED_TRACE(cancelledBefore ? "cancelled before the call" : "cancelled while it waits");
    DeafOperation op;
    auto owner = std::make_unique<Cancellable>();
    if (cancelledBefore) owner->cancel();
    auto out = std::make_shared<Outcome<int>>();
    spawn(collectOutcome(awaitDeaf(op, owner->get(), OnCancel::resumeAtOnce), out));
    EXPECT_FALSE(out->done);  // never inside the call itself
    if (!cancelledBefore) {
      runMainLoopUntil([] { return false; }, 30);
      EXPECT_FALSE(out->done);
      owner.reset();
      EXPECT_FALSE(out->done);  // on a later turn
    }
    ASSERT_TRUE(waitUntil([&] { return out->done; }, 2000));
    ASSERT_TRUE(out->error);
    EXPECT_EQ(out->error->code, G_IO_ERROR_CANCELLED);
    op.reply(7);  // the reply that comes after all changes nothing
    runMainLoopUntil([] { return false; }, 30);
    EXPECT_FALSE(out->value);
  }
  // Without it, the call waits for the operation's own reply.
  DeafOperation op;
  Cancellable owner;
  auto out = std::make_shared<Outcome<int>>();
  spawn(collectOutcome(awaitDeaf(op, owner.get(), OnCancel::waitForReply), out));
  owner.cancel();
  runMainLoopUntil([] { return false; }, 50);
  EXPECT_FALSE(out->done);
  op.reply(7);
  ASSERT_TRUE(waitUntil([&] { return out->done; }, 2000));
  ASSERT_TRUE(out->value);
  EXPECT_EQ(*out->value, 7);
}

TEST(WorkerPool, RunsEveryJobWithNoMoreThreadsThanItHas) {
  WorkerPool pool(2);
  std::atomic<int> running{0}, most{0}, done{0};
  for (int i = 0; i < 12; ++i)
    pool.submit([&] {
      int now = ++running;
      int seen = most.load();
      while (now > seen && !most.compare_exchange_weak(seen, now)) {
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      --running;
      ++done;
    });
  auto until = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (done < 12 && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_EQ(done.load(), 12);
  EXPECT_LE(most.load(), 2);
}

Task<std::thread::id> threadOfBackgroundWork(WorkerPool& pool) {
  auto work = onWorker(pool, [] { return std::this_thread::get_id(); });
  co_return co_await work;
}

Task<int> failingBackgroundWork(WorkerPool& pool) {
  auto work = onWorker(pool, []() -> int { throw AppError("Quorvel", 9, "后台失败"); });
  co_return co_await work;
}

TEST(WorkerPool, BackgroundWorkLeavesTheMainThreadAndComesBackWithItsErrors) {
  WorkerPool pool(1);
  auto where = runToEnd(threadOfBackgroundWork(pool));
  ASSERT_TRUE(where->value);
  EXPECT_NE(*where->value, std::this_thread::get_id());
  auto failed = runToEnd(failingBackgroundWork(pool));
  ASSERT_TRUE(failed->error);
  EXPECT_EQ(failed->error->code, 9);
}

TEST(Owners, SourcesHandlersAndConnectionsEndWithTheirOwner) {
  int fired = 0;
  {
    SourceId timer(g_timeout_add(
        1, +[](gpointer n) -> gboolean { ++*static_cast<int*>(n); return G_SOURCE_CONTINUE; }, &fired));
    runMainLoopUntil([&] { return fired > 0; }, 1000);
  }
  int before = fired;
  runMainLoopUntil([] { return false; }, 30);
  EXPECT_GT(before, 0);
  EXPECT_EQ(fired, before);  // removed with its owner

  int notified = 0;
  auto object = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
  {
    SignalHandler h(object.get(), g_signal_connect(object.get(), "cancelled",
                                                   G_CALLBACK(+[](GCancellable*, gpointer n) { ++*static_cast<int*>(n); }),
                                                   &notified));
  }
  g_cancellable_cancel(object);
  EXPECT_EQ(notified, 0);

  // A handler whose object is already gone is simply forgotten.
  auto gone = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
  SignalHandler late(gone.get(), g_signal_connect(gone.get(), "cancelled", G_CALLBACK(+[] {}), nullptr));
  EXPECT_TRUE(late.connected());
  gone.reset();
  EXPECT_FALSE(late.connected());
  late.disconnect();

  sigc::signal<void()> signal;
  int calls = 0;
  {
    ScopedConnection c = signal.connect([&] { ++calls; });
    signal.emit();
  }
  signal.emit();
  EXPECT_EQ(calls, 1);
}

// Every failure reaches the user and the log as one Chinese text, whatever was thrown.
TEST(Describe, AnyFailureBecomesTheTextShownAndLogged) {
  auto thrown = [](auto&& raise) {
    try {
      raise();
    } catch (...) {
      return describe(std::current_exception());
    }
    return std::string("nothing thrown");
  };
  EXPECT_EQ(thrown([] { throw AppError("Http", 7, "无法连接到服务器"); }), "无法连接到服务器");
  EXPECT_EQ(thrown([] { throw std::runtime_error("磁盘已满"); }), "磁盘已满");
  EXPECT_EQ(thrown([] { throw 42; }), "未知错误");
  // Nothing to say is never shown as an empty text.
  EXPECT_EQ(thrown([] { throw AppError("Http", 7, ""); }), "未知错误");
  EXPECT_EQ(thrown([] { throw std::runtime_error(""); }), "未知错误");
  EXPECT_EQ(describe(nullptr), "未知错误");
  // A GError turned into an AppError keeps the library's message.
  GErrorPtr error;
  g_set_error_literal(error.out(), G_IO_ERROR, G_IO_ERROR_NOT_FOUND, "没有这个文件");
  EXPECT_EQ(describe(std::make_exception_ptr(toAppError(error.get()))), "没有这个文件");
}

}  // namespace
