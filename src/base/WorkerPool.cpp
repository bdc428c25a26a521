#include "base/WorkerPool.h"

#include <algorithm>

namespace quorvel {

WorkerPool::WorkerPool(unsigned threads) {
  for (unsigned i = 0; i < std::max(1u, threads); ++i) threads_.emplace_back([this] { run(); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (auto& t : threads_) t.join();
}

void WorkerPool::submit(std::function<void()> job) {
  {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(job));
  }
  wake_.notify_one();
}

void WorkerPool::drain() {
  std::unique_lock lock(mutex_);
  idle_.wait(lock, [this] { return jobs_.empty() && running_ == 0; });
}

void WorkerPool::run() {
  for (;;) {
    std::function<void()> job;
    {
      std::unique_lock lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty()) return;  // stopping, nothing left
      job = std::move(jobs_.front());
      jobs_.pop_front();
      ++running_;
    }
    job();
    job = nullptr;  // what the job holds goes before it counts as done
    {
      std::lock_guard lock(mutex_);
      --running_;
      if (jobs_.empty() && running_ == 0) idle_.notify_all();
    }
  }
}

}  // namespace quorvel
