// The owner's scope of its asynchronous chains: an owner destroyed while its coroutine
// waits in any awaitable of base is never touched again, the chain's frames are freed,
// and GIO work in flight is cancelled. Run under AddressSanitizer, a touch of the dead
// owner is a failure by itself.
#include <gio/gio.h>
#include <gio/gunixinputstream.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "base/Async.h"
#include "base/MainQueue.h"
#include "base/Task.h"
#include "base/WorkerPool.h"
#include "platform/Http.h"

using namespace quorvel;

namespace {

// What the test sees of a chain after its owner has gone.
struct Trace {
  int framesFreed = 0;  // frames whose locals were destroyed
  int wentOn = 0;       // times a frame went on after its wait
};

struct FrameMark {
  std::shared_ptr<Trace> trace;
  ~FrameMark() { ++trace->framesFreed; }
};

// An owner whose coroutine waits in `wait`, then writes into the owner.
class Owner {
 public:
  explicit Owner(std::shared_ptr<Trace> trace) : trace_(std::move(trace)) {}
  template <class Wait>
  void start(Wait wait) {
    scope_.spawn(run(std::move(wait)));
  }
  template <class Wait>
  void startNested(Wait wait) {
    scope_.spawn(outer(std::move(wait)));
  }
  int touched = 0;
  TaskScope& scope() { return scope_; }

 private:
  template <class Wait>
  Task<void> run(Wait wait) {
    FrameMark mark{trace_};
    co_await wait();
    ++trace_->wentOn;
    ++touched;
  }
  template <class Wait>
  Task<int> inner(Wait wait) {
    FrameMark mark{trace_};
    co_await wait();
    ++trace_->wentOn;
    co_return 1;
  }
  template <class Wait>
  Task<void> outer(Wait wait) {
    FrameMark mark{trace_};
    touched += co_await inner(std::move(wait));
    ++trace_->wentOn;
  }

