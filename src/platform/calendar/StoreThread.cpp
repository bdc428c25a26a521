#include "platform/calendar/StoreThread.h"

#include <future>

namespace quorvel {

StoreThread::StoreThread(std::string name) {
  context_ = g_main_context_new();
  loop_ = g_main_loop_new(context_, FALSE);
  std::promise<void> started;
  auto ready = started.get_future();
  // The thread holds references of its own: it may outlive this object (see below).
  thread_ = std::thread([ctx = g_main_context_ref(context_), loop = g_main_loop_ref(loop_), &started] {
    g_main_context_push_thread_default(ctx);
    started.set_value();
    g_main_loop_run(loop);
    // Jobs still queued (results of dropped work) run and are released with the context.
    while (g_main_context_iteration(ctx, FALSE)) {
    }
    g_main_context_pop_thread_default(ctx);
    g_main_loop_unref(loop);
    g_main_context_unref(ctx);
  });
  ready.wait();
}

StoreThread::~StoreThread() {
  // Quit from inside the loop: a quit before the loop runs would be lost.
  post([loop = loop_] { g_main_loop_quit(loop); });
  if (onThread()) {
    // The last owner let go inside a job: the loop ends after it; nobody can wait here.
    thread_.detach();
  } else if (thread_.joinable()) {
    thread_.join();
  }
  g_main_loop_unref(loop_);
  g_main_context_unref(context_);
}

void StoreThread::post(std::function<void()> fn) {
  auto* job = new std::function<void()>(std::move(fn));
  g_main_context_invoke_full(
      context_, G_PRIORITY_DEFAULT,
      [](gpointer data) -> gboolean {
        (*static_cast<std::function<void()>*>(data))();
        return G_SOURCE_REMOVE;
      },
      job, [](gpointer data) { delete static_cast<std::function<void()>*>(data); });
}

}  // namespace quorvel
