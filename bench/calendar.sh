#!/usr/bin/env bash
# Calendar feed parsing and store writes at 10,000 events (EDS inside a private bus).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
exec tests/run-with-display.sh build/bench/quorvel-calendar-bench
