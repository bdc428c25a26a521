#pragma once
#include <nlohmann/json.hpp>

#include <filesystem>
#include <functional>
#include <string>

namespace quorvel {

class Clock;

// The local, append-only record of what the client did: one JSON object per line
// in "upload-audit.jsonl" in the data folder.
class AuditLog {
 public:
  // Who is signed in, for the "user" and "firm" keys.
  struct Identity {
    std::string user;
    std::string firm;
  };

  // Appends to `file` (its folder is made when missing); records are stamped with
  // `clock`'s time. The clock must outlive the log.
  AuditLog(std::filesystem::path file, const Clock& clock);
  AuditLog(const AuditLog&) = delete;
  AuditLog& operator=(const AuditLog&) = delete;

  // "upload-audit.jsonl" in the data folder.
  static std::filesystem::path defaultFile();

  // Where the signed-in user comes from (the workspace); set once by the owner.
  void setIdentitySource(std::function<Identity()> source) { identity_ = std::move(source); }

  void record(const std::string& action, const std::string& rel,
              const nlohmann::json& extra = nlohmann::json::object()) const;

  const std::filesystem::path& file() const { return file_; }

  // The record line without its line feed (exposed for tests).
  static std::string recordLine(const std::string& action, const std::string& rel, const nlohmann::json& extra,
                                const Identity& who, const std::string& at);

 private:
  std::string isoNow() const;

  std::filesystem::path file_;
  const Clock& clock_;
  std::function<Identity()> identity_;
};

}  // namespace quorvel
