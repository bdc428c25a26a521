#!/usr/bin/env bash
# A busy firm's volume: the services at 100 … 100,000 items (bench_scale_data.cpp), then
# the views, when that benchmark is built. Exits 1 when either breaks a bound.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null || exit 2
status=0
tests/run-with-display.sh build/bench/quorvel-bench-scale-data "$@" || status=1
if [[ -x build/bench/quorvel-bench-scale-views ]]; then
  tests/run-with-display.sh build/bench/quorvel-bench-scale-views || status=1
fi
exit $status
