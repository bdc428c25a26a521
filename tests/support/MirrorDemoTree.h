#pragma once
// The demo firm's case folders as both the demo service (manifests, downloads) and
// the demo WebDAV volume serve them.
#include <string>
#include <vector>

namespace quorvel::test {

struct MirrorDemoFile {
  std::string rel;    // below the contract folder
  std::string bytes;
  long long mtime;    // seconds since 1970
};

struct MirrorDemoContract {
  long long contractId;
  long long procId;
  std::string procName;
  std::string folder;  // server path; empty: no electronic folder yet
  std::vector<MirrorDemoFile> files;
};

const std::vector<MirrorDemoContract>& mirrorDemoTree();
// The tail of a server path below "user_data/FIRM_demo/" (what the volume holds).
std::string mirrorDemoTail(const std::string& serverPath);

}  // namespace quorvel::test