  std::shared_ptr<Trace> trace_;
  TaskScope scope_;
};

// Destroys the owner while its chain waits, lets the wait end, and checks that nothing
// went on and every frame was freed.
template <class Wait>
void expectEndedWithOwner(Wait wait, int frames, bool nested = false, unsigned settleMs = 3000) {
  auto trace = std::make_shared<Trace>();
  auto owner = std::make_unique<Owner>(trace);
  if (nested)
    owner->startNested(wait);
  else
    owner->start(wait);
  ASSERT_EQ(trace->framesFreed, 0) << "the chain should still be waiting";
  owner.reset();
  EXPECT_TRUE(runMainLoopUntil([&] { return trace->framesFreed == frames; }, settleMs))
      << "frames freed: " << trace->framesFreed;
  drainMainLoop();
  EXPECT_EQ(trace->wentOn, 0);
}

// Reads one byte from a pipe that never delivers; the call gets no cancellable of its
// own, so it follows its chain's scope.
struct Pipe {
  int fds[2] = {-1, -1};
  Pipe() { EXPECT_EQ(pipe(fds), 0); }
  ~Pipe() {
    close(fds[0]);
    close(fds[1]);
  }
};

Task<gssize> readNothing(GInputStream* in, char* buffer) {
  auto read = asyncCall<gssize>(
      [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
        g_input_stream_read_async(in, buffer, 1, G_PRIORITY_DEFAULT, c, cb, data);
      },
      [](GObject* src, GAsyncResult* res, GError** error) {
        return g_input_stream_read_finish(G_INPUT_STREAM(src), res, error);
      });
  co_return co_await read;
}

TEST(TaskScope, AnOwnerGoneDuringAnyWaitOfBaseIsNeverTouchedAndItsFramesAreFreed) {
  markMainThread();
  {
    SCOPED_TRACE("sleep");
    expectEndedWithOwner([] { return sleepFor(30); }, 1);
  }
  {
    SCOPED_TRACE("next turn");
    expectEndedWithOwner([] { return nextTurn(); }, 1);
  }
  WorkerPool pool(2);
  {
    SCOPED_TRACE("worker");
    std::atomic<bool> release{false};
    auto trace = std::make_shared<Trace>();
    auto owner = std::make_unique<Owner>(trace);
    owner->start([&] {
      return onWorker(pool, [&release] {
        while (!release) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return 7;
      });
    });
    owner.reset();  // while the work still runs
    release = true;
    EXPECT_TRUE(runMainLoopUntil([&] { return trace->framesFreed == 1; }, 3000));
    EXPECT_EQ(trace->wentOn, 0);
  }
  {
    SCOPED_TRACE("decode off the main thread");
    std::string big(kDecodeOnWorkerBytes + 10, 'x');
    expectEndedWithOwner(
        [&pool, big] { return decodeOffMain(pool, big, [](const std::string& t) { return t.size(); }); }, 1);
  }
  {
    SCOPED_TRACE("callback");
    std::function<void(int)> resolver;
    expectEndedWithOwner(
        [&resolver] {
          return CallbackAwaiter<int>([&resolver](CallbackAwaiter<int>::Resolver r) {
            resolver = r;
            postToMainAfter(20, [&resolver] { resolver(3); });
          });
        },
        1);
  }
  {
    SCOPED_TRACE("GIO call: the scope's cancellable ends it at once");
    Pipe pipe;
    auto in = GObjectPtr<GInputStream>::adopt(g_unix_input_stream_new(pipe.fds[0], FALSE));
    char buffer[1];
    // Nothing is ever written: only the cancellation can end the read.
    expectEndedWithOwner([&] { return readNothing(in.get(), buffer); }, 1, false, 2000);
  }
}

TEST(TaskScope, AChainAwaitingAnInnerTaskEndsWholeAndNoLevelGoesOn) {
  markMainThread();
  expectEndedWithOwner([] { return sleepFor(20); }, 2, /*nested=*/true);
  WorkerPool pool(1);
  expectEndedWithOwner([&pool] { return onWorker(pool, [] { return 1; }); }, 2, /*nested=*/true);
}

// A local server that accepts and never answers: only the scope ends the request.
TEST(TaskScope, AnHttpRequestInFlightIsCancelledWithItsOwner) {
  markMainThread();
  GErrorPtr error;
  auto service = GObjectPtr<GSocketService>::adopt(g_socket_service_new());
  guint16 port = g_socket_listener_add_any_inet_port(G_SOCKET_LISTENER(service.get()), nullptr, error.out());
  ASSERT_NE(port, 0);
  std::vector<GObjectPtr<GSocketConnection>> held;
  auto keep = +[](GSocketService*, GSocketConnection* c, GObject*, gpointer data) -> gboolean {
    static_cast<std::vector<GObjectPtr<GSocketConnection>>*>(data)->push_back(GObjectPtr<GSocketConnection>::retain(c));
    return TRUE;
  };
  g_signal_connect(service.get(), "incoming", G_CALLBACK(keep), &held);
  g_socket_service_start(service.get());
  const std::string url = "http://127.0.0.1:" + std::to_string(port) + "/slow";
  auto started = std::chrono::steady_clock::now();
  expectEndedWithOwner(
      [url] {
        http::HttpRequest request;
        request.url = url;
        request.timeoutSeconds = 60;
        return http::send(request);
      },
      1, false, 5000);
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  g_socket_service_stop(service.get());
}

TEST(TaskScope, ALivingScopeRunsItsChainsAndARenewedOneStartsAfresh) {
  markMainThread();
  auto trace = std::make_shared<Trace>();
  Owner owner(trace);
  owner.startNested([] { return sleepFor(5); });
  ASSERT_TRUE(runMainLoopUntil([&] { return trace->framesFreed == 2; }, 2000));
  EXPECT_EQ(trace->wentOn, 2);
  EXPECT_EQ(owner.touched, 1);

  // renew() ends what is in flight; what starts later runs.
  owner.start([] { return sleepFor(20); });
  owner.scope().renew();
  owner.start([] { return sleepFor(5); });
  ASSERT_TRUE(runMainLoopUntil([&] { return trace->framesFreed == 4; }, 2000));
  drainMainLoop();
  EXPECT_EQ(trace->wentOn, 3) << "only the chain started after renew() went on";
  EXPECT_EQ(owner.touched, 2);
}

// An inner task that ends its owner itself (a window closing on its own answer): the
// outer frame, which would touch the owner, does not go on.
class SelfEnding {
 public:
  SelfEnding(std::unique_ptr<SelfEnding>& holder, std::shared_ptr<Trace> trace)
      : holder_(holder), trace_(std::move(trace)) {
    scope_.spawn(outer());
  }
  int touched = 0;

