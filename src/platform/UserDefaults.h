#pragma once
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>

#include "base/AppError.h"
#include "base/Task.h"
#include "platform/SnapshotWriter.h"

namespace quorvel {

// Writes bytes to `target` through a temporary file in the same folder and a rename.
// Returns false (and leaves any old file in place) on failure.
bool writeFileAtomically(const std::filesystem::path& target, const std::string& bytes);

// The user defaults: one JSON object in $XDG_CONFIG_HOME/Quorvel/defaults.json.
// Reads are typed and treat a value of the wrong type as absent. Writes change the
// values at once; on the next turn of the main loop a burst of them goes to the
// store's own writing thread as one snapshot, which replaces the file atomically and
// flushes it to disk, so the main thread never waits for the disk (flush() waits).
// Safe from any thread.
class UserDefaults {
 public:
  // A settings file that could not be read as a JSON object. It is moved aside, never
  // overwritten; the defaults stand in for it.
  struct Damage {
    std::filesystem::path file;
    // Where it was kept; absent when it could not be moved, and then nothing is
    // written over it while this process runs.
    std::optional<std::filesystem::path> keptAs;
    // Why it could not be moved (errors::kFile with errno); none when it was kept.
    std::optional<AppError> error;
  };

  // $XDG_CONFIG_HOME/Quorvel/defaults.json
  static std::filesystem::path standardFile();

  // How a snapshot reaches the file (tests slow it down or make it fail).
  using FileWrite = std::function<bool(const std::filesystem::path&, const std::string&)>;

  explicit UserDefaults(std::filesystem::path file, FileWrite write = writeFileAtomically);
  ~UserDefaults();

  std::optional<nlohmann::json> object(const std::string& key) const;
  std::optional<std::string> string(const std::string& key) const;
  // Integral JSON numbers only; booleans and fractions are not integers.
  std::optional<long long> integer(const std::string& key) const;
  std::optional<double> number(const std::string& key) const;
  std::optional<bool> boolean(const std::string& key) const;

  void set(const std::string& key, nlohmann::json value);
  void remove(const std::string& key);
  // Hands pending changes to the writing thread now, without waiting for the disk.
  void save();
  // Writes pending changes and waits until the file holds them (at exit, before
  // handing the file to another process).
  void flush();

  const std::filesystem::path& file() const { return file_; }
  // What the first read of the file found damaged, if anything.
  std::optional<Damage> damage() const;

  // True only the first time it is asked for `key` on this store: a warning about an
  // unusable stored value is logged once, not at every read.
  bool firstWarning(const std::string& key) const;

 private:
  void loadLocked() const;
  void scheduleSaveLocked();

  std::filesystem::path file_;
  mutable std::mutex mutex_;
  mutable bool loaded_ = false;
  mutable nlohmann::json data_ = nlohmann::json::object();
  mutable std::optional<Damage> damage_;
  bool dirty_ = false;
  bool saveScheduled_ = false;
  mutable std::set<std::string> warned_;
  SnapshotWriter writer_;
  TaskScope scope_;
};

}  // namespace quorvel
