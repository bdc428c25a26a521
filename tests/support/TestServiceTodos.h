#pragma once
// A fuller to-do picture than the service's default: the deadline lists of a busy
// week and the badge counters that go with them, for the to-do sheet, the menu-bar
// panel and their renders.
#include <string>

namespace quorvel::test {

class TestService;

std::string todoDemoDeadlinesJson();
std::string todoDemoBadgeJson();
// The service answers "/api/my_deadlines" and "/api/desktop/badges" with them (the
// defaults stay as they are: other tests count on them).
void useTodoDemoData(TestService& service);

}  // namespace quorvel::test
