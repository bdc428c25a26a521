// libFuzzer target of the calendar feed parser (scripts/fuzz-feed.sh): any input is
// read without a crash, a sanitizer report or a broken event.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "FeedChecks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string broken = quorvel::fuzz::checkFeed(std::string_view(reinterpret_cast<const char*>(data), size));
  if (!broken.empty()) {
    std::fprintf(stderr, "feed parser: %s\n", broken.c_str());
    std::abort();
  }
  return 0;
}
