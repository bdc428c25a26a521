#!/usr/bin/env bash
# Fuzzes the calendar feed parser with libFuzzer (clang, AddressSanitizer and
# UndefinedBehaviorSanitizer) for a while, starting from the feeds in
# tests/fuzz/corpus. Builds into ./build-fuzz. A crash, a sanitizer report, a hang or a
# broken event fails the run; the input that did it is kept in build-fuzz/findings/.
#   FUZZ_SECONDS   how long to fuzz (default 60)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}

cmake -S tests/fuzz -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ >/dev/null
ninja -C build-fuzz fuzz_ics_parser >/dev/null

# New inputs go to a scratch folder: the corpus in the tree stays as written.
scratch=$(mktemp -d /tmp/quorvel-fuzz-XXXXXX)
trap 'rm -rf "$scratch"' EXIT
mkdir -p build-fuzz/findings
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export ASAN_OPTIONS="detect_leaks=1"
./build-fuzz/fuzz_ics_parser -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
  -dict=tests/fuzz/ics.dict -print_final_stats=1 -artifact_prefix=build-fuzz/findings/ \
  "$scratch" tests/fuzz/corpus