 private:
  Task<void> inner() {
    co_await nextTurn();
    holder_.reset();  // destroys this object; the frame itself runs on to its end
  }
  Task<void> outer() {
    FrameMark mark{trace_};
    co_await inner();
    ++trace_->wentOn;
    ++touched;
  }
  std::unique_ptr<SelfEnding>& holder_;
  std::shared_ptr<Trace> trace_;
  TaskScope scope_;
};

TEST(TaskScope, AnOwnerEndedFromInsideItsChainIsNotTouchedWhenTheInnerTaskReturns) {
  markMainThread();
  auto trace = std::make_shared<Trace>();
  std::unique_ptr<SelfEnding> holder;
  holder = std::make_unique<SelfEnding>(holder, trace);
  ASSERT_TRUE(runMainLoopUntil([&] { return !holder; }, 2000));
  drainMainLoop();
  EXPECT_EQ(trace->framesFreed, 1);
  EXPECT_EQ(trace->wentOn, 0);
}

TEST(TaskScope, GuardedCallbacksAndTokensEndWithTheScope) {
  markMainThread();
  int calls = 0;
  std::function<int(int)> guarded;
  OwnerToken token;
  {
    TaskScope scope;
    guarded = scope.guard([&calls](int v) {
      ++calls;
      return v * 2;
    });
    token = scope.token();
    EXPECT_TRUE(token.alive());
    EXPECT_EQ(guarded(4), 8);
    EXPECT_FALSE(g_cancellable_is_cancelled(scope.cancellable()));
  }
  EXPECT_FALSE(token.alive());
  EXPECT_EQ(guarded(4), 0) << "a call after the owner went returns the default";
  EXPECT_EQ(calls, 1);
}

// A task spawned on its own from inside an owner's chain is not the owner's: it runs on.
TEST(TaskScope, ATaskSpawnedOnItsOwnOutlivesTheOwnerThatStartedIt) {
  markMainThread();
  auto trace = std::make_shared<Trace>();
  struct Starter {
    std::shared_ptr<Trace> trace;
    TaskScope scope;
    static Task<void> free(std::shared_ptr<Trace> t) {
      FrameMark mark{t};
      co_await sleepFor(20);
      ++t->wentOn;
    }
    Task<void> run() {
      co_await nextTurn();
      spawn(free(trace));
      co_await sleepFor(1000);
    }
  };
  auto starter = std::make_unique<Starter>();
  starter->trace = trace;
  starter->scope.spawn(starter->run());
  runMainLoopUntil([] { return false; }, 50);  // the free task is started
  starter.reset();
  EXPECT_TRUE(runMainLoopUntil([&] { return trace->wentOn == 1; }, 2000));
}


// A callee that hands its coroutine to callers, bound to its own scope.
class Callee {
 public:
  explicit Callee(std::shared_ptr<Trace> trace) : trace_(std::move(trace)) {}
  template <class Wait>
  Task<int> work(Wait wait) {
    return scope_.bind(workImpl(std::move(wait)));
  }
  int touched = 0;

