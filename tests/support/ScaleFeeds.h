#pragma once
// A busy firm's data at any size, for the scale checks and the benchmark: a calendar
// feed, the case-nodes reply, and a contract's manifest with its mirror tree on disk.
#include <filesystem>
#include <string>

namespace quorvel::test {

// The calendar feed of `events` events (hearings, deadlines, routines and overdue
// items in turn, each with its own UID and log id).
std::string scaleCalendarFeed(int events);

// "/api/desktop/nodes" with `contracts` contracts and `clients` clients.
std::string scaleNodesReply(int contracts, int clients);

// The manifest of contract `contractId` with `files` files in nested folders, and the
// server path of file i.
std::string scaleManifest(long long contractId, int files);
std::string scaleManifestRel(int i);

// The mirror tree of that manifest below `root` (the contract folder "案件" inside it):
// every 250th file missing, every 100th of another size. Returns the number of
// differences a check finds.
int writeScaleMirrorTree(const std::filesystem::path& root, int files);

}  // namespace quorvel::test
