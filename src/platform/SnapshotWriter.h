#pragma once
// One thread that writes whole files for the main loop, so the main thread never waits
// for the disk: snapshots (and removals) are carried out in the order they were handed
// over, one at a time, and a newer one for a file replaces one not carried out yet.
// Each is written, its folder made first, as the write function does it (atomically
// and flushed, by the callers' choice).
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

namespace quorvel {

class SnapshotWriter {
 public:
  // Writes `bytes` as the whole of `file`; false when it could not.
  using Write = std::function<bool(const std::filesystem::path& file, const std::string& bytes)>;
  // Runs on the writing thread once a snapshot of `file` was written, or `file` removed
  // (`removal`), or that failed (`ok` false; `error` says why a removal failed).
  using Done =
      std::function<void(const std::filesystem::path& file, bool removal, bool ok, const std::string& error)>;

  explicit SnapshotWriter(Write write, Done done = {});
  // Writes what is still pending, then ends the thread.
  ~SnapshotWriter();
  SnapshotWriter(const SnapshotWriter&) = delete;
  SnapshotWriter& operator=(const SnapshotWriter&) = delete;

  // Hands a snapshot over and returns at once.
  void write(std::filesystem::path file, std::string bytes);
  // Hands over the removal of `file` (no snapshot of it left), likewise.
  void remove(std::filesystem::path file);
  // Blocks until every snapshot handed over so far is written (at quit, or before the
  // file goes to another process).
  void wait();

 private:
  struct Pending {
    std::filesystem::path file;
    std::optional<std::string> bytes;  // none: remove the file
  };
  void handOver(std::filesystem::path file, std::optional<std::string> bytes);
  void run();

  Write write_;
  Done done_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable written_;
  std::deque<Pending> pending_;
  std::uint64_t handedOver_ = 0;
  std::uint64_t finished_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace quorvel
