#include "features/mirror/MirrorNodes.h"

#include <nlohmann/json.hpp>

#include "base/StrictJson.h"

namespace quorvel {

namespace {
using nlohmann::json;
using StrictJson::integer;
using StrictJson::text;

}  // namespace

std::optional<MirrorNodes> decodeMirrorNodes(const std::string& bytes) {
  json root = json::parse(bytes, nullptr, false);
  if (!root.is_object()) return std::nullopt;
  auto ok = root.find("ok");
  auto contracts = root.find("contracts");
  auto clients = root.find("clients");
  if (ok == root.end() || !ok->is_boolean()) return std::nullopt;
  if (contracts == root.end() || !contracts->is_array()) return std::nullopt;
  if (clients == root.end() || !clients->is_array()) return std::nullopt;

  MirrorNodes nodes;
  nodes.ok = ok->get<bool>();
  for (const auto& c : *contracts) {
    MirrorNode n;
    if (!c.is_object() || !integer(c, "id", n.id) || !text(c, "no", n.no) || !integer(c, "clients", n.clients) ||
        !integer(c, "procs", n.procs))
      return std::nullopt;
    nodes.contracts.push_back(std::move(n));
  }
  for (const auto& c : *clients) {
    MirrorClientNode n;
    if (!c.is_object() || !integer(c, "id", n.id) || !text(c, "name", n.name) || !text(c, "contract", n.contract) ||
        !integer(c, "procs", n.procs))
      return std::nullopt;
    nodes.clients.push_back(std::move(n));
  }
  return nodes;
}

}  // namespace quorvel
