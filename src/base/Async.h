#pragma once
// One awaitable for every GIO-style start/finish pair (GIO, GDBus, libsoup, WebKit):
//
//   GVariantPtr reply = co_await asyncCall<GVariantPtr>(
//       [&](GCancellable* c, GAsyncReadyCallback cb, gpointer data) {
//         g_dbus_connection_call(bus, …, c, cb, data); },
//       [](GObject* src, GAsyncResult* res, GError** error) {
//         return GVariantPtr(g_dbus_connection_call_finish(G_DBUS_CONNECTION(src), res, error)); },
//       cancellable);
//
// A GError from the finish function becomes an AppError (domain = the error quark's
// name, its code and message) thrown into the awaiting coroutine; a cancelled call
// throws AppError("g-io-error-quark", G_IO_ERROR_CANCELLED, …).
#include <gio/gio.h>

#include <coroutine>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "base/AppError.h"
#include "base/Cancellable.h"
#include "base/Resumption.h"
#include "base/GLibPtr.h"
#include "base/GObjectPtr.h"

namespace quorvel {

// A GError as the AppError that crosses our asynchronous boundaries.
AppError toAppError(const GError* error, const std::string& fallback = "操作失败");

// Whether a cancelled call resumes its coroutine at once (on the next turn) instead of
// when the operation reports back. For calls whose reply may never come once their
// owner has gone (a script awaiting a promise in a page that lives on elsewhere).
enum class OnCancel { waitForReply, resumeAtOnce };

template <class R>
class AsyncCall {
 public:
  using Start = std::function<void(GCancellable*, GAsyncReadyCallback, gpointer)>;
  using Finish = std::function<R(GObject*, GAsyncResult*, GError**)>;

  AsyncCall(Start start, Finish finish, GCancellable* cancellable, OnCancel onCancel = OnCancel::waitForReply)
      : start_(std::move(start)), state_(std::make_shared<State>()), onCancel_(onCancel) {
    state_->finish = std::move(finish);
    if (cancellable) state_->caller = GObjectPtr<GCancellable>::retain(cancellable);
  }

  bool await_ready() const noexcept { return false; }
  template <class P>
  void await_suspend(std::coroutine_handle<P> h) {
    state_->resume = detail::Resumption(h);
    state_->suspended = true;
    // The call's own cancellable follows the caller's and the end of its chain's scope
    // (which must not cancel the caller's, still in use after a renew()).
    state_->cancellable = GObjectPtr<GCancellable>::adopt(g_cancellable_new());
    if (state_->caller) {
      state_->callerHandler = g_cancellable_connect(
          state_->caller, G_CALLBACK(+[](GCancellable*, gpointer mine) { g_cancellable_cancel(G_CANCELLABLE(mine)); }),
          g_object_ref(state_->cancellable.get()), g_object_unref);
    }
    state_->resume.waitFor(state_->cancellable.get());
    if (onCancel_ == OnCancel::resumeAtOnce) watchCancel();
    // The callback always comes on a later turn of the main context (GIO's rule), so
    // resuming from it never happens inside start_.
    start_(state_->cancellable.get(), &AsyncCall::onReady, new std::shared_ptr<State>(state_));
  }
  R await_resume() {
    if (state_->error) throw toAppError(state_->error.get());
    return std::move(*state_->value);
  }

 private:
  struct State {
    Finish finish;
    GObjectPtr<GCancellable> caller;  // the caller's, if any
    gulong callerHandler = 0;
    GObjectPtr<GCancellable> cancellable;  // the call's own
    detail::Resumption resume;
    bool suspended = false;  // waiting for the reply, not resumed yet
    std::optional<R> value;
    GErrorPtr error;
    GMainContext* context = nullptr;  // where an early resume runs (owned)
    gulong cancelHandler = 0;
    ~State() {
      if (callerHandler) g_cancellable_disconnect(caller, callerHandler);
      if (cancelHandler) g_cancellable_disconnect(cancellable, cancelHandler);
      if (context) g_main_context_unref(context);
    }
  };

  static void onReady(GObject* source, GAsyncResult* result, gpointer data) {
    std::unique_ptr<std::shared_ptr<State>> holder(static_cast<std::shared_ptr<State>*>(data));
    auto state = *holder;
    if (!state->suspended) {  // resumed already, as cancelled; the late reply is dropped
      GErrorPtr ignored;
      state->finish(source, result, ignored.out());
      return;
    }
    GError** out = state->error.out();
    state->value.emplace(state->finish(source, result, out));
    state->suspended = false;
    std::exchange(state->resume, {})();
  }

  void watchCancel() {
    state_->context = g_main_context_ref_thread_default();
    // Runs where cancel() is called (at once when cancelled already): the resume
    // itself goes to the awaiting coroutine's context, on a later turn.
    state_->cancelHandler = g_cancellable_connect(
        state_->cancellable,
        G_CALLBACK(+[](GCancellable*, gpointer data) {
          auto* weak = static_cast<std::weak_ptr<State>*>(data);
          auto state = weak->lock();
          if (!state) return;
          GSource* idle = g_idle_source_new();
          g_source_set_callback(
              idle,
              [](gpointer d) -> gboolean {
                std::unique_ptr<std::weak_ptr<State>> w(static_cast<std::weak_ptr<State>*>(d));
                auto st = w->lock();
                if (!st || !st->suspended) return G_SOURCE_REMOVE;
                g_set_error_literal(st->error.out(), G_IO_ERROR, G_IO_ERROR_CANCELLED, "Operation was cancelled");
                st->suspended = false;
                std::exchange(st->resume, {})();
                return G_SOURCE_REMOVE;
              },
              new std::weak_ptr<State>(state), nullptr);
          g_source_attach(idle, state->context);
          g_source_unref(idle);
        }),
        new std::weak_ptr<State>(state_), +[](gpointer data) { delete static_cast<std::weak_ptr<State>*>(data); });
  }

  Start start_;
  std::shared_ptr<State> state_;
  OnCancel onCancel_;
};

template <class R>
AsyncCall<R> asyncCall(typename AsyncCall<R>::Start start, typename AsyncCall<R>::Finish finish,
                       GCancellable* cancellable = nullptr, OnCancel onCancel = OnCancel::waitForReply) {
  return AsyncCall<R>(std::move(start), std::move(finish), cancellable, onCancel);
}

}  // namespace quorvel
