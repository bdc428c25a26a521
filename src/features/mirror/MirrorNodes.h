#pragma once
// The reply of "/api/desktop/nodes": the account's contracts and clients.
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

struct MirrorNode {
  long long id = 0;
  std::string no;  // contract number
  long long clients = 0;
  long long procs = 0;
  bool operator==(const MirrorNode&) const = default;
};

struct MirrorClientNode {
  long long id = 0;
  std::string name;
  std::string contract;  // contract number, may be empty
  long long procs = 0;
  bool operator==(const MirrorClientNode&) const = default;
};

struct MirrorNodes {
  bool ok = false;
  std::vector<MirrorNode> contracts;
  std::vector<MirrorClientNode> clients;
};

// The whole value or nothing: every key is required with its JSON type (integers
// must be integral); other keys are ignored.
std::optional<MirrorNodes> decodeMirrorNodes(const std::string& bytes);

}  // namespace quorvel
