#pragma once
// The mirror's endpoints of the demo service: "/api/desktop/manifest_contract/<id>"
// generated from the demo case tree, case-file downloads by `path`, and
// "/api/desktop/upload" as the mirror sends it ({ok, replaced, size}). Switches give
// the odd answers the client must survive.
#include <string>

namespace quorvel::test {

class TestService;

void installMirrorRoutes(TestService& service);

// The manifest JSON the service answers for a contract ("{}"-like empty folder for
// contracts without files).
std::string mirrorManifestJson(long long contractId);
// The bytes of a file of the demo tree by its server path (empty when unknown).
std::string mirrorFileBytes(const std::string& serverPath);

enum class MirrorOdd {
  none,
  notFound,   // 404
  noContent,  // 204, empty body
  webPage,    // 200 text/html (an expired sign-in)
};
// The answer for downloads of one server path.
void setMirrorDownloadOdd(TestService& service, const std::string& serverPath, MirrorOdd odd);
// Every case-file download answers only after `ms` milliseconds (a slow line).
void setMirrorDownloadDelay(TestService& service, unsigned ms);
// Replaces the manifest of a contract by the given text.
void setMirrorManifestReply(TestService& service, long long contractId, std::string json);
void resetMirrorSwitches(TestService& service);

}  // namespace quorvel::test
