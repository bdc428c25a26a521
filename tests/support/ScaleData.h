#pragma once
// A busy firm's volume for the test service: N generated to-dos per category, N
// contracts and N clients, so views and benchmarks can be driven at 100, 1,000 and
// 10,000 items. The texts vary like real ones (clients, proceedings, dates), so a
// filter keeps some rows and drops others.
#include <string>

namespace quorvel::test {

class TestService;

// "/api/my_deadlines" with `perKind` entries in each of the five lists; every third
// entry has no proceeding. Entry i of a list has the content "事项 <i>" and the client
// "客户<i % 97>".
std::string scaleDeadlinesJson(int perKind);
// The badge counters of that reply.
std::string scaleBadgeJson(int perKind);
// "/api/desktop/nodes" with `contracts` contracts ("HT-<5 digits>") and `clients`
// clients ("客户<i>").
std::string scaleNodesJson(int contracts, int clients);

// "/api/desktop/manifest_contract/<id>" of a contract with `folders` sub-folders
// ("<prefix><5 digits>"), one file each ("<folder>/文件<i>.pdf", 1,000 + i bytes), under
// the server folder "案件/规模".
std::string scaleManifestJson(int folders, const std::string& prefix = "目录");

// The service answers the deadline, badge and node reads with them.
void useScaleData(TestService& service, int perKind, int contracts, int clients);

}  // namespace quorvel::test
