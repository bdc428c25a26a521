#pragma once
#include <nlohmann/json.hpp>

#include <functional>
#include <string>

namespace quorvel {

// The local, append-only record of what the client did: one JSON object per line
// in "upload-audit.jsonl" in the data folder.
namespace AuditLog {
void write(const std::string& action, const std::string& rel, const nlohmann::json& extra = nlohmann::json::object());

// Who is signed in, for the "user" and "firm" keys (set by the workspace model).
struct Identity {
  std::string user;
  std::string firm;
};
void setIdentityProvider(std::function<Identity()> provider);
// The record line without its line feed (exposed for tests).
std::string recordLine(const std::string& action, const std::string& rel, const nlohmann::json& extra,
                       const Identity& who, const std::string& at);
std::string isoNow();
}  // namespace AuditLog

}  // namespace quorvel
