#include "platform/calendar/StoreThread.h"

#include <future>

namespace quorvel {

StoreThread::StoreThread(std::string name) {
  context_ = g_main_context_new();
  loop_ = g_main_loop_new(context_, FALSE);
  std::promise<void> started;
  auto ready = started.get_future();
  thread_ = std::thread([this, name, &started] {
    g_main_context_push_thread_default(context_);
    started.set_value();
    g_main_loop_run(loop_);
    // Callbacks still queued (results of dropped work) are released with the context.
    while (g_main_context_iteration(context_, FALSE)) {
    }
    g_main_context_pop_thread_default(context_);
  });
  ready.wait();
}

StoreThread::~StoreThread() {
  // Quit from inside the loop: a quit before the loop runs would be lost.
  post([loop = loop_] { g_main_loop_quit(loop); });
  if (thread_.joinable()) thread_.join();
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
