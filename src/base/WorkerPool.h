#pragma once
// One bounded pool of worker threads for work that must leave the main thread
// (recognition, directory sizing, file copies). Jobs run in submission order as
// workers free up; results come back through the main context (onWorker). Owned by
// the composition root and handed to whoever sends work off the main thread.
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <tuple>
#include <type_traits>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvel {

class WorkerPool {
 public:
  explicit WorkerPool(unsigned threads);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  void submit(std::function<void()> job);
  // Blocks until every job submitted so far has run (the owner's teardown).
  void drain();
  unsigned size() const { return static_cast<unsigned>(threads_.size()); }

 private:
  void run();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable idle_;
  std::deque<std::function<void()>> jobs_;
  unsigned running_ = 0;
  bool stopping_ = false;
  std::vector<std::thread> threads_;
};

// Hands large containers to `pool` to be destroyed there: freeing hundreds of thousands
// of strings takes tens of milliseconds the main loop should not spend. Without a pool
// they go here as usual.
template <class... T>
void releaseOnWorker(WorkerPool* pool, T&&... big) {
  auto held = std::make_shared<std::tuple<std::decay_t<T>...>>(std::forward<T>(big)...);
  if (!pool) return;
  pool->submit([held = std::move(held)]() mutable { held.reset(); });
}

}  // namespace quorvel
