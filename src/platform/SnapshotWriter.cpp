#include "platform/SnapshotWriter.h"

#include <algorithm>

namespace quorvel {

SnapshotWriter::SnapshotWriter(Write write, Done done) : write_(std::move(write)), done_(std::move(done)) {}

SnapshotWriter::~SnapshotWriter() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void SnapshotWriter::write(std::filesystem::path file, std::string bytes) { handOver(std::move(file), std::move(bytes)); }

void SnapshotWriter::remove(std::filesystem::path file) { handOver(std::move(file), std::nullopt); }

void SnapshotWriter::handOver(std::filesystem::path file, std::optional<std::string> bytes) {
  {
    std::lock_guard lock(mutex_);
    ++handedOver_;
    auto same = std::find_if(pending_.begin(), pending_.end(), [&](const Pending& p) { return p.file == file; });
    if (same != pending_.end()) {
      // The older snapshot was never written: it counts as done with the newer one.
      same->bytes = std::move(bytes);
      ++finished_;
    } else {
      pending_.push_back({std::move(file), std::move(bytes)});
    }
    // Started with the first snapshot: a store that never writes has no thread.
    if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
  }
  wake_.notify_one();
}

void SnapshotWriter::wait() {
  std::unique_lock lock(mutex_);
  written_.wait(lock, [&] { return finished_ == handedOver_; });
}

void SnapshotWriter::run() {
  std::unique_lock lock(mutex_);
  for (;;) {
    wake_.wait(lock, [&] { return stopping_ || !pending_.empty(); });
    if (pending_.empty()) return;  // stopping, and nothing left to write
    Pending next = std::move(pending_.front());
    pending_.pop_front();
    lock.unlock();
    bool ok = true;
    std::string error;
    if (next.bytes) {
      std::error_code ec;
      std::filesystem::create_directories(next.file.parent_path(), ec);
      ok = write_(next.file, *next.bytes);
    } else {
      std::error_code ec;
      std::filesystem::remove(next.file, ec);
      ok = !ec;
      if (ec) error = ec.message();
    }
    if (done_) done_(next.file, !next.bytes, ok, error);
    lock.lock();
    ++finished_;
    written_.notify_all();
  }
}

}  // namespace quorvel
