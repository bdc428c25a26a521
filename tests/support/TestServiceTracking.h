#pragma once
#include <string>

namespace quorvel::test {

class TestService;

// A public search engine's result page for a courier number at "/s?wd=<number>".
// The number's first letters pick the page: "DL" delivered with signer and time,
// "TR" in transit, "RT" returned, "COD" a cash-on-delivery line while in transit,
// "CLK" a result shown only after its "查询" control is pressed, "SLW" a result that
// arrives late, "VFY" a phone-number check, "ERR" a server failure; anything else
// finds nothing.
void installTrackingRoutes(TestService& service);

// The delivered page's text as the judgement reads it.
inline constexpr const char* kTrackingSigner = "前台";
inline constexpr const char* kTrackingSignTime = "2026-11-23 14:15:08";

}  // namespace quorvel::test
