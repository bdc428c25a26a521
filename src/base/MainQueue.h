#pragma once
#include <functional>

namespace quorvel {

// Runs fn on a later turn of the default GLib main context (safe from any thread).
void postToMain(std::function<void()> fn);
// Runs fn after `ms` milliseconds on the main context; returns the GLib source id.
unsigned postToMainAfter(unsigned ms, std::function<void()> fn);
// Repeating timer; fn returns false to stop. Returns the source id.
unsigned startRepeatingTimer(unsigned ms, std::function<bool()> fn);
void cancelTimer(unsigned sourceId);
bool isMainThread();
// Marks the calling thread as the main thread (done once at start-up and by tests).
void markMainThread();

// For tests and diagnostics: iterate the default main context until pred holds or
// timeoutMs passes; returns pred().
bool runMainLoopUntil(const std::function<bool()>& pred, unsigned timeoutMs);
// Iterate pending events of the default main context without blocking.
void drainMainLoop();

}  // namespace quorvel