 private:
  template <class Wait>
  Task<int> workImpl(Wait wait) {
    FrameMark mark{trace_};
    co_await wait();
    ++trace_->wentOn;
    ++touched;
    co_return 5;
  }
  std::shared_ptr<Trace> trace_;
  TaskScope scope_;
};

// A caller awaiting the callee's task in its own chain; it keeps what came back.
struct Caller {
  std::optional<int> value;
  std::optional<AppError> failure;
  bool wentOn = false;
  std::shared_ptr<Trace> trace;
  TaskScope scope;
  template <class Wait>
  Task<void> run(Callee& callee, Wait wait) {
    FrameMark mark{trace};
    try {
      value = co_await callee.work(std::move(wait));
    } catch (const AppError& e) {
      failure = e;
    }
    wentOn = true;
  }
};

bool isCancellation(const std::optional<AppError>& e) {
  return e && e->code == G_IO_ERROR_CANCELLED && e->domain == g_quark_to_string(G_IO_ERROR);
}

TEST(TaskScope, ACalleeGoneWhileItsBoundTaskIsAwaitedIsFreedAndTheCallerGoesOnCancelled) {
  markMainThread();
  auto run = [](auto wait, unsigned settleMs) {
    auto calleeTrace = std::make_shared<Trace>();
    auto callee = std::make_unique<Callee>(calleeTrace);
    Caller caller;
    caller.trace = std::make_shared<Trace>();
    caller.scope.spawn(caller.run(*callee, wait));
    ASSERT_FALSE(caller.wentOn);
    callee.reset();
    EXPECT_TRUE(runMainLoopUntil([&] { return caller.wentOn; }, settleMs));
    drainMainLoop();
    EXPECT_EQ(calleeTrace->framesFreed, 1) << "the callee's frame is freed";
    EXPECT_EQ(calleeTrace->wentOn, 0) << "nothing of the callee went on";
    EXPECT_FALSE(caller.value);
    EXPECT_TRUE(isCancellation(caller.failure));
    EXPECT_EQ(caller.trace->framesFreed, 1) << "the caller's chain ran to its end";
  };
  {
    SCOPED_TRACE("sleep");
    run([] { return sleepFor(30); }, 2000);
  }
  {
    SCOPED_TRACE("GIO call started before the task was bound: the callee's cancellable ends it");
    Pipe pipe;
    auto in = GObjectPtr<GInputStream>::adopt(g_unix_input_stream_new(pipe.fds[0], FALSE));
    char buffer[1];
    run([&] { return readNothing(in.get(), buffer); }, 2000);
  }
}

TEST(TaskScope, ACallerGoneWhileAwaitingABoundTaskFreesBothFrames) {
  markMainThread();
  auto calleeTrace = std::make_shared<Trace>();
  Callee callee(calleeTrace);
  auto caller = std::make_unique<Caller>();
  caller->trace = std::make_shared<Trace>();
  auto callerTrace = caller->trace;
  caller->scope.spawn(caller->run(callee, [] { return sleepFor(20); }));
  caller.reset();
  EXPECT_TRUE(runMainLoopUntil([&] { return calleeTrace->framesFreed == 1 && callerTrace->framesFreed == 1; }, 2000));
  drainMainLoop();
  EXPECT_EQ(calleeTrace->wentOn, 0);
  EXPECT_EQ(callee.touched, 0);
}

TEST(TaskScope, ABoundTaskOfALivingCalleeReturnsItsValue) {
  markMainThread();
  auto calleeTrace = std::make_shared<Trace>();
  Callee callee(calleeTrace);
  Caller caller;
  caller.trace = std::make_shared<Trace>();
  caller.scope.spawn(caller.run(callee, [] { return nextTurn(); }));
  ASSERT_TRUE(runMainLoopUntil([&] { return caller.wentOn; }, 2000));
  EXPECT_EQ(caller.value, 5);
  EXPECT_FALSE(caller.failure);
  EXPECT_EQ(callee.touched, 1);
  // Held by plain code rather than awaited, the bound task runs to its end as well.
  Task<int> done = callee.work([] { return nextTurn(); });
  EXPECT_TRUE(runMainLoopUntil([&] { return done.done(); }, 2000));
  EXPECT_EQ(callee.touched, 2);
}

}  // namespace
