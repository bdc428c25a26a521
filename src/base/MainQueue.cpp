#include "base/MainQueue.h"

#include <glib.h>

#include <atomic>
#include <chrono>
#include <thread>

namespace quorvel {
namespace {
std::thread::id& mainThreadId() {
  static std::thread::id id = std::this_thread::get_id();
  return id;
}

gboolean runOnce(gpointer data) {
  auto* fn = static_cast<std::function<void()>*>(data);
  (*fn)();
  return G_SOURCE_REMOVE;
}
void destroyFn(gpointer data) { delete static_cast<std::function<void()>*>(data); }

gboolean runRepeating(gpointer data) {
  auto* fn = static_cast<std::function<bool()>*>(data);
  return (*fn)() ? G_SOURCE_CONTINUE : G_SOURCE_REMOVE;
}
void destroyRepeating(gpointer data) { delete static_cast<std::function<bool()>*>(data); }
}  // namespace

void postToMain(std::function<void()> fn) {
  auto* heap = new std::function<void()>(std::move(fn));
  GSource* src = g_idle_source_new();
  g_source_set_priority(src, G_PRIORITY_DEFAULT);
  g_source_set_callback(src, runOnce, heap, destroyFn);
  g_source_attach(src, nullptr);
  g_source_unref(src);
}

unsigned postToMainAfter(unsigned ms, std::function<void()> fn) {
  auto* heap = new std::function<void()>(std::move(fn));
  return g_timeout_add_full(G_PRIORITY_DEFAULT, ms, runOnce, heap, destroyFn);
}

unsigned startRepeatingTimer(unsigned ms, std::function<bool()> fn) {
  auto* heap = new std::function<bool()>(std::move(fn));
  return g_timeout_add_full(G_PRIORITY_DEFAULT, ms, runRepeating, heap, destroyRepeating);
}

void cancelTimer(unsigned sourceId) {
  if (sourceId != 0) g_source_remove(sourceId);
}

bool isMainThread() { return std::this_thread::get_id() == mainThreadId(); }
void markMainThread() { mainThreadId() = std::this_thread::get_id(); }

bool runMainLoopUntil(const std::function<bool()>& pred, unsigned timeoutMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  GMainContext* ctx = g_main_context_default();
  while (!pred()) {
    if (std::chrono::steady_clock::now() >= deadline) return pred();
    if (!g_main_context_iteration(ctx, FALSE)) std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

void drainMainLoop() {
  GMainContext* ctx = g_main_context_default();
  for (int i = 0; i < 1000 && g_main_context_iteration(ctx, FALSE); ++i) {
  }
}

}  // namespace quorvel
