#pragma once
// A service in trouble: the replies "/api/desktop/badges" and "/api/my_deadlines" give
// while an outage is set (TestService::setOutage), and their names, which the control
// route "POST /__test/outage" and the executable's "--outage" take:
//   none           the normal replies
//   500            500 with the gateway's error page
//   403            403 with the service's permission page
//   malformed      200 with JSON cut off mid-way
//   other-shape    200 with a JSON error object of the service ({"error": …})
//   hang           no answer at all until the outage ends (then 503) or the service stops
//   huge           200 with a 20 MB page that is not JSON
//   huge-user      badges: a good reply whose user name has 150,000 characters;
//                  deadlines: the normal reply
#include <optional>
#include <string>

#include "TestService.h"

namespace quorvel::test {

std::optional<TestService::Outage> outageNamed(const std::string& name);
std::string outageName(TestService::Outage outage);

// The reply of an endpoint ("badges" or "deadlines") during `outage`; nothing for
// Outage::none (and for huge-user on the deadlines): the normal reply stands.
std::optional<Reply> outageReply(TestService::Outage outage, bool badges);

// The 20 MB body of "huge": a runaway gateway page, CJK, combining marks and emoji in it.
const std::string& hugeNonJsonBody();
inline constexpr std::size_t kHugeBodyBytes = 20u << 20;
// The user name of "huge-user": 150,000 user-perceived characters (CJK, a letter with a
// combining mark, a joined emoji in turn).
const std::string& hugeUserName();
inline constexpr std::size_t kHugeUserNameCharacters = 150'000;

// "POST /__test/outage" with form fields "badges", "deadlines" and/or "all" (outage
// names): switches the outage and answers {"badges": name, "deadlines": name}; an
// unknown name answers 400. A GET answers the current state.
void installOutageRoutes(TestService& service);

}  // namespace quorvel::test
